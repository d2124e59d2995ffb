#pragma once

#include <nlohmann/json.hpp>
#include <string>

// Builds simulated topology files for the USB library.
using Json = nlohmann::json;

inline Json rootHub(const std::string& devicePath, int ports, int status = 0) {
  Json record = Json::parse(R"({"type": "root-hub", "vendor": "0x1D6B", "product": "0x0002",
      "name": "Root Hub Name", "description": "Root Hub", "location": "usb1",
      "parentLocation": "0000:00:14.0", "firmware": "6.01",
      "instanceId": "USB\\VID_1D6B&PID_0002\\0000:00:14.0"})");
  record.update({{"devicePath", devicePath}, {"ports", ports}, {"status", status}});
  return record;
}

inline std::string topology(const Json& devices) { return Json{{"devices", devices}}.dump(2); }
