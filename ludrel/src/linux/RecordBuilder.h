#pragma once

#include <cstdint>
#include <functional>

#include "linux/SysfsDevice.h"
#include "linux/UsbIds.h"
#include "ludrel/RecordNumbers.h"
#include "ludrel/Usb_Device.h"

namespace KestraDiags {
namespace Ludrel {

// The device status that a record gives for each state a device can be in under Linux.
namespace LinuxDeviceStatus {
// Configured, and a driver has claimed at least one of its interfaces.
constexpr std::int32_t kWorking = DeviceStatus::kOk;
// Configured, but no driver has claimed any of its interfaces.
constexpr std::int32_t kNoDriver = DeviceStatus::kError;
// Deauthorized (authorized is 0): the kernel keeps it unconfigured.
constexpr std::int32_t kDeauthorized = DeviceStatus::kDisabled;
// Authorized but without an active configuration (bConfigurationValue empty or 0).
constexpr std::int32_t kNotConfigured = DeviceStatus::kNotConfigured;
}  // namespace LinuxDeviceStatus

// The usb.ids names of a vendor and product. Asked only for a device that lacks its own
// manufacturer or product string.
using NameLookup = std::function<UsbIdNames(int vendor, int product)>;

// The record of a USB device. Its sDevKey is the key text that a port query gives for it.
Usb_Device usbDeviceRecord(const SysfsUsbDevice& device, const NameLookup& lookup);

// The record of the controller that rootHub, the record of a root hub, hangs off.
Usb_Device controllerRecord(const SysfsController& controller, const Usb_Device& rootHub);

}  // namespace Ludrel
}  // namespace KestraDiags
