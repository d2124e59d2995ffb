#pragma once

#include <vector>

#include "tessary/IDeviceEnumerator.h"
#include "tessary/VirtualDevice.h"

namespace KestraDiags {
namespace Halvex {

// Turns the USB library's device records into the host's devices.
class HalvexDeviceEnumerator : public DeviceEnum::IDeviceEnumerator {
 public:
  HalvexDeviceEnumerator(bool logEnabled, DiagnosticMode mode);
  ~HalvexDeviceEnumerator() override;

  // The vector of the newest call stays owned by the enumerator.
  std::vector<DeviceEnum::VirtualDevice>* getDeviceVector(const char* hostText,
                                                          unsigned int hostValue) override;

 private:
  std::vector<DeviceEnum::VirtualDevice>* m_pDeviceVector;
};

}  // namespace Halvex
}  // namespace KestraDiags
