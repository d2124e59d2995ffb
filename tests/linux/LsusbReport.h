#pragma once

#include <map>
#include <string>

// What lsusb and lsusb -t report, and what halvex-host list --tree shows, in one comparable
// form. Locations are the kernel's device names ("usb1", "1-1.4"), worked out here from bus and
// port numbers on their own.

// A device's place in a tree: the device above it and the port it is on (0 for a root).
struct TreePlace {
  std::string parent;  // empty for a root
  int port = 0;
  bool operator==(const TreePlace& other) const {
    return parent == other.parent && port == other.port;
  }
};
using Tree = std::map<std::string, TreePlace>;  // by location

// lsusb: the ID of each device by its node, {"/dev/bus/usb/001/002", "05e3:0610"}.
std::map<std::string, std::string> parseLsusb(const std::string& text);

// lsusb -t lists interfaces, so a device without any (unconfigured, deauthorized) is missing.
struct LsusbTree {
  Tree places;
  std::map<std::string, std::string> nodes;  // by location
};
LsusbTree parseLsusbTree(const std::string& text);

// halvex-host list --tree; a busy port whose device is not shown counts as that device, its
// location taken from the key text's "(location)".
Tree parseHostTree(const std::string& text);

// The device on a port of a hub: ("usb1", 3) is "1-3", ("1-1", 4) is "1-1.4".
std::string locationOnPort(const std::string& hubLocation, int port);
