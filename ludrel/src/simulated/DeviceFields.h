#pragma once

#include <optional>
#include <string>

#include "simulated/JsonValues.h"
#include "simulated/Topology.h"

namespace KestraDiags {
namespace Ludrel {

// One entry of a topology's "devices" list.
struct DeviceEntry {
  Usb_Device record;
  std::optional<HubPorts> ports;  // when the entry describes its ports
  std::optional<ThrownValue> nextThrows;
};

// Reads the entry at place; throws a FormatError for a value of the wrong shape.
DeviceEntry readDeviceEntry(const Json& value, const std::string& place);

}  // namespace Ludrel
}  // namespace KestraDiags
