#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ludrel/HubStatus.h"
#include "ludrel/Usb_Device.h"

namespace KestraDiags {
namespace HalvexHost {

// One port of a hub, as the USB library answered for it.
struct PortSnapshot {
  int port = 0;
  std::optional<std::string> key;            // set when a device is on the port
  std::optional<int> overCurrent;            // nothing when the hub could not be asked
  std::optional<Ludrel::PortStatus> status;  // nothing when the hub could not be asked
  std::optional<std::string> statusFailure;  // why the hub could not be asked about the port
};

// A record of the USB library and, for a hub, its ports.
struct DeviceSnapshot {
  Usb_Device record;
  bool isQueriedHub = false;  // its ports were asked about
  std::vector<PortSnapshot> ports;
  std::optional<Ludrel::HubStatus> hubStatus;  // of a hub that answered for itself
  std::string portFailure;  // why some port of the hub could not be asked, if one could not
};

// The devices as the text of a topology file of the USB library's simulated backend, which
// --topology replays: every field the module reads, and the hubs' port keys and over-current
// states, status words and over-current counts. Each device's comment keeps what the format has
// no member for (bus, address, USB version, driver).
std::string topologyText(const std::vector<DeviceSnapshot>& devices, const std::string& comment);

}  // namespace HalvexHost
}  // namespace KestraDiags
