#pragma once

#include <nlohmann/json.hpp>
#include <string>

// Builds simulated topology files for the USB library, one record at a time.
using Json = nlohmann::json;

inline Json with(Json record, const char* field, Json value) {
  record[field] = std::move(value);
  return record;
}

inline Json hostController(int status) {
  Json record = Json::parse(R"({"type": "host-controller", "name": "USB Host Controller",
      "description": "USB Host Controller", "location": "0000:00:14.0",
      "instanceId": "PCI\\VEN_8086&DEV_A1AF\\3&0"})");
  record.update({{"status", status}});
  return record;
}

inline Json rootHub(const std::string& devicePath, int ports, int status = 0) {
  Json record = Json::parse(R"({"type": "root-hub", "vendor": "0x1D6B", "product": "0x0002",
      "name": "Root Hub Name", "description": "Root Hub", "location": "usb1",
      "parentLocation": "0000:00:14.0", "firmware": "6.01",
      "instanceId": "USB\\VID_1D6B&PID_0002\\0000:00:14.0"})");
  record.update({{"devicePath", devicePath}, {"ports", ports}, {"status", status}});
  return record;
}

inline Json externalHub(const std::string& devicePath, int vendor, int product, int status = 0) {
  Json record = Json::parse(R"({"type": "hub", "ports": 4, "name": "Hub Name",
      "description": "Hub Description", "firmware": "32.98", "location": "1-1",
      "parentLocation": "usb1", "instanceId": "USB\\VID_04B4&PID_6560\\5&1"})");
  record.update(
      {{"devicePath", devicePath}, {"vendor", vendor}, {"product", product}, {"status", status}});
  return record;
}

inline Json usbDevice(const std::string& name, int vendor = 0x04D9, int product = 0x1702) {
  Json record = Json::parse(R"({"manufacturer": "Maker", "firmware": "3.01", "serial": "SN1",
      "location": "1-1.2", "parentLocation": "1-1", "instanceId": "USB\\VID_04D9&PID_1702\\SN1"})");
  record.update({{"name", name}, {"description", name + " description"}});
  record.update({{"vendor", vendor}, {"product", product}});
  return record;
}

inline Json port(int number, const std::string& key) { return {{"port", number}, {"key", key}}; }

inline Json thrown(const std::string& type, Json value) {
  return {{"type", type}, {"value", std::move(value)}};
}

inline std::string topology(const Json& devices) { return Json{{"devices", devices}}.dump(2); }
