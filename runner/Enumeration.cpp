#include "Enumeration.h"

#include "ludrel/USBUtil.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// Handed to the module for every device; it keeps them for the host without reading them.
constexpr const char* kHostText = "halvex-host";
constexpr unsigned int kHostValue = 0;

}  // namespace

const std::vector<DeviceEnum::VirtualDevice>& Enumeration::deviceList() const {
  static const std::vector<DeviceEnum::VirtualDevice> none;
  return devices != nullptr ? *devices : none;
}

Enumeration enumerateDevices(const HalvexModule& module, bool logEnabled) {
  Enumeration enumeration;
  enumeration.enumerator = module.createEnumerator(logEnabled);
  if (!enumeration.enumerator) {
    enumeration.failure = HostError{
        "NO_ENUMERATOR", "module " + module.path() + ": getIDeviceEnumerator returned nothing"};
    return enumeration;
  }
  enumeration.devices = enumeration.enumerator->getDeviceVector(kHostText, kHostValue);
  const std::string libraryError = Ludrel::USBUtil::lastErrorName();
  if (!libraryError.empty()) {
    enumeration.failure = HostError{
        libraryError, "cannot read the USB device list (" + Ludrel::USBUtil::backendName() +
                          " backend): " + Ludrel::USBUtil::lastErrorMessage()};
  } else if (enumeration.devices == nullptr) {
    enumeration.failure = HostError{
        "NO_DEVICE_LIST", "module " + module.path() + ": getDeviceVector returned no list"};
  }
  return enumeration;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
