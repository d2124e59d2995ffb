#include "linux/DeviceNames.h"

#include <cstdio>

namespace KestraDiags {
namespace Ludrel {
namespace {

constexpr std::string_view kRootHubPrefix = "usb";
constexpr std::string_view kUsbfsDirectory = "/dev/bus/usb/";
// Bus numbers and device addresses stay far below this; it keeps the parsing free of overflow.
constexpr int kLargestNumber = 99999;

// A decimal number without sign or leading zero, taken off the front of text.
std::optional<int> takeNumber(std::string_view& text) {
  std::size_t length = 0;
  int number = 0;
  while (length < text.size() && text[length] >= '0' && text[length] <= '9') {
    number = number * 10 + (text[length] - '0');
    if (++length > 5 || number > kLargestNumber) return std::nullopt;
  }
  if (length == 0 || (length > 1 && text[0] == '0')) return std::nullopt;
  text.remove_prefix(length);
  return number;
}

bool takeChar(std::string_view& text, char c) {
  if (text.empty() || text[0] != c) return false;
  text.remove_prefix(1);
  return true;
}

// A number of exactly three digits, as usbfs names buses and addresses.
std::optional<int> takeThreeDigits(std::string_view& text) {
  if (text.size() < 3) return std::nullopt;
  int number = 0;
  for (int i = 0; i < 3; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    number = number * 10 + (text[i] - '0');
  }
  text.remove_prefix(3);
  return number;
}

}  // namespace

std::optional<DevicePlace> parseDeviceName(std::string_view name) {
  DevicePlace place;
  if (name.substr(0, kRootHubPrefix.size()) == kRootHubPrefix) {
    name.remove_prefix(kRootHubPrefix.size());
    const std::optional<int> bus = takeNumber(name);
    if (!bus || *bus == 0 || !name.empty()) return std::nullopt;
    place.bus = *bus;
    return place;
  }
  const std::optional<int> bus = takeNumber(name);
  if (!bus || *bus == 0 || !takeChar(name, '-')) return std::nullopt;
  place.bus = *bus;
  do {
    const std::optional<int> port = takeNumber(name);
    if (!port || *port == 0) return std::nullopt;
    place.ports.push_back(*port);
  } while (takeChar(name, '.'));
  if (!name.empty()) return std::nullopt;
  return place;
}

std::string deviceName(const DevicePlace& place) {
  if (place.ports.empty()) return std::string(kRootHubPrefix) + std::to_string(place.bus);
  std::string name = std::to_string(place.bus);
  char separator = '-';
  for (const int port : place.ports) {
    name += separator + std::to_string(port);
    separator = '.';
  }
  return name;
}

std::string childDeviceName(const DevicePlace& hub, int port) {
  DevicePlace child = hub;
  child.ports.push_back(port);
  return deviceName(child);
}

std::string hubInterfaceName(const std::string& hubName) {
  const std::optional<DevicePlace> place = parseDeviceName(hubName);
  const bool rootHub = place && place->ports.empty();
  return (rootHub ? std::to_string(place->bus) + "-0" : hubName) + ":1.0";
}

std::optional<std::string> deviceOfInterface(std::string_view interfaceName) {
  const std::size_t colon = interfaceName.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view device = interfaceName.substr(0, colon);
  std::string_view rest = interfaceName.substr(colon + 1);
  // After the colon: configuration "." interface number.
  if (!takeNumber(rest) || !takeChar(rest, '.') || !takeNumber(rest) || !rest.empty()) {
    return std::nullopt;
  }
  const std::size_t dash = device.find('-');
  if (dash != std::string_view::npos && device.substr(dash) == "-0") {
    std::string_view bus = device.substr(0, dash);
    const std::optional<int> number = takeNumber(bus);
    if (!number || *number == 0 || !bus.empty()) return std::nullopt;
    return std::string(kRootHubPrefix) + std::to_string(*number);
  }
  if (!parseDeviceName(device)) return std::nullopt;
  return std::string(device);
}

std::optional<int> portOfPortPath(std::string_view path) {
  constexpr std::string_view kPort = "-port";
  const std::size_t at = path.rfind(kPort);
  if (at == std::string_view::npos || path.find('/', at) != std::string_view::npos) {
    return std::nullopt;
  }
  path.remove_prefix(at + kPort.size());
  const std::optional<int> port = takeNumber(path);
  if (!port || *port == 0 || !path.empty()) return std::nullopt;
  return port;
}

std::string usbfsNodePath(int bus, int address) {
  char path[40];
  std::snprintf(path, sizeof path, "%.*s%03d/%03d", static_cast<int>(kUsbfsDirectory.size()),
                kUsbfsDirectory.data(), bus, address);
  return path;
}

std::optional<BusAddress> parseUsbfsNodePath(std::string_view path) {
  if (path.substr(0, kUsbfsDirectory.size()) != kUsbfsDirectory) return std::nullopt;
  path.remove_prefix(kUsbfsDirectory.size());
  BusAddress node;
  const std::optional<int> bus = takeThreeDigits(path);
  if (!bus || !takeChar(path, '/')) return std::nullopt;
  const std::optional<int> address = takeThreeDigits(path);
  if (!address || !path.empty() || *bus == 0 || *address == 0) return std::nullopt;
  node.bus = *bus;
  node.address = *address;
  return node;
}

}  // namespace Ludrel
}  // namespace KestraDiags
