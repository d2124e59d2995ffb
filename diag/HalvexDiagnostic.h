#pragma once

#include "tessary/IDiagnostics.h"

namespace KestraDiags {
namespace Halvex {

// The module's diagnostic: names itself to the host and offers the over-current alert test.
class HalvexDiagnostic : public Diag::IDiagnostics {
 public:
  HalvexDiagnostic(bool logEnabled, DeviceEnum::IDeviceEnumerator::DiagnosticMode mode);
  ~HalvexDiagnostic() override;
};

}  // namespace Halvex
}  // namespace KestraDiags
