#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "HubPorts.h"
#include "ludrel/UsbEvents.h"

// What diagnose tells beyond the module's verdict of a hub: which ports are in over-current now
// and what was on them, an over-current of the hub itself, past over-currents and every port
// that could not be asked.
namespace KestraDiags {
namespace HalvexHost {

// One line each, "usb1 port 2: OVER-CURRENT now [04d9:1702 USB Keyboard, key "..."]", by port;
// a hub's own findings first. None for a hub whose answers show nothing to tell.
std::vector<std::string> findingLines(const HubAnswer& hub);

// The same as a list of objects: "port" (null for the hub itself), "finding" ("over-current",
// "past-over-current", "not-asked"), "latched", "count", "device", "error", and for the hub's
// own over-current "portPower" by port.
nlohmann::ordered_json findingsJson(const HubAnswer& hub);

// "1-2 port 3: over-current event, count 1 [04d9:1702 USB Keyboard, key "..."]": an
// over-current the system told the moment it happened, with the device that hub, the round's
// answer of the event's hub (null when the round has none), names on the port.
std::string overCurrentEventLine(const Ludrel::UsbEvent& event, const HubAnswer* hub);

// The same as an object: "hub", "port", "count" (null where the system keeps none), "device".
nlohmann::ordered_json overCurrentEventJson(const Ludrel::UsbEvent& event, const HubAnswer* hub);

}  // namespace HalvexHost
}  // namespace KestraDiags
