#include "simulated/TopologyJson.h"

#include <set>

#include "HubLayout.h"
#include "RecordTexts.h"
#include "ludrel/RecordNumbers.h"
#include "simulated/EventJson.h"
#include "simulated/HubPortCounts.h"
#include "simulated/ImpliedStatus.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

struct TextMember {
  const char* name;
  std::string Usb_Device::*field;
};

constexpr TextMember kTextMembers[] = {
    {"devicePath", &Usb_Device::sDevDescriptor},  {"firmware", &Usb_Device::sFirmwareRev},
    {"serial", &Usb_Device::sSerialNumber},       {"manufacturer", &Usb_Device::sManufacturer},
    {"fallbackName", &Usb_Device::sFallbackName}, {"name", &Usb_Device::sDevName},
    {"description", &Usb_Device::sDevDesc},       {"addlHWInfo", &Usb_Device::sAddlHWInfo},
    {"location", &Usb_Device::sLocation},         {"parentLocation", &Usb_Device::sParentLocation},
    {"instanceId", &Usb_Device::sDevInstanceId},  {"speed", &Usb_Device::sSpeed},
};

bool readBool(const Json& value) { return value.get<bool>(); }

// The port states of a hub of portCount ports, each port at most once.
std::vector<PortState> readPortStates(const Json& value, std::int32_t portCount) {
  std::vector<PortState> states = value.get<std::vector<PortState>>();
  std::set<int> described;
  for (std::size_t i = 0; i < states.size(); ++i) {
    const int port = states[i].port;
    const Json& place = value[i].at("port");
    requirePortOfHub(place, port, portCount);
    if (!described.insert(port).second) {
      refuse(place, "port " + std::to_string(port) + " is described twice");
    }
  }
  return states;
}

// The port state without the words its other members and its hub imply; nothing when it then
// says no more than a port the file does not list.
std::optional<PortState> writtenPortState(PortState state, const DeviceEntry& hub) {
  if (state.portStatus ==
      impliedPortStatus(state, isSuperSpeed(hub.record.sSpeed), hub.hubStatus.value_or(0))) {
    state.portStatus.reset();
  }
  if (state.portChange == 0) state.portChange.reset();
  const bool silent = !state.key && state.overCurrent.value_or(-1) == -1 && !state.portStatus &&
                      !state.portChange && !state.overCurrentCount && !state.isPortBusyThrows &&
                      !state.checkforOCStateThrows && !state.checkforOCStateFails;
  if (silent) return std::nullopt;
  return state;
}

}  // namespace

void from_json(const Json& value, PortState& state) {
  requireMembers(value, {"port", "key", "overCurrent", "isPortBusyThrows", "checkforOCStateThrows",
                         "checkforOCStateFails", "portStatus", "portChange", "overCurrentCount"});
  if (!value.contains("port")) refuse(value, "missing \"port\": which port, from 1");
  state.port = readInt32(value.at("port"));
  readMember(value, "key", state.key, readText);
  readMember(value, "overCurrent", state.overCurrent, readInt32);
  readMember(value, "isPortBusyThrows", state.isPortBusyThrows, readThrownValue);
  readMember(value, "checkforOCStateThrows", state.checkforOCStateThrows, readThrownValue);
  readMember(value, "checkforOCStateFails", state.checkforOCStateFails, readText);
  readMember(value, "portStatus", state.portStatus, readWord);
  readMember(value, "portChange", state.portChange, readWord);
  readMember(value, "overCurrentCount", state.overCurrentCount, readCount);
}

void to_json(OrderedJson& value, const PortState& state) {
  value = {{"port", state.port}};
  if (state.key) value["key"] = *state.key;
  if (state.overCurrent) value["overCurrent"] = *state.overCurrent;
  if (state.isPortBusyThrows) value["isPortBusyThrows"] = thrownValueJson(*state.isPortBusyThrows);
  if (state.checkforOCStateThrows) {
    value["checkforOCStateThrows"] = thrownValueJson(*state.checkforOCStateThrows);
  }
  if (state.checkforOCStateFails) value["checkforOCStateFails"] = *state.checkforOCStateFails;
  if (state.portStatus) value["portStatus"] = *state.portStatus;
  if (state.portChange) value["portChange"] = *state.portChange;
  if (state.overCurrentCount) value["overCurrentCount"] = *state.overCurrentCount;
}

void from_json(const Json& value, DeviceEntry& entry) {
  requireMembers(
      value, {"type",        "status",     "ports",     "vendor",         "product",      "ignore",
              "devicePath",  "firmware",   "serial",    "manufacturer",   "fallbackName", "name",
              "description", "addlHWInfo", "location",  "parentLocation", "instanceId",   "speed",
              "portStates",  "nextThrows", "hubStatus", "hubChange"});
  Usb_Device& record = entry.record;
  record.nDevType = DeviceType::kOtherDevice;
  readMember(value, "type", record.nDevType, readDeviceType);
  readMember(value, "status", record.nDevStatus, readInt32);
  readMember(value, "ports", record.nNumofPorts, readInt32);
  readMember(value, "vendor", record.nidVendor, readUsbId);
  readMember(value, "product", record.nidProduct, readUsbId);
  readMember(value, "ignore", record.bIgnore, readBool);
  for (const TextMember& member : kTextMembers) {
    readMember(value, member.name, record.*member.field, readText);
  }
  if (DeviceType::isHub(record.nDevType)) {
    if (!value.contains("addlHWInfo")) {
      record.sAddlHWInfo = RecordTexts::portCountInfo(record.nNumofPorts);
    }
    requirePossiblePortCounts(record, value);
  }
  const auto states = value.find("portStates");
  if (states != value.end()) entry.portStates = readPortStates(*states, record.nNumofPorts);
  readMember(value, "nextThrows", entry.nextThrows, readThrownValue);
  readMember(value, "hubStatus", entry.hubStatus, readWord);
  readMember(value, "hubChange", entry.hubChange, readWord);
  const bool hub = DeviceType::isHub(record.nDevType) || entry.portStates;
  for (const char* word : {"hubStatus", "hubChange"}) {
    if (!hub && value.contains(word)) {
      refuse(value.at(word), "a hub's own word, for a root hub or hub or a device with portStates");
    }
  }
}

void to_json(OrderedJson& value, const DeviceEntry& entry) {
  const Usb_Device& record = entry.record;
  value = {
      {"type", deviceTypeJson(record.nDevType)},
      {"status", record.nDevStatus},
      {"ports", record.nNumofPorts},
      {"vendor", usbIdText(record.nidVendor)},
      {"product", usbIdText(record.nidProduct)},
      {"ignore", record.bIgnore},
  };
  for (const TextMember& member : kTextMembers) {
    const std::string& text = record.*member.field;
    // A hub's entry without it would read back with the format's port count text.
    const bool hubInfo =
        member.field == &Usb_Device::sAddlHWInfo && DeviceType::isHub(record.nDevType);
    if (!text.empty() || hubInfo) value[member.name] = text;
  }
  if (entry.portStates) {
    value["portStates"] = OrderedJson::array();
    for (const PortState& state : *entry.portStates) {
      if (auto written = writtenPortState(state, entry))
        value["portStates"].push_back(OrderedJson(*written));
    }
  }
  if (entry.nextThrows) value["nextThrows"] = thrownValueJson(*entry.nextThrows);
  if (entry.hubStatus.value_or(0) != 0) value["hubStatus"] = *entry.hubStatus;
  if (entry.hubChange.value_or(0) != 0) value["hubChange"] = *entry.hubChange;
  if (!entry.comment.empty()) value["comment"] = entry.comment;
}

void from_json(const Json& value, TopologyDocument& topology) {
  requireMembers(value, {"devices", "events", "getAllUSBDevicesFails"});
  if (!value.contains("devices")) refuse(value, "missing \"devices\", the list of devices");
  readMember(value, "getAllUSBDevicesFails", topology.getAllUSBDevicesFails, readText);
  topology.devices = value.at("devices").get<std::vector<DeviceEntry>>();
  const auto events = value.find("events");
  if (events != value.end()) topology.events = events->get<std::vector<EventEntry>>();
}

void to_json(OrderedJson& value, const TopologyDocument& topology) {
  value = OrderedJson::object();
  if (!topology.comment.empty()) value["comment"] = topology.comment;
  if (topology.getAllUSBDevicesFails) {
    value["getAllUSBDevicesFails"] = *topology.getAllUSBDevicesFails;
  }
  value["devices"] = topology.devices;
  if (!topology.events.empty()) value["events"] = topology.events;
}

std::string topologyText(const TopologyDocument& topology) {
  // Device texts are bytes, not always UTF-8: a stray byte becomes U+FFFD instead of an error.
  return OrderedJson(topology).dump(2, ' ', false, OrderedJson::error_handler_t::replace) + "\n";
}

}  // namespace Ludrel
}  // namespace KestraDiags
