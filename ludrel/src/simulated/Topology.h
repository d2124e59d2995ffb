#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "ludrel/Usb_Device.h"

namespace KestraDiags {
namespace Ludrel {

// A value that a simulated operation throws instead of answering; its type is the one thrown.
using ThrownValue = std::variant<std::string, unsigned long, int>;

[[noreturn]] void throwValue(const ThrownValue& value);

// What a hub reports for one of its ports.
struct PortState {
  std::optional<std::string> key;  // set exactly when a device is on the port
  int overCurrent = -1;
  std::optional<ThrownValue> isPortBusyThrows;
  std::optional<ThrownValue> checkforOCStateThrows;
  std::optional<std::string> checkforOCStateFails;  // the message of a failed port query
};

using HubPorts = std::map<int, PortState>;

// A simulated machine, as read from a topology file.
struct Topology {
  std::vector<Usb_Device> devices;                       // in the order Next hands them out
  std::map<std::size_t, ThrownValue> nextThrows;         // by index into devices
  std::unordered_map<std::string, HubPorts> hubsByPath;  // by the hub's devicePath
  std::optional<std::string> getAllUSBDevicesFails;      // the message of a forced failure
};

}  // namespace Ludrel
}  // namespace KestraDiags
