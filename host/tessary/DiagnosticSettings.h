#pragma once

#include "TessaryExport.h"

namespace KestraDiags {
namespace Diag {

// How the framework asks for a run; tests may ignore it.
class TESSARY_API DiagnosticSettings {
 public:
  DiagnosticSettings();
  explicit DiagnosticSettings(bool quick);

  bool isQuick() const;

 private:
  bool m_quick;
};

}  // namespace Diag
}  // namespace KestraDiags
