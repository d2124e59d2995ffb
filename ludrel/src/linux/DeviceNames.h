#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace KestraDiags {
namespace Ludrel {

// Where a USB device sits: its bus, and the ports from the root hub down to it. The kernel
// names a root hub "usbB" (no ports) and any other device "B-P1.P2...": "2-1.4" is on port 4
// of the hub on port 1 of bus 2's root hub.
struct DevicePlace {
  int bus = 0;
  std::vector<int> ports;
};

inline bool operator<(const DevicePlace& a, const DevicePlace& b) {
  return a.bus != b.bus ? a.bus < b.bus : a.ports < b.ports;
}

// Nothing for an interface ("1-1:1.0") or any other name that is not a device's.
std::optional<DevicePlace> parseDeviceName(std::string_view name);
std::string deviceName(const DevicePlace& place);

// The device on a port of the hub called hubName: ("usb1", 3) is "1-3", ("1-1", 4) "1-1.4".
std::string childDeviceName(const DevicePlace& hub, int port);

// The device an interface belongs to: "1-1.4:1.0" is "1-1.4"; a root hub's interfaces are
// "B-0:C.I", so "2-0:1.0" is "usb2". Nothing for a name that is not an interface's.
std::optional<std::string> deviceOfInterface(std::string_view interfaceName);

// The interface the hub driver binds of the hub called hubName, under which the kernel lists
// its ports: "usb2" is "2-0:1.0", "1-1" is "1-1:1.0". Hubs have one configuration, with one
// interface.
std::string hubInterfaceName(const std::string& hubName);

// The port number of a hub port's sysfs path, which ends in "<hub>-port<N>":
// ".../1-2:1.0/1-2-port3" is 3. Nothing for any other path.
std::optional<int> portOfPortPath(std::string_view path);

// The usbfs node of a device: bus 1, address 2 is "/dev/bus/usb/001/002".
std::string usbfsNodePath(int bus, int address);

// Bus and address from a usbfs node path; nothing for any other path.
struct BusAddress {
  int bus = 0;
  int address = 0;
};
std::optional<BusAddress> parseUsbfsNodePath(std::string_view path);

}  // namespace Ludrel
}  // namespace KestraDiags
