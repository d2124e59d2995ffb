#include "simulated/EventSchedule.h"

#include <algorithm>

#include "ludrel/RecordNumbers.h"
#include "simulated/HubPortCounts.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

// The first record at location that fits, or null.
template <typename Fits>
const Usb_Device* recordAt(const std::vector<Usb_Device>& devices, const std::string& location,
                           Fits fits) {
  const auto found = std::find_if(devices.begin(), devices.end(), [&](const Usb_Device& record) {
    return !location.empty() && record.sLocation == location && fits(record);
  });
  return found == devices.end() ? nullptr : &*found;
}

UsbEvent overCurrentEvent(const EventEntry& entry, const std::vector<Usb_Device>& devices,
                          const Json& place) {
  const Usb_Device* hub = recordAt(devices, entry.hub, [](const Usb_Device& record) {
    return DeviceType::isHub(record.nDevType);
  });
  if (hub == nullptr) {
    refuse(place.at("hub"),
           "no root hub or hub of the file has the location \"" + entry.hub + "\"");
  }
  requirePortOfHub(place.at("port"), entry.port, hub->nNumofPorts);
  UsbEvent event;
  event.devicePath = hub->sDevDescriptor;
  event.location = hub->sLocation;
  event.port = entry.port;
  event.overCurrentCount = entry.count;
  return event;
}

UsbEvent deviceEvent(const EventEntry& entry, const std::vector<Usb_Device>& devices,
                     const Json& place) {
  const Usb_Device* device =
      recordAt(devices, entry.device, [](const Usb_Device&) { return true; });
  if (device == nullptr) {
    refuse(place.at("device"), "no device of the file has the location \"" + entry.device + "\"");
  }
  UsbEvent event;
  event.kind = entry.kind;
  event.devicePath = device->sDevDescriptor;
  event.location = device->sLocation;
  return event;
}

}  // namespace

std::vector<ScheduledEvent> scheduleEvents(const std::vector<EventEntry>& entries,
                                           const std::vector<Usb_Device>& devices,
                                           const Json& document) {
  std::vector<ScheduledEvent> events;
  events.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const EventEntry& entry = entries[i];
    const Json& place = document.at("events")[i];
    ScheduledEvent scheduled;
    scheduled.after = std::chrono::milliseconds(entry.afterMs);
    scheduled.event = entry.kind == UsbEventKind::OverCurrent
                          ? overCurrentEvent(entry, devices, place)
                          : deviceEvent(entry, devices, place);
    events.push_back(std::move(scheduled));
  }
  return events;
}

}  // namespace Ludrel
}  // namespace KestraDiags
