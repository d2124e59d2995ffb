#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace KestraDiags {
namespace Ludrel {

// The device interface class a node was found by.
enum class DeviceKind { HostController, Hub, Device };

// What SetupAPI, the configuration manager and, for a hub, the hub driver tell of one device
// node; empty texts where the system has no value.
struct DeviceNode {
  DeviceKind kind = DeviceKind::Device;
  std::string instanceId;        // CM_Get_Device_ID, "USB\VID_046D&PID_C52B\5&1A2B3C&0&2"
  std::string parentInstanceId;  // of the node CM_Get_Parent gives
  std::string interfacePath;     // the device interface path, which CreateFile opens
  std::string friendlyName;      // SPDRP_FRIENDLYNAME
  std::string description;       // SPDRP_DEVICEDESC
  std::string manufacturer;      // SPDRP_MFG
  std::string location;          // SPDRP_LOCATION_INFORMATION, "Port_#0002.Hub_#0001"
  std::string driverKey;         // SPDRP_DRIVER, the key a port query also gives
  std::string service;           // SPDRP_SERVICE
  std::string classGuid;         // SPDRP_CLASSGUID
  std::string hardwareId;        // the first of SPDRP_HARDWAREID, "USB\VID_046D&PID_C52B&REV_1201"
  int address = 0;               // SPDRP_ADDRESS: for a USB device, its port on the parent hub
  // CM_Get_DevNode_Status; nothing when the node is not present.
  std::optional<std::uint32_t> nodeStatus;
  std::uint32_t problem = 0;
  std::optional<int> portCount;  // a hub's, from IOCTL_USB_GET_NODE_INFORMATION
};

}  // namespace Ludrel
}  // namespace KestraDiags
