#pragma once

#include <map>
#include <string>
#include <vector>

#include "tessary/VirtualDevice.h"

namespace KestraDiags {
namespace HalvexHost {

// What the host shows of one device: the framework's fields of the module's object and, for a
// hub, the USB library's answers.
struct DeviceRecord {
  std::string name;
  std::string deviceClass;
  int status = 0;
  std::string location;
  std::string parentLocation;
  std::string descriptor;
  std::string description;
  std::string manufacturer;
  std::string serialNumber;
  std::string firmwareRevision;
  std::string modelNumber;
  std::string additionalHardwareInfo;
  std::string devicePath;
  std::map<int, std::string> portKeys;  // the hub cache turned round: port number to key text
};

// The framework's fields of each device, and for the hubs the module checks what the USB library
// tells of them. Asks the library; a failure of its own leaves the hubs without those facts.
std::vector<DeviceRecord> describeDevices(const std::vector<DeviceEnum::VirtualDevice>& devices);

// "ok", "error", "disabled", "not present", "not configured", else "status N".
std::string deviceStatusName(int status);

}  // namespace HalvexHost
}  // namespace KestraDiags
