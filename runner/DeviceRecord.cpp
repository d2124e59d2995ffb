#include "DeviceRecord.h"

#include "device/HalvexDevice.h"

namespace KestraDiags {
namespace HalvexHost {

DeviceRecord describeDevice(const DeviceEnum::IDevice& device) {
  // Every device the module's enumerator hands out is one of its own.
  const auto& halvexDevice = static_cast<const Halvex::HalvexDevice&>(device);
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
  record.devicePath = halvexDevice.getDevicePath();
  for (const auto& [key, port] : halvexDevice.getHubCache()) record.portKeys.emplace(port, key);
  return record;
}

std::vector<DeviceRecord> describeDevices(const std::vector<DeviceEnum::VirtualDevice>& devices) {
  std::vector<DeviceRecord> records;
  records.reserve(devices.size());
  for (const DeviceEnum::VirtualDevice& device : devices) {
    records.push_back(describeDevice(*device.getDevice()));
  }
  return records;
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
