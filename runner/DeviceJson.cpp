#include "DeviceJson.h"

#include "ludrel/USBUtil.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

nlohmann::ordered_json deviceJson(const DeviceRecord& device) {
  nlohmann::ordered_json hubCache = nlohmann::ordered_json::object();
  for (const auto& [port, key] : device.portKeys) hubCache[std::to_string(port)] = key;
  return {
      {"name", device.name},
      {"class", device.deviceClass},
      {"status", device.status},
      {"statusName", deviceStatusName(device.status)},
      {"location", device.location},
      {"parentLocation", device.parentLocation},
      {"descriptor", device.descriptor},
      {"description", device.description},
      {"manufacturer", device.manufacturer},
      {"serialNumber", device.serialNumber},
      {"firmwareRevision", device.firmwareRevision},
      {"modelNumber", device.modelNumber},
      {"additionalHardwareInfo", device.additionalHardwareInfo},
      {"devicePath", device.devicePath},
      {"hubCache", hubCache},
  };
}

}  // namespace

nlohmann::ordered_json deviceListJson(const std::vector<DeviceRecord>& devices) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const DeviceRecord& device : devices) list.push_back(deviceJson(device));
  return {{"backend", Ludrel::USBUtil::backendName()}, {"devices", list}};
}

}  // namespace HalvexHost
}  // namespace KestraDiags
