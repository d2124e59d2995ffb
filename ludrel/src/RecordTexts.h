#pragma once

#include <cstdio>
#include <string>

namespace KestraDiags {
namespace Ludrel {

// Texts of a record that read the same whatever backend fills it.
namespace RecordTexts {

// "USB Device 046d:c31c": what names a device that has no name of its own.
inline std::string fallbackName(int vendor, int product) {
  char text[40];
  std::snprintf(text, sizeof text, "USB Device %04x:%04x", vendor, product);
  return text;
}

// "1.10" from the device's bcdDevice 0x0110.
inline std::string firmwareRevision(int bcdDevice) {
  char text[24];
  std::snprintf(text, sizeof text, "%x.%02x", bcdDevice >> 8, bcdDevice & 0xFF);
  return text;
}

// A hub's sAddlHWInfo, from which its users read the port count: "Number of Ports:4|".
inline std::string portCountInfo(int ports) {
  return "Number of Ports:" + std::to_string(ports) + "|";
}

}  // namespace RecordTexts
}  // namespace Ludrel
}  // namespace KestraDiags
