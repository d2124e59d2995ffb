#pragma once

#include <map>
#include <string>
#include <vector>

#include "tessary/VirtualDevice.h"

namespace KestraDiags {
namespace HalvexHost {

// What the host shows of one device, copied out of the module's object.
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

// The device must be one that the module's enumerator made.
DeviceRecord describeDevice(const DeviceEnum::IDevice& device);
std::vector<DeviceRecord> describeDevices(const std::vector<DeviceEnum::VirtualDevice>& devices);

// "ok", "error", "disabled", "not present", "not configured", else "status N".
std::string deviceStatusName(int status);

}  // namespace HalvexHost
}  // namespace KestraDiags
