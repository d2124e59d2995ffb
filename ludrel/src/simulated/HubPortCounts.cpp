#include "simulated/HubPortCounts.h"

#include <climits>
#include <cstdlib>

#include "HubLimits.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

constexpr const char kLabel[] = "Number of Ports:";

// The count as the hub information's users read it: the number after the label up to the next
// '|' or, without the label, the number the text starts with, up to its first '|'; blanks, a
// sign and digits, as atoi takes them, but never cut to an int (strtoll stops at its limits).
long long statedPortCount(const std::string& info) {
  const std::string::size_type label = info.find(kLabel);
  const std::string::size_type start = label == std::string::npos ? 0 : label + sizeof kLabel - 1;
  const std::string::size_type bar = info.find('|', label == std::string::npos ? 0 : label + 1);
  const std::string count =
      info.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
  return std::strtoll(count.c_str(), nullptr, 10);
}

}  // namespace

void requirePossiblePortCounts(const Usb_Device& hub, const Json& entry) {
  const std::string most = std::to_string(HubLimits::kMostPorts);
  if (hub.nNumofPorts > HubLimits::kMostPorts) {
    refuse(entry.at("ports"), "out of range: " + std::to_string(hub.nNumofPorts) +
                                  " is more than " + most + ", the most ports a hub can have");
  }
  // A count below an int's range wraps when cut to one, to as many as INT_MAX ports.
  const long long stated = statedPortCount(hub.sAddlHWInfo);
  if (stated > HubLimits::kMostPorts || stated < INT_MIN) {
    refuse(entry.at("addlHWInfo"), "out of range: the port count it gives is not between " +
                                       std::to_string(INT_MIN) + " and " + most +
                                       ", the most ports a hub can have");
  }
}

void requirePortOfHub(const Json& place, int port, std::int32_t portCount) {
  if (port < 1 || port > portCount) {
    refuse(place, "out of range: port " + std::to_string(port) +
                      " is not between 1 and the hub's " + std::to_string(portCount) + " ports");
  }
}

}  // namespace Ludrel
}  // namespace KestraDiags
