#include "simulated/DeviceFields.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "ludrel/RecordNumbers.h"
#include "RecordTexts.h"
#include "simulated/HubPortCounts.h"

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
    {"instanceId", &Usb_Device::sDevInstanceId},
};

struct TypeName {
  const char* name;
  std::int32_t number;
};

constexpr TypeName kTypeNames[] = {{"host-controller", DeviceType::kHostController},
                                   {"root-hub", DeviceType::kRootHub},
                                   {"hub", DeviceType::kExternalHub},
                                   {"device", DeviceType::kOtherDevice}};

std::int32_t readType(const Json& value, const std::string& place) {
  if (value.is_number()) return readInt32(value, place);
  if (value.is_string()) {
    for (const TypeName& type : kTypeNames) {
      if (value.get_ref<const std::string&>() == type.name) return type.number;
    }
  }
  throwExpected(place, "\"host-controller\", \"root-hub\", \"hub\", \"device\" or a type number",
                value);
}

const std::vector<const char*>& deviceMembers() {
  static const std::vector<const char*> members = [] {
    std::vector<const char*> names = {"type", "status", "ports", "vendor", "product", "ignore"};
    for (const TextMember& member : kTextMembers) names.push_back(member.name);
    names.insert(names.end(), {"portStates", "nextThrows", "comment"});
    return names;
  }();
  return members;
}

// The port number of a "portStates" entry and what the port reports.
std::pair<int, PortState> readPortState(const Json& value, const std::string& place,
                                        std::int32_t portCount) {
  requireObject(value, place,
                {"port", "key", "overCurrent", "isPortBusyThrows", "checkforOCStateThrows",
                 "checkforOCStateFails", "comment"});
  const std::string portPlace = memberPlace(place, "port");
  if (!value.contains("port")) throw FormatError{portPlace, "missing: say which port, from 1"};
  const int port = readInt32(value["port"], portPlace);
  if (port < 1 || port > portCount) {
    throw FormatError{portPlace, "out of range: port " + std::to_string(port) +
                                     " is not between 1 and the hub's " +
                                     std::to_string(portCount) + " ports"};
  }
  PortState state;
  if (value.contains("key")) state.key = readText(value["key"], memberPlace(place, "key"));
  state.overCurrent = state.key ? 0 : -1;
  if (value.contains("overCurrent")) {
    state.overCurrent = readInt32(value["overCurrent"], memberPlace(place, "overCurrent"));
  }
  if (value.contains("isPortBusyThrows")) {
    state.isPortBusyThrows =
        readThrownValue(value["isPortBusyThrows"], memberPlace(place, "isPortBusyThrows"));
  }
  if (value.contains("checkforOCStateThrows")) {
    state.checkforOCStateThrows = readThrownValue(value["checkforOCStateThrows"],
                                                  memberPlace(place, "checkforOCStateThrows"));
  }
  if (value.contains("checkforOCStateFails")) {
    state.checkforOCStateFails =
        readText(value["checkforOCStateFails"], memberPlace(place, "checkforOCStateFails"));
  }
  return {port, std::move(state)};
}

HubPorts readPortStates(const Json& value, const std::string& place, std::int32_t portCount) {
  HubPorts ports;
  const Json::array_t& list = readList(value, place);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string statePlace = elementPlace(place, i);
    std::pair<int, PortState> portState = readPortState(list[i], statePlace, portCount);
    const int port = portState.first;
    if (!ports.insert(std::move(portState)).second) {
      throw FormatError{memberPlace(statePlace, "port"),
                        "port " + std::to_string(port) + " is described twice"};
    }
  }
  return ports;
}

}  // namespace

DeviceEntry readDeviceEntry(const Json& value, const std::string& place) {
  requireObject(value, place, deviceMembers());
  DeviceEntry entry;
  Usb_Device& record = entry.record;
  record.nDevType = DeviceType::kOtherDevice;
  if (value.contains("type")) {
    record.nDevType = readType(value["type"], memberPlace(place, "type"));
  }
  if (value.contains("status")) {
    record.nDevStatus = readInt32(value["status"], memberPlace(place, "status"));
  }
  if (value.contains("ports")) {
    record.nNumofPorts = readInt32(value["ports"], memberPlace(place, "ports"));
  }
  if (value.contains("vendor")) {
    record.nidVendor = readUsbId(value["vendor"], memberPlace(place, "vendor"));
  }
  if (value.contains("product")) {
    record.nidProduct = readUsbId(value["product"], memberPlace(place, "product"));
  }
  if (value.contains("ignore")) {
    record.bIgnore = readBool(value["ignore"], memberPlace(place, "ignore"));
  }
  for (const TextMember& member : kTextMembers) {
    if (value.contains(member.name)) {
      record.*member.field = readText(value[member.name], memberPlace(place, member.name));
    }
  }
  if (DeviceType::isHub(record.nDevType)) {
    if (!value.contains("addlHWInfo")) {
      record.sAddlHWInfo = RecordTexts::portCountInfo(record.nNumofPorts);
    }
    requirePossiblePortCounts(record, place);
  }
  if (value.contains("portStates")) {
    entry.ports =
        readPortStates(value["portStates"], memberPlace(place, "portStates"), record.nNumofPorts);
  }
  if (value.contains("nextThrows")) {
    entry.nextThrows = readThrownValue(value["nextThrows"], memberPlace(place, "nextThrows"));
  }
  return entry;
}

}  // namespace Ludrel
}  // namespace KestraDiags
