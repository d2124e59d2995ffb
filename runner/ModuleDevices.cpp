#include "ModuleDevices.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <set>

#include "ludrel/RecordNumbers.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

using Ludrel::USBDeviceFinder;

// Handed to the module for every device; it keeps them for the host without reading them.
constexpr const char* kHostText = "halvex-host";
constexpr unsigned int kHostValue = 0;

DeviceRecord describeDevice(const DeviceEnum::IDevice& device) {
  const DeviceEnum::FRUinfo& unit = device.getFRUinfo();
  DeviceRecord record;
  record.name = device.getDeviceName();
  record.deviceClass = device.getDeviceClass();
  record.status = static_cast<int>(device.getDeviceStatus());
  record.location = device.getDeviceLocation();
  record.parentLocation = device.getParentLocation();
  record.descriptor = device.getDeviceDescriptor();
  record.description = device.getDeviceDescription();
  record.manufacturer = unit.getDeviceManufacturerName();
  record.serialNumber = unit.getDeviceSerialNumber();
  record.firmwareRevision = unit.getDeviceFirmwareRevisionLevel();
  record.modelNumber = unit.getDeviceModelNumber();
  record.additionalHardwareInfo = device.getAddlHWInfo();
  return record;
}

// The library's records in the order it hands them out; when it cannot hand out one, those
// before it, where the module's enumeration ends too.
std::vector<Usb_Device> libraryRecords(USBDeviceFinder& finder) {
  std::vector<Usb_Device> records;
  try {
    if (!finder.getAllUSBDevices()) return records;
    Usb_Device* next = nullptr;
    while (finder.Next(&next)) {
      const std::unique_ptr<Usb_Device> record(next);
      records.push_back(*record);
    }
  } catch (...) {
    // Only a simulated topology's faults make the library throw.
  }
  return records;
}

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// The module keeps the remote-access controller's composite devices out of a hub's cache and
// tells them by their key text, its IDs in lower-case hexadecimal.
bool isCompositeDeviceKey(const std::string& key) {
  return contains(key, "ZELT4") || contains(key, "ZELT5") ||
         (contains(key, "5b7d") &&
          (contains(key, "2500") || contains(key, "0000") || contains(key, "0001")));
}

// The busy ports' keys as the module's hub cache holds them: a key that two ports give stays
// with the lower one, and the walk ends at a port whose query throws.
std::map<int, std::string> portKeysOf(USBDeviceFinder& finder, const Usb_Device& hub) {
  std::map<int, std::string> keys;
  std::set<std::string> cached;
  try {
    // A wider counter, so that a port count of INT_MAX cannot overflow it.
    for (std::int64_t port = 1; port <= hub.nNumofPorts; ++port) {
      std::string key;
      if (finder.isPortBusy(hub.sDevDescriptor, static_cast<int>(port), key, nullptr) &&
          !isCompositeDeviceKey(key) && cached.insert(key).second) {
        keys.emplace(static_cast<int>(port), key);
      }
    }
  } catch (...) {
    // Only a simulated topology's faults make the library throw.
  }
  return keys;
}

// A root hub or external hub that works and is not to be hidden: the records the module makes
// the hubs it checks of.
bool isWorkingHub(const Usb_Device& record) {
  return Ludrel::DeviceType::isHub(record.nDevType) &&
         record.nDevStatus == Ludrel::DeviceStatus::kOk && !record.bIgnore;
}

// The library leaves both IDs 0 where it read none; an ID outside 16 bits is no USB ID.
std::optional<UsbId> usbIdOf(const Usb_Device& record) {
  const auto isId = [](std::int32_t id) { return id >= 0 && id <= 0xFFFF; };
  if ((record.nidVendor == 0 && record.nidProduct == 0) || !isId(record.nidVendor) ||
      !isId(record.nidProduct)) {
    return std::nullopt;
  }
  return UsbId{static_cast<std::uint16_t>(record.nidVendor),
               static_cast<std::uint16_t>(record.nidProduct)};
}

}  // namespace

const std::vector<DeviceEnum::VirtualDevice>& Enumeration::deviceList() const {
  static const std::vector<DeviceEnum::VirtualDevice> none;
  return devices != nullptr ? *devices : none;
}

Enumeration enumerateDevices(const HalvexModule& module, bool logEnabled) {
  Enumeration enumeration;
  enumeration.enumerator = module.createEnumerator(logEnabled);
  if (!enumeration.enumerator) {
    enumeration.failure = Failure{
        "NO_ENUMERATOR", "module " + module.path() + ": getIDeviceEnumerator returned nothing"};
    return enumeration;
  }
  enumeration.devices = enumeration.enumerator->getDeviceVector(kHostText, kHostValue);
  const std::string libraryError = Ludrel::USBUtil::lastErrorName();
  if (!libraryError.empty()) {
    enumeration.failure =
        Failure{libraryError, "cannot read the USB device list (" + Ludrel::USBUtil::backendName() +
                                  " backend): " + Ludrel::USBUtil::lastErrorMessage()};
  } else if (enumeration.devices == nullptr) {
    enumeration.failure =
        Failure{"NO_DEVICE_LIST", "module " + module.path() + ": getDeviceVector returned no list"};
  }
  return enumeration;
}

std::vector<DeviceRecord> describeDevices(const std::vector<DeviceEnum::VirtualDevice>& devices) {
  std::vector<DeviceRecord> records;
  records.reserve(devices.size());
  for (const DeviceEnum::VirtualDevice& device : devices) {
    records.push_back(describeDevice(*device.getDevice()));
  }
  return records;
}

// The module's devices come in the library's order, so each is the next record at its location;
// a hub the module checks, the next working hub record there.
void addLibraryFacts(std::vector<DeviceRecord>& devices, PortKeys portKeys) {
  // Without a log: the module's trace logs hold the module's calls only.
  USBDeviceFinder finder(nullptr);
  const std::vector<Usb_Device> records = libraryRecords(finder);
  auto unmatched = records.begin();
  for (DeviceRecord& device : devices) {
    const bool checkedHub = !device.descriptor.empty();
    const auto record = std::find_if(unmatched, records.end(), [&](const Usb_Device& candidate) {
      return candidate.sLocation == device.location && (!checkedHub || isWorkingHub(candidate));
    });
    if (record == records.end()) continue;
    unmatched = std::next(record);
    device.usbId = usbIdOf(*record);
    if (!checkedHub) continue;
    device.devicePath = record->sDevDescriptor;
    device.portCount = record->nNumofPorts;
    if (portKeys == PortKeys::Read) device.portKeys = portKeysOf(finder, *record);
  }
}

std::string deviceStatusName(int status) {
  switch (status) {
    case DeviceEnum::IDevice::DEVICE_OK:
      return "ok";
    case DeviceEnum::IDevice::DEVICE_ERROR:
      return "error";
    case DeviceEnum::IDevice::DEVICE_DISABLED:
      return "disabled";
    case DeviceEnum::IDevice::DEVICE_NOT_PRESENT:
      return "not present";
    case DeviceEnum::IDevice::DEVICE_NOT_CONFIGURED:
      return "not configured";
  }
  return "status " + std::to_string(status);
}

}  // namespace HalvexHost
}  // namespace KestraDiags
