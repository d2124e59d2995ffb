#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "ludrel/HubStatus.h"
#include "ludrel/USBDeviceFinder.h"

namespace statusText {

using namespace KestraDiags::Ludrel;

inline std::string hex(std::uint16_t word) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", word);
  return text;
}

// The name of each fact that is true, "?name" for each the system does not tell.
inline std::string facts(std::initializer_list<std::pair<const char*, std::optional<bool>>> named) {
  std::string text;
  for (const auto& [name, fact] : named) {
    if (!fact) text += std::string(" ?") + name;
    if (fact.value_or(false)) text += std::string(" ") + name;
  }
  return text;
}

inline std::string ofPort(const PortFlags& f) {
  return facts({{"connected", f.connected},
                {"enabled", f.enabled},
                {"powered", f.powered},
                {"overCurrent", f.overCurrent},
                {"overCurrentChange", f.overCurrentChange},
                {"reset", f.reset},
                {"suspended", f.suspended}}) +
         (f.linkState ? " link " + std::to_string(*f.linkState) : "");
}

// After a hub's or a port's words: the layout, the flags and the count.
inline std::string flags(const PortStatus& port) {
  return (port.superSpeed ? " SuperSpeed:" : ":") + ofPort(port.flags) +
         (port.overCurrentCount ? ", count " + std::to_string(*port.overCurrentCount) : "");
}
inline std::string flags(const HubStatus& h) {
  return ":" + facts({{"localPowerLost", h.localPowerLost},
                      {"overCurrent", h.overCurrent},
                      {"overCurrentChange", h.overCurrentChange}});
}

// What a hub answered for itself or a port: its words and flags, or its failure.
template <typename T>
std::string ofAnswer(const Result<T>& answer) {
  if (!answer.ok()) return answer.failure().name + ": " + answer.failure().message;
  const T& status = answer.value();
  return (status.statusWord ? hex(*status.statusWord) + "/" + hex(*status.changeWord)
                            : "no words") +
         flags(status);
}

// What the status reader answers for every hub of the machine that LUDREL_TOPOLOGY names, and
// for each of its ports, a line each.
inline std::string ofMachine() {
  USBDeviceFinder finder(nullptr);
  HubStatusReader reader;
  std::string text;
  Usb_Device* next = nullptr;
  for (finder.getAllUSBDevices(); finder.Next(&next); delete next) {
    const std::string& hub = next->sDevDescriptor;
    if (hub.empty()) continue;
    text += next->sLocation + ": " + ofAnswer(reader.hubStatus(hub)) + "\n";
    for (int port = 1; port <= next->nNumofPorts; ++port) {
      text += "  " + std::to_string(port) + ": " + ofAnswer(reader.portStatus(hub, port)) + "\n";
    }
  }
  return text;
}

}  // namespace statusText
