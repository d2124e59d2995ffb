#include "linux/LinuxFailures.h"

#include <cerrno>
#include <system_error>

#include "HubLimits.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

std::string reasonOf(int errorNumber) { return std::generic_category().message(errorNumber); }

// Port 0 is the hub itself.
std::string portText(const std::string& hub, int port) {
  return hub + ": GET_STATUS of " + (port == 0 ? "the hub" : "port " + std::to_string(port));
}

// What a failed hub request most likely means, for the errors usbfs gives.
const char* transferHint(int errorNumber) {
  switch (errorNumber) {
    case EPIPE:
      return "the hub refused the request; it may have fewer ports";
    case ETIMEDOUT:
      return "the hub did not answer in time";
    case ENODEV:
    case ESHUTDOWN:
      return "the hub is gone";
    case ENOTTY:
    case EINVAL:
      return "the handle is not a usbfs device node";
    case EBADF:
      return "the handle is not an open file";
    case EACCES:
    case EPERM:
      return "the hub's node must be open for writing";
  }
  return nullptr;
}

}  // namespace

Failure noUsbBusFailure(const std::string& devicesDirectory, bool directoryExists) {
  const std::string what = directoryExists ? devicesDirectory + " lists no USB root hub"
                                           : devicesDirectory + " does not exist";
  return makeFailure(
      ErrorName::kNoUsbBus,
      "no USB bus: " + what + "; this machine has no USB host controller, or sysfs is not mounted");
}

Failure sysfsReadFailure(const std::string& path, int errorNumber) {
  return makeFailure(ErrorName::kIo, path + ": cannot read sysfs: " + reasonOf(errorNumber));
}

Failure nodeOpenFailure(const std::string& node, int errorNumber) {
  if (errorNumber == EACCES || errorNumber == EPERM) {
    return makeFailure(LinuxErrorName::kAccessDenied,
                       node +
                           ": permission denied; run as root, or give the hubs' nodes to a "
                           "group with the udev rule " +
                           kUdevRulePath);
  }
  if (errorNumber == ENOENT || errorNumber == ENODEV || errorNumber == ENXIO) {
    return makeFailure(ErrorName::kNotFound,
                       node + ": cannot open the hub: " + reasonOf(errorNumber) +
                           "; it was unplugged, or /dev/bus/usb is not mounted");
  }
  return makeFailure(ErrorName::kIo, node + ": cannot open the hub: " + reasonOf(errorNumber));
}

Failure notAUsbfsNodeFailure(const std::string& hub) {
  return makeFailure(ErrorName::kNotFound,
                     hub + ": not a USB device node; hubs are named /dev/bus/usb/BBB/DDD");
}

Failure noSuchHubFailure(const std::string& hub) {
  return makeFailure(ErrorName::kNotFound,
                     hub + ": no USB device has this bus and address; it was unplugged");
}

Failure badPortFailure(const std::string& hub, int port) {
  return makeFailure(ErrorName::kNotFound, hub + ": port " + std::to_string(port) +
                                               " does not exist; hub ports are 1 to " +
                                               std::to_string(HubLimits::kMostPorts));
}

Failure transferFailure(const std::string& hub, int port, int errorNumber) {
  std::string message = portText(hub, port) + " failed: " + reasonOf(errorNumber);
  if (const char* hint = transferHint(errorNumber)) message += std::string("; ") + hint;
  return makeFailure(LinuxErrorName::kTransfer, message);
}

Failure shortReplyFailure(const std::string& hub, int port, int length) {
  return makeFailure(LinuxErrorName::kTransfer, portText(hub, port) + " answered " +
                                                    std::to_string(length) + " bytes instead of 4");
}

}  // namespace Ludrel
}  // namespace KestraDiags
