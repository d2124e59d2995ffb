#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "HalvexModule.h"
#include "HostOutput.h"

namespace KestraDiags {
namespace HalvexHost {

// The module's devices of one enumeration. The vector belongs to the enumerator; destroying the
// enumerator releases it and the devices.
struct Enumeration {
  std::unique_ptr<DeviceEnum::IDeviceEnumerator> enumerator;
  std::vector<DeviceEnum::VirtualDevice>* devices = nullptr;  // null when the module gave none
  // Set when the list could not be read, or not to its end: the devices hold what was read.
  std::optional<HostError> failure;

  const std::vector<DeviceEnum::VirtualDevice>& deviceList() const;
};

// Creates an enumerator and asks it for the devices. The module hides a failure of the USB
// library behind an empty or short list, so the library is asked whether it failed.
Enumeration enumerateDevices(const HalvexModule& module, bool logEnabled);

}  // namespace HalvexHost
}  // namespace KestraDiags
