#include "SimulatedMachine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

std::string busAddress(int bus, int address) {
  char text[32];
  std::snprintf(text, sizeof text, "/dev/bus/usb/%03d/%03d", bus, address);
  return text;
}

Json hub(const char* type, const std::string& path, const std::string& location) {
  Json ports = Json::array();
  for (int port = 1; port <= 3; ++port) {
    ports.push_back({{"port", port}, {"key", "04d9:1702 Device on " + location}});
  }
  return {{"type", type},
          {"ports", 4},
          {"vendor", "0x04B4"},
          {"product", "0x6560"},
          {"name", "Generic USB Hub"},
          {"description", "Generic USB Hub"},
          {"manufacturer", "(Generic USB Hub)"},
          {"firmware", "32.98"},
          {"devicePath", path},
          {"location", location},
          {"parentLocation", "usb1"},
          {"instanceId", "USB\\VID_04B4&PID_6560\\5&2C7A3E1F&0&1"},
          {"portStates", ports}};
}

Json device(const std::string& name, int vendor, int product, const std::string& location) {
  return {{"vendor", vendor},
          {"product", product},
          {"name", name},
          {"description", name + " (HID & storage) <rev 2>"},
          {"manufacturer", "(Standard USB devices)"},
          {"firmware", "3.01"},
          {"serial", "SN" + location},
          {"location", location},
          {"parentLocation", "1-1"},
          {"instanceId", "USB\\VID_04D9&PID_1702\\" + location}};
}

}  // namespace

std::string simulatedMachineTopology(int devices) {
  if (devices % 10 != 0) throw std::invalid_argument("devices must be a multiple of 10");
  Json records = Json::array();
  for (int block = 0; block < devices / 10; ++block) {
    const std::string at = std::to_string(block);
    records.push_back(hub("root-hub", busAddress(block / 100, block % 100 * 2), "usb" + at));
    records.push_back(hub("hub", busAddress(block / 100, block % 100 * 2 + 1), at + "-1"));
    for (int plain = 0; plain < 5; ++plain) {
      records.push_back(
          device("USB Input Device", 0x04D9, 0x1702, at + "-1." + std::to_string(plain + 1)));
    }
    records.push_back(device("USB Floppy Drive", 0x0424, 0x0FDC, at + "-2"));
    records.push_back(device("USB Composite Device", 0x5B7D, 0x2500, at + "-3"));
    records.push_back(device("Virtual Keyboard", 0x0EA0, 0x2168, at + "-4"));
  }
  return Json{{"devices", records}}.dump(1);
}

std::string useSimulatedMachine(const std::string& dir, int devices) {
  const std::string path = dir + "/machine-" + std::to_string(devices) + ".json";
  std::ofstream(path) << simulatedMachineTopology(devices);
  ::setenv("LUDREL_TOPOLOGY", path.c_str(), 1);
  return path;
}
