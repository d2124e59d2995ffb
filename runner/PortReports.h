#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "HubPorts.h"

// The hubs' and ports' answers for a person and for machines, in the manner of the per-port hub
// tools: one hub a block, one port a line.
namespace KestraDiags {
namespace HalvexHost {

// "Port 2: 0108 0008 power oc connect [04d9:1702 USB Keyboard, key "..."] over-current: now",
// or "Port 2: not asked: " and the library's message.
std::string portLine(const PortAnswer& port);

// "Hub status: 0002 0000 over-current: now", or "Hub status: not asked: " and the message.
std::string hubStatusLine(const HubAnswer& hub);

// "[04d9:1702 USB Keyboard, key "04d9:1702 USB Keyboard"]"; empty for a free port.
std::string portDeviceText(const std::optional<PortDevice>& device);

// Each hub: a line naming it, its status line, then one line per port; a blank line between
// hubs.
void printHubPorts(const std::vector<HubAnswer>& hubs, std::ostream& out);

nlohmann::ordered_json hubPortsJson(const HubAnswer& hub);

// {"key", "name", "vendorId", "productId"}, or null for a free port.
nlohmann::ordered_json portDeviceJson(const std::optional<PortDevice>& device);

}  // namespace HalvexHost
}  // namespace KestraDiags
