#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ludrel/Usb_Device.h"
#include "windows/DeviceNode.h"

namespace KestraDiags {
namespace Ludrel {

// Configuration manager values that decide a record's status (cfgmgr32.h); WindowsBackend.cpp
// checks them against the SDK.
namespace DevNode {
constexpr std::uint32_t kStarted = 0x00000008;          // DN_STARTED
constexpr std::uint32_t kHasProblem = 0x00000400;       // DN_HAS_PROBLEM
constexpr std::uint32_t kProblemNotConfigured = 1;      // CM_PROB_NOT_CONFIGURED
constexpr std::uint32_t kProblemDisabled = 22;          // CM_PROB_DISABLED
constexpr std::uint32_t kProblemFailedInstall = 28;     // CM_PROB_FAILED_INSTALL
constexpr std::uint32_t kProblemHardwareDisabled = 29;  // CM_PROB_HARDWARE_DISABLED
constexpr std::uint32_t kProblemPhantom = 45;           // CM_PROB_PHANTOM
}  // namespace DevNode

// The record's device status, numbered as the framework's IDevice::DeviceStatus: 0 started
// without a problem, 1 a problem, 2 disabled, 3 not present, 4 not configured.
std::int32_t deviceStatusOf(const DeviceNode& node);

// The vendor, product and revision numbers of an instance or hardware identifier
// ("USB\VID_046D&PID_C52B&REV_1201"); -1 for a number it does not hold.
struct UsbIdNumbers {
  int vendor = -1;
  int product = -1;
  int revision = -1;
};
UsbIdNumbers usbIdNumbersOf(const std::string& identifier);

// The record of one node. Its sParentLocation is filled by inHandOutOrder.
Usb_Device windowsDeviceRecord(const DeviceNode& node);

// The records in the order Next hands them out: depth first from each record whose parent is
// not among them (the host controllers), in their given order, and below a record its children
// by port number. Fills sParentLocation: the parent record's sLocation, or for a record whose
// parent is not among them that parent's instance identifier.
std::vector<Usb_Device> inHandOutOrder(std::vector<Usb_Device> records);

}  // namespace Ludrel
}  // namespace KestraDiags
