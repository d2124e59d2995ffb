#include "LsusbReport.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

// The number after "prefix" in the line.
int numberAfter(const std::string& line, const std::string& prefix) {
  const std::size_t at = line.find(prefix);
  if (at == std::string::npos) throw std::runtime_error("no \"" + prefix + "\" in: " + line);
  return std::stoi(line.substr(at + prefix.size()));
}

std::string nodeOf(int bus, int address) {
  char path[32];
  std::snprintf(path, sizeof path, "/dev/bus/usb/%03d/%03d", bus, address);
  return path;
}

// Both trees put a root on a line starting "/:" and each device below it on a line indented
// four characters a level with "|__ Port N: ". A device's further lines (lsusb -t shows one per
// interface) place it again, where it already is.
template <typename Locate>
Tree parseTree(const std::string& text, Locate locationOf) {
  Tree tree;
  std::vector<std::string> path;  // the devices above the line
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    const bool root = line.rfind("/:", 0) == 0;
    const std::size_t level = root ? 0 : line.find_first_not_of(' ') / 4;
    if (!root && (level == 0 || level > path.size())) {
      throw std::runtime_error("misplaced line: " + line);
    }
    path.resize(level);
    const TreePlace place{root ? "" : path.back(), root ? 0 : numberAfter(line, "|__ Port ")};
    const std::string location = locationOf(line, place);
    tree[location] = place;
    path.push_back(location);
  }
  return tree;
}

}  // namespace

std::string locationOnPort(const std::string& hubLocation, int port) {
  if (hubLocation.rfind("usb", 0) == 0) return hubLocation.substr(3) + "-" + std::to_string(port);
  return hubLocation + "." + std::to_string(port);
}

std::map<std::string, std::string> parseLsusb(const std::string& text) {
  // "Bus 001 Device 002: ID 05e3:0610 GenesysLogic USB2.0 Hub"
  std::map<std::string, std::string> ids;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    int bus = 0;
    int address = 0;
    char id[10] = {};
    if (std::sscanf(line.c_str(), "Bus %d Device %d: ID %9s", &bus, &address, id) != 3) {
      throw std::runtime_error("not an lsusb line: " + line);
    }
    ids[nodeOf(bus, address)] = id;
  }
  return ids;
}

LsusbTree parseLsusbTree(const std::string& text) {
  // "/:  Bus 01.Port 1: Dev 1, Class=root_hub, ..." then, per interface,
  // "    |__ Port 1: Dev 2, If 0, Class=, Driver=hub/4p, 480M".
  LsusbTree tree;
  int bus = 0;
  tree.places = parseTree(text, [&](const std::string& line, const TreePlace& place) {
    if (place.parent.empty()) bus = numberAfter(line, "Bus ");
    const std::string location = place.parent.empty() ? "usb" + std::to_string(bus)
                                                      : locationOnPort(place.parent, place.port);
    tree.nodes[location] = nodeOf(bus, numberAfter(line, "Dev "));
    return location;
  });
  return tree;
}

Tree parseHostTree(const std::string& text) {
  // "/:  NAME, Class=..., Location=usb1", "    |__ Port 1: NAME, ..., Location=1-1[, Status=...]"
  // and "        |__ Port 3: busy, Key=0781:5567 Cruzer Blade (1-1.3)".
  return parseTree(text, [](const std::string& line, const TreePlace&) {
    const std::size_t at = line.find(", Location=");
    if (at != std::string::npos) return line.substr(at + 11, line.find(',', at + 11) - at - 11);
    if (line.find(": busy, Key=") == std::string::npos || line.back() != ')') {
      throw std::runtime_error("no location in: " + line);
    }
    const std::size_t open = line.rfind('(');
    return line.substr(open + 1, line.size() - open - 2);
  });
}
