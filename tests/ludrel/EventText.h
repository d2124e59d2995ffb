#pragma once

#include <string>

#include "ludrel/UsbEvents.h"

// An event as one line: what happened, to which device path and location, and for an
// over-current the port and the count where there is one.
inline std::string eventText(const KestraDiags::Ludrel::UsbEvent& event) {
  using KestraDiags::Ludrel::UsbEventKind;
  const char* what = event.kind == UsbEventKind::OverCurrent   ? "over-current"
                     : event.kind == UsbEventKind::DeviceAdded ? "added"
                                                               : "removed";
  std::string text = std::string(what) + " " + event.devicePath + " at " + event.location;
  if (event.kind == UsbEventKind::OverCurrent) text += " port " + std::to_string(event.port);
  if (event.overCurrentCount) text += " count " + std::to_string(*event.overCurrentCount);
  return text;
}
