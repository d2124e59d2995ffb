#include "PortReports.h"

#include <iterator>

namespace KestraDiags {
namespace HalvexHost {

namespace {

using nlohmann::ordered_json;

// "0108", or "----" where the hub's word is not at hand.
std::string wordText(const std::optional<std::uint16_t>& word) {
  return word ? hexId(*word) : "----";
}

// A flag that is set gives its word, one that is clear nothing, one not told its word and "?".
void addFlag(std::string& text, const std::optional<bool>& flag, const char* word) {
  if (flag.has_value() && !*flag) return;
  text += ' ';
  text += word;
  if (!flag) text += '?';
}

// The SuperSpeed link states by their field value.
std::string linkStateName(int state) {
  static const char* const names[] = {"U0",          "U1",        "U2",          "U3",
                                      "SS.Disabled", "Rx.Detect", "SS.Inactive", "Polling",
                                      "Recovery",    "Hot.Reset", "Compliance",  "Loopback"};
  if (state >= 0 && state < static_cast<int>(std::size(names))) return names[state];
  return state == 0xF ? "Resume" : "link" + std::to_string(state);
}

std::string flagsText(const Ludrel::PortStatus& status) {
  const Ludrel::PortFlags& flags = status.flags;
  std::string text;
  addFlag(text, flags.powered, "power");
  if (flags.linkState) text += ' ' + linkStateName(*flags.linkState);
  addFlag(text, flags.reset, "reset");
  addFlag(text, flags.overCurrent, "oc");
  // The SuperSpeed layout has no suspend bit: its link state says it.
  if (!status.superSpeed) addFlag(text, flags.suspended, "suspend");
  addFlag(text, flags.enabled, "enable");
  addFlag(text, flags.connected, "connect");
  addFlag(text, flags.overCurrentChange, "oc-change");
  return text;
}

// "over-current: now, latched, count 3": first now, past, none or unknown, then each fact the
// answer gives.
std::string overCurrentText(const std::optional<bool>& now, const std::optional<bool>& latched,
                            const std::optional<std::uint32_t>& count) {
  // By OverCurrent's order.
  static const char* const kStates[] = {"none", "past", "now", "unknown"};
  std::string text = std::string("over-current: ") +
                     kStates[static_cast<int>(overCurrentFrom(now, latched, count))];
  if (latched.value_or(false)) text += ", latched";
  if (count) text += ", count " + std::to_string(*count);
  return text;
}

std::string notAsked(const Failure& failure) { return "not asked: " + singleLine(failure.message); }

ordered_json optionalJson(const std::optional<bool>& flag) {
  return flag ? ordered_json(*flag) : ordered_json(nullptr);
}

ordered_json wordJson(const std::optional<std::uint16_t>& word) {
  return word ? ordered_json(hexId(*word)) : ordered_json(nullptr);
}

ordered_json portStatusJson(const Ludrel::PortStatus& status) {
  const Ludrel::PortFlags& flags = status.flags;
  return {{"statusWord", wordJson(status.statusWord)},
          {"changeWord", wordJson(status.changeWord)},
          {"superSpeed", status.superSpeed},
          {"connected", optionalJson(flags.connected)},
          {"enabled", optionalJson(flags.enabled)},
          {"powered", optionalJson(flags.powered)},
          {"overCurrent", optionalJson(flags.overCurrent)},
          {"overCurrentChange", optionalJson(flags.overCurrentChange)},
          {"reset", optionalJson(flags.reset)},
          {"suspended", optionalJson(flags.suspended)},
          {"linkState", flags.linkState ? ordered_json(*flags.linkState) : ordered_json(nullptr)},
          {"overCurrentCount", status.overCurrentCount ? ordered_json(*status.overCurrentCount)
                                                       : ordered_json(nullptr)}};
}

ordered_json hubStatusJson(const Ludrel::HubStatus& status) {
  return {{"statusWord", wordJson(status.statusWord)},
          {"changeWord", wordJson(status.changeWord)},
          {"localPowerLost", optionalJson(status.localPowerLost)},
          {"overCurrent", optionalJson(status.overCurrent)},
          {"overCurrentChange", optionalJson(status.overCurrentChange)}};
}

// The status, or null and the error.
template <typename T>
void addAnswer(ordered_json& object, const Result<T>& answer, ordered_json (*toJson)(const T&)) {
  object["status"] = answer.ok() ? toJson(answer.value()) : ordered_json(nullptr);
  object["error"] = answer.ok() ? ordered_json(nullptr) : errorJson(answer.failure());
}

}  // namespace

ordered_json portDeviceJson(const std::optional<PortDevice>& device) {
  if (!device) return nullptr;
  const std::optional<UsbId>& id = device->usbId;
  return {{"key", device->key},
          {"name", device->name},
          {"vendorId", id ? ordered_json(hexId(id->vendor)) : ordered_json(nullptr)},
          {"productId", id ? ordered_json(hexId(id->product)) : ordered_json(nullptr)}};
}

std::string portDeviceText(const std::optional<PortDevice>& device) {
  if (!device) return "";
  std::string text = device->usbId ? usbIdText(device->usbId) : "";
  if (!device->name.empty()) text += (text.empty() ? "" : " ") + singleLine(device->name);
  if (!device->key.empty()) {
    text += (text.empty() ? "key \"" : ", key \"") + singleLine(device->key) + "\"";
  }
  return "[" + text + "]";
}

std::string portLine(const PortAnswer& port) {
  const std::string device = portDeviceText(port.device);
  const std::string line = "Port " + std::to_string(port.port) + ": ";
  if (!port.status.ok()) {
    return line + notAsked(port.status.failure()) + (device.empty() ? "" : " " + device);
  }
  const Ludrel::PortStatus& status = port.status.value();
  return line + wordText(status.statusWord) + " " + wordText(status.changeWord) +
         flagsText(status) + (device.empty() ? "" : " " + device) + " " +
         overCurrentText(status.flags.overCurrent, status.flags.overCurrentChange,
                         status.overCurrentCount);
}

std::string hubStatusLine(const HubAnswer& hub) {
  const std::string line = "Hub status: ";
  if (!hub.status.ok()) return line + notAsked(hub.status.failure());
  const Ludrel::HubStatus& status = hub.status.value();
  std::string flags;
  addFlag(flags, status.localPowerLost, "local-power-lost");
  return line + wordText(status.statusWord) + " " + wordText(status.changeWord) + flags + " " +
         overCurrentText(status.overCurrent, status.overCurrentChange, std::nullopt);
}

void printHubPorts(const std::vector<HubAnswer>& hubs, std::ostream& out) {
  bool first = true;
  for (const HubAnswer& hub : hubs) {
    if (!first) out << '\n';
    first = false;
    out << "Hub " << singleLine(hub.location) << ": " << singleLine(hub.name) << ", "
        << singleLine(hub.devicePath) << ", " << hub.ports.size()
        << (hub.ports.size() == 1 ? " port\n" : " ports\n");
    out << "  " << hubStatusLine(hub) << '\n';
    for (const PortAnswer& port : hub.ports) out << "  " << portLine(port) << '\n';
  }
}

nlohmann::ordered_json hubPortsJson(const HubAnswer& hub) {
  ordered_json ports = ordered_json::array();
  for (const PortAnswer& port : hub.ports) {
    ordered_json entry = {{"port", port.port}, {"device", portDeviceJson(port.device)}};
    addAnswer(entry, port.status, &portStatusJson);
    ports.push_back(entry);
  }
  ordered_json document = {
      {"name", hub.name}, {"location", hub.location}, {"devicePath", hub.devicePath}};
  addAnswer(document, hub.status, &hubStatusJson);
  document["ports"] = ports;
  return document;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
