#pragma once

#include <optional>
#include <string>
#include <vector>

#include "linux/SysfsDevice.h"
#include "ludrel/Result.h"

namespace KestraDiags {
namespace Ludrel {

// Where the kernel lists every USB device and interface.
constexpr const char* kUsbDevicesDirectory = "/sys/bus/usb/devices";

// Every USB device of sysfs with its interfaces, in no particular order. A device unplugged
// while it is read is left out. Fails when there is no USB bus at all.
Result<std::vector<SysfsUsbDevice>> readUsbDevices();

// The device of that name without its interfaces; nothing when it is not there.
std::optional<SysfsUsbDevice> readUsbDevice(const std::string& name);

// The text of a sysfs attribute file, newline included; nothing when it cannot be read.
std::optional<std::string> readSysfsAttribute(const std::string& path);

// The host controller of the root hub of that name.
SysfsController readController(const std::string& rootHubName);

}  // namespace Ludrel
}  // namespace KestraDiags
