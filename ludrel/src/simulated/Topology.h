#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ludrel/TopologyFormat.h"

namespace KestraDiags {
namespace Ludrel {

[[noreturn]] void throwValue(const ThrownValue& value);

// A simulated machine, as read from a topology file.
struct Topology {
  std::vector<Usb_Device> devices;                // in the order Next hands them out
  std::map<std::size_t, ThrownValue> nextThrows;  // by index into devices
  std::unordered_map<std::string, std::vector<PortState>> hubsByPath;  // by the hub's devicePath
  std::optional<std::string> getAllUSBDevicesFails;  // the message of a forced failure
};

}  // namespace Ludrel
}  // namespace KestraDiags
