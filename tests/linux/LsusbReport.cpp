#include "LsusbReport.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// The tree level of a line: four characters of indent per level below a root.
std::size_t levelOf(const std::string& line) { return line.find_first_not_of(' ') / 4; }

// The number after "prefix" in the line.
int numberAfter(const std::string& line, const std::string& prefix) {
  const std::size_t at = line.find(prefix);
  if (at == std::string::npos) throw std::runtime_error("no \"" + prefix + "\" in: " + line);
  return std::stoi(line.substr(at + prefix.size()));
}

// The device a level up from a line at the given level: the last one seen there.
const std::string& parentAt(const std::vector<std::string>& path, std::size_t level,
                            const std::string& line) {
  if (level == 0 || level > path.size()) throw std::runtime_error("misplaced line: " + line);
  return path[level - 1];
}

void place(Tree& tree, std::vector<std::string>& path, std::size_t level,
           const std::string& location, int port) {
  path.resize(level);
  tree[location] = TreePlace{path.back(), port};
  path.push_back(location);
}

}  // namespace

std::string locationOnPort(const std::string& hubLocation, int port) {
  if (hubLocation.rfind("usb", 0) == 0) return hubLocation.substr(3) + "-" + std::to_string(port);
  return hubLocation + "." + std::to_string(port);
}

int busOf(const std::string& location) {
  return std::stoi(location.rfind("usb", 0) == 0 ? location.substr(3) : location);
}

std::vector<LsusbDevice> parseLsusb(const std::string& text) {
  std::vector<LsusbDevice> devices;
  for (const std::string& line : linesOf(text)) {
    LsusbDevice device;
    char id[10] = {};
    if (std::sscanf(line.c_str(), "Bus %d Device %d: ID %9s", &device.bus, &device.address, id) !=
        3) {
      throw std::runtime_error("not an lsusb line: " + line);
    }
    device.id = id;
    devices.push_back(device);
  }
  return devices;
}

LsusbTree parseLsusbTree(const std::string& text) {
  // "/:  Bus 01.Port 1: Dev 1, Class=root_hub, ..." then, per interface,
  // "    |__ Port 1: Dev 2, If 0, Class=, Driver=hub/4p, 480M".
  LsusbTree tree;
  std::vector<std::string> path;
  for (const std::string& line : linesOf(text)) {
    if (line.rfind("/:", 0) == 0) {
      const int bus = numberAfter(line, "Bus ");
      const std::string root = "usb" + std::to_string(bus);
      tree.places[root] = TreePlace{};
      tree.locationsByAddress[{bus, numberAfter(line, "Dev ")}] = root;
      path = {root};
      continue;
    }
    const std::size_t level = levelOf(line);
    const int port = numberAfter(line, "|__ Port ");
    const std::string location = locationOnPort(parentAt(path, level, line), port);
    // The lines of a device's further interfaces repeat it.
    if (path.size() > level && path[level] == location) continue;
    place(tree.places, path, level, location, port);
    tree.locationsByAddress[{busOf(location), numberAfter(line, "Dev ")}] = location;
  }
  return tree;
}

Tree parseHostTree(const std::string& text) {
  // "/:  NAME, Class=..., Location=usb1", "    |__ Port 1: NAME, ..., Location=1-1[, Status=...]"
  // and "        |__ Port 3: busy, Key=0781:5567 Cruzer Blade (1-1.3)".
  Tree tree;
  std::vector<std::string> path;
  for (const std::string& line : linesOf(text)) {
    std::string location;
    const std::size_t locationAt = line.find(", Location=");
    if (locationAt != std::string::npos) {
      location = line.substr(locationAt + 11);
      location = location.substr(0, location.find(','));
    } else if (line.find(": busy, Key=") != std::string::npos && line.back() == ')') {
      location = line.substr(line.rfind('(') + 1);
      location.pop_back();
    } else {
      throw std::runtime_error("no location in: " + line);
    }
    if (line.rfind("/:", 0) == 0) {
      tree[location] = TreePlace{};
      path = {location};
      continue;
    }
    const std::size_t portAt = line.find("|__ Port ");
    const int port = portAt == std::string::npos ? 0 : std::stoi(line.substr(portAt + 9));
    const std::size_t level = levelOf(line);
    parentAt(path, level, line);
    place(tree, path, level, location, port);
  }
  return tree;
}
