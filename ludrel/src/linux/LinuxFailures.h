#pragma once

#include <string>

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {

// Failure names of the Linux backend, beside the library's common ones.
namespace LinuxErrorName {
constexpr const char* kAccessDenied = "LUDREL_ERROR_ACCESS_DENIED";
constexpr const char* kTransfer = "LUDREL_ERROR_TRANSFER";
}  // namespace LinuxErrorName

// Where the installed udev rule that grants access to the hubs' nodes lives.
constexpr const char* kUdevRulePath = "/usr/share/halvex/examples/udev/70-halvex.rules";

// sysfs has no USB devices directory, or it lists no root hub.
Failure noUsbBusFailure(const std::string& devicesDirectory, bool directoryExists);

// A sysfs directory or link that exists but cannot be read.
Failure sysfsReadFailure(const std::string& path, int errorNumber);

// A hub's usbfs node could not be opened; the message says how to get access.
Failure nodeOpenFailure(const std::string& node, int errorNumber);

// The hub argument is not a usbfs node path, or no device of sysfs has that bus and address.
Failure notAUsbfsNodeFailure(const std::string& hub);
Failure noSuchHubFailure(const std::string& hub);

// The port number cannot be put into a hub request.
Failure badPortFailure(const std::string& hub, int port);

// The GET_STATUS request of a port, or of the hub itself for port 0, failed, or its answer was
// too short.
Failure transferFailure(const std::string& hub, int port, int errorNumber);
Failure shortReplyFailure(const std::string& hub, int port, int length);

}  // namespace Ludrel
}  // namespace KestraDiags
