#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HalvexModule.h"
#include "HostOutput.h"
#include "UsbId.h"
#include "tessary/VirtualDevice.h"

// What list and diagnose take from the module: its devices of one enumeration, and what the host
// shows of each.
namespace KestraDiags {
namespace HalvexHost {

// The module's devices of one enumeration. The vector belongs to the enumerator; destroying the
// enumerator releases it and the devices.
struct Enumeration {
  std::unique_ptr<DeviceEnum::IDeviceEnumerator> enumerator;
  std::vector<DeviceEnum::VirtualDevice>* devices = nullptr;  // null when the module gave none
  // Set when the list could not be read, or not to its end: the devices hold what was read.
  std::optional<Failure> failure;

  const std::vector<DeviceEnum::VirtualDevice>& deviceList() const;
};

// Creates an enumerator and asks it for the devices. The module hides a failure of the USB
// library behind an empty or short list, so the library is asked whether it failed.
Enumeration enumerateDevices(const HalvexModule& module, bool logEnabled);

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
  std::optional<UsbId> usbId;  // unset where the library gives none
  std::string devicePath;
  int portCount = 0;
  std::map<int, std::string> portKeys;  // the hub cache turned round: port number to key text
};

// The framework's fields of each device.
std::vector<DeviceRecord> describeDevices(const std::vector<DeviceEnum::VirtualDevice>& devices);

enum class PortKeys { Skip, Read };

// Adds what the USB library tells of the devices: each one's vendor:product ID and, for the hubs
// the module checks (those with a descriptor), the device path, the port count and, with
// PortKeys::Read, the key on each busy port, asked as the module asks them. It reads the device
// list again; a failure of the library's own leaves the devices without these facts.
void addLibraryFacts(std::vector<DeviceRecord>& devices, PortKeys portKeys);

// "ok", "error", "disabled", "not present", "not configured", else "status N".
std::string deviceStatusName(int status);

}  // namespace HalvexHost
}  // namespace KestraDiags
