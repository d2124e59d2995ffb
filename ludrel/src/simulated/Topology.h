#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ludrel/TopologyFormat.h"
#include "ludrel/UsbEvents.h"

namespace KestraDiags {
namespace Ludrel {

[[noreturn]] void throwValue(const ThrownValue& value);

// A hub whose ports the library can be asked about.
struct SimulatedHub {
  std::vector<PortState> ports;  // the ports the file describes
  std::int32_t portCount = 0;
  bool superSpeed = false;   // its port words are in the SuperSpeed layout
  std::uint16_t status = 0;  // wHubStatus
  std::uint16_t change = 0;  // wHubChange
};

// An event of the "events" list, as the simulated event source hands it out.
struct ScheduledEvent {
  std::chrono::milliseconds after{0};  // after the event before it, or after the source opens
  UsbEvent event;                      // its time is set when it is handed out
};

// A simulated machine, as read from a topology file.
struct Topology {
  std::vector<Usb_Device> devices;                           // in the order Next hands them out
  std::map<std::size_t, ThrownValue> nextThrows;             // by index into devices
  std::unordered_map<std::string, SimulatedHub> hubsByPath;  // by the hub's devicePath
  std::optional<std::string> getAllUSBDevicesFails;          // the message of a forced failure
  std::vector<ScheduledEvent> events;                        // in the order they fall due
};

}  // namespace Ludrel
}  // namespace KestraDiags
