#include "TopologySnapshot.h"

#include <cstdio>

#include "ludrel/RecordNumbers.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// The topology format's names of the record types.
const char* const kTypeNames[] = {"host-controller", "root-hub", "hub", "device"};

nlohmann::ordered_json typeJson(std::int32_t type) {
  if (type >= 0 && type < 4) return kTypeNames[type];
  return type;
}

std::string usbId(std::int32_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(id));
  return text;
}

// What the record knows beyond the members of the format, for the people who read the file.
std::string factsOf(const DeviceSnapshot& device) {
  const Usb_Device& record = device.record;
  std::string facts;
  const auto add = [&facts](const std::string& fact) {
    facts += (facts.empty() ? "" : ", ") + fact;
  };
  if (record.nBusNumber != 0) add("bus " + std::to_string(record.nBusNumber));
  if (record.nDevAddress != 0) add("address " + std::to_string(record.nDevAddress));
  if (!record.sSpeed.empty()) add(record.sSpeed + " Mbit/s");
  if (!record.sUsbVersion.empty()) add("USB " + record.sUsbVersion);
  if (!record.sService.empty()) add("driver " + record.sService);
  if (!device.portFailure.empty()) add("over-current states not read: " + device.portFailure);
  return facts;
}

nlohmann::ordered_json portJson(const PortSnapshot& port) {
  nlohmann::ordered_json state = {{"port", port.port}};
  if (port.key) state["key"] = *port.key;
  if (port.overCurrent) state["overCurrent"] = *port.overCurrent;
  return state;
}

// A free port that answered "no device" is what the format assumes of every unlisted port.
bool isWorthListing(const PortSnapshot& port) {
  return port.key || (port.overCurrent && *port.overCurrent != -1);
}

nlohmann::ordered_json deviceJson(const DeviceSnapshot& device) {
  const Usb_Device& record = device.record;
  nlohmann::ordered_json entry = {
      {"type", typeJson(record.nDevType)},   {"status", record.nDevStatus},
      {"ports", record.nNumofPorts},         {"vendor", usbId(record.nidVendor)},
      {"product", usbId(record.nidProduct)}, {"ignore", record.bIgnore},
  };
  const std::pair<const char*, const std::string*> texts[] = {
      {"devicePath", &record.sDevDescriptor},  {"firmware", &record.sFirmwareRev},
      {"serial", &record.sSerialNumber},       {"manufacturer", &record.sManufacturer},
      {"fallbackName", &record.sFallbackName}, {"name", &record.sDevName},
      {"description", &record.sDevDesc},       {"addlHWInfo", &record.sAddlHWInfo},
      {"location", &record.sLocation},         {"parentLocation", &record.sParentLocation},
      {"instanceId", &record.sDevInstanceId},
  };
  for (const auto& [member, text] : texts) {
    // A hub without the entry would get a port count entry of the format's making.
    const bool hubInfo = text == &record.sAddlHWInfo && Ludrel::DeviceType::isHub(record.nDevType);
    if (!text->empty() || hubInfo) entry[member] = *text;
  }
  if (device.isQueriedHub) {
    nlohmann::ordered_json states = nlohmann::ordered_json::array();
    for (const PortSnapshot& port : device.ports) {
      if (isWorthListing(port)) states.push_back(portJson(port));
    }
    entry["portStates"] = states;
  }
  const std::string facts = factsOf(device);
  if (!facts.empty()) entry["comment"] = facts;
  return entry;
}

}  // namespace

nlohmann::ordered_json topologyJson(const std::vector<DeviceSnapshot>& devices,
                                    const std::string& comment) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const DeviceSnapshot& device : devices) list.push_back(deviceJson(device));
  return {{"comment", comment}, {"devices", list}};
}

}  // namespace HalvexHost
}  // namespace KestraDiags
