#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ludrel/Result.h"
#include "linux/SysfsDevice.h"

namespace KestraDiags {
namespace Ludrel {

// Where the kernel lists every USB device and interface.
constexpr const char* kUsbDevicesDirectory = "/sys/bus/usb/devices";

// Every USB device of sysfs with its interfaces, in no particular order. A device unplugged
// while it is read is left out. Fails when there is no USB bus at all.
Result<std::vector<SysfsUsbDevice>> readUsbDevices();

// The device of that name without its interfaces; nothing when it is not there.
std::optional<SysfsUsbDevice> readUsbDevice(const std::string& name);

// The host controller of the root hub of that name.
SysfsController readController(const std::string& rootHubName);

}  // namespace Ludrel
}  // namespace KestraDiags
