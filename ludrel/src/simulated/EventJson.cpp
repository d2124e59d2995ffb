#include "simulated/EventJson.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

constexpr std::pair<const char*, UsbEventKind> kKindNames[] = {
    {"over-current", UsbEventKind::OverCurrent},
    {"add", UsbEventKind::DeviceAdded},
    {"remove", UsbEventKind::DeviceRemoved}};

UsbEventKind readKind(const Json& value) {
  for (const auto& [name, kind] : kKindNames) {
    if (value.is_string() && value.get_ref<const std::string&>() == name) return kind;
  }
  refuseAsNot(value, "\"over-current\", \"add\" or \"remove\"");
}

std::uint32_t readDelay(const Json& value) {
  const std::uint32_t delay = readCount(value);
  if (delay > kLongestEventDelayMs) {
    refuse(value, "out of range: " + std::to_string(delay) + " is more than " +
                      std::to_string(kLongestEventDelayMs) + " (an hour), the longest delay");
  }
  return delay;
}

// Refuses an entry without the member name, which holds what.
void requireMember(const Json& entry, const char* name, const std::string& what) {
  if (!entry.contains(name)) refuse(entry, "missing \"" + std::string(name) + "\": " + what);
}

}  // namespace

void from_json(const Json& value, EventEntry& entry) {
  requireMembers(value, {"afterMs", "kind", "hub", "port", "count", "device"});
  requireMember(value, "afterMs", "milliseconds after the event before, or after opening");
  requireMember(value, "kind", "\"over-current\", \"add\" or \"remove\"");
  entry.afterMs = readDelay(value.at("afterMs"));
  entry.kind = readKind(value.at("kind"));
  if (entry.kind == UsbEventKind::OverCurrent) {
    requireMembers(value, {"afterMs", "kind", "hub", "port", "count"});
    requireMember(value, "hub", "the location of the hub");
    requireMember(value, "port", "the hub's port, from 1");
    entry.hub = readText(value.at("hub"));
    entry.port = readInt32(value.at("port"));
    readMember(value, "count", entry.count, readCount);
  } else {
    requireMembers(value, {"afterMs", "kind", "device"});
    requireMember(value, "device", "the location of the device");
    entry.device = readText(value.at("device"));
  }
}

void to_json(OrderedJson& value, const EventEntry& entry) {
  value = {{"afterMs", entry.afterMs}};
  for (const auto& [name, kind] : kKindNames) {
    if (kind == entry.kind) value["kind"] = name;
  }
  if (entry.kind == UsbEventKind::OverCurrent) {
    value["hub"] = entry.hub;
    value["port"] = entry.port;
    if (entry.count) value["count"] = *entry.count;
  } else {
    value["device"] = entry.device;
  }
}

}  // namespace Ludrel
}  // namespace KestraDiags
