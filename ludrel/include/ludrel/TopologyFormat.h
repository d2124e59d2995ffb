#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ludrel/LudrelExport.h"
#include "ludrel/UsbEvents.h"
#include "ludrel/Usb_Device.h"

// The records of a topology file, which the simulated backend reads and programs that record a
// machine write (docs/topology-format.md).
namespace KestraDiags {
namespace Ludrel {

// A value that a simulated operation throws instead of answering; its type is the one thrown.
using ThrownValue = std::variant<std::string, unsigned long, int>;

// What a hub reports for one of its ports.
struct PortState {
  int port = 0;                    // from 1
  std::optional<std::string> key;  // set exactly when a device is on the port
  std::optional<int> overCurrent;  // unset: 0 with a key, -1 without
  std::optional<ThrownValue> isPortBusyThrows;
  std::optional<ThrownValue> checkforOCStateThrows;
  std::optional<std::string> checkforOCStateFails;  // the message of a failed port query
  // The hub's words for the port; unset, what key and overCurrent imply.
  std::optional<std::uint16_t> portStatus;
  std::optional<std::uint16_t> portChange;
  std::optional<std::uint32_t> overCurrentCount;  // unset: the system keeps no count
};

// One entry of the "devices" list.
struct DeviceEntry {
  Usb_Device record;
  std::optional<std::vector<PortState>> portStates;  // when the entry describes its ports
  std::optional<ThrownValue> nextThrows;
  // A hub's words of itself; unset, 0.
  std::optional<std::uint16_t> hubStatus;
  std::optional<std::uint16_t> hubChange;
  std::string comment;  // not read back
};

// One entry of the "events" list: a notification the simulated event source hands out, which
// changes nothing the other calls answer.
struct EventEntry {
  std::uint32_t afterMs = 0;  // after the entry before it, or after the source is opened
  UsbEventKind kind = UsbEventKind::OverCurrent;
  std::string hub;  // over-current: the hub's location, and its port
  int port = 0;
  std::optional<std::uint32_t> count;
  std::string device;  // added or removed: the device's location
};

struct TopologyDocument {
  std::vector<DeviceEntry> devices;
  std::vector<EventEntry> events;
  std::optional<std::string> getAllUSBDevicesFails;  // the message of a forced failure
  std::string comment;                               // not read back
};

// The text of the topology file that holds topology, two spaces an indent, ending in a newline.
// Texts that are not UTF-8 have their stray bytes replaced by U+FFFD. What the reader would
// take without being told is left out: status words equal to those a port's other members
// imply, hub words of 0, and port states that say no more than an unlisted port.
LUDREL_API std::string topologyText(const TopologyDocument& topology);

}  // namespace Ludrel
}  // namespace KestraDiags
