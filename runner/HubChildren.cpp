#include "HubChildren.h"

#include <cctype>
#include <string>

namespace KestraDiags {
namespace HalvexHost {

namespace {

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool containsIgnoringCase(const std::string& text, const std::string& part) {
  return !part.empty() && lowerCase(text).find(lowerCase(part)) != std::string::npos;
}

// A bus location such as "1-2.4" ends with the port on the parent hub.
std::optional<int> portInLocation(const std::string& location) {
  const std::string::size_type separator = location.find_last_of("-.");
  if (separator == std::string::npos || separator + 1 == location.size()) return std::nullopt;
  const std::string digits = location.substr(separator + 1);
  if (digits.size() > 3) return std::nullopt;
  for (const char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  return std::stoi(digits);
}

}  // namespace

bool isChildOf(const DeviceRecord& child, const DeviceRecord& parent) {
  return &child != &parent && !child.parentLocation.empty() &&
         child.parentLocation == parent.location;
}

std::optional<int> portOnParent(const DeviceRecord& child, const DeviceRecord& parent,
                                const std::set<int>& claimedPorts) {
  if (std::optional<int> port = portInLocation(child.location)) {
    if (claimedPorts.count(*port) == 0) return port;
  }
  for (const std::string* identity : {&child.serialNumber, &child.location, &child.name}) {
    for (const auto& [port, key] : parent.portKeys) {
      if (claimedPorts.count(port) == 0 && containsIgnoringCase(key, *identity)) return port;
    }
  }
  return std::nullopt;
}

std::map<int, const DeviceRecord*> childrenByPort(const DeviceRecord& hub,
                                                  const std::vector<DeviceRecord>& devices) {
  std::map<int, const DeviceRecord*> children;
  std::set<int> claimed;
  for (const DeviceRecord& device : devices) {
    if (!isChildOf(device, hub)) continue;
    if (std::optional<int> port = portOnParent(device, hub, claimed)) {
      claimed.insert(*port);
      children.emplace(*port, &device);
    }
  }
  return children;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
