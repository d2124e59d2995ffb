#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "linux/LinuxFailures.h"

using namespace KestraDiags::Ludrel;

namespace {

TEST(LinuxFailures, AccessDeniedSaysHowToGetAccess) {
  EXPECT_EQ(nodeOpenFailure("/dev/bus/usb/001/002", EPERM),
            (Failure{"LUDREL_ERROR_ACCESS_DENIED",
                     "/dev/bus/usb/001/002: permission denied; run as root, or give the hubs' "
                     "nodes to a group with the udev rule "
                     "/usr/share/halvex/examples/udev/70-halvex.rules"}));
  EXPECT_EQ(nodeOpenFailure("/dev/bus/usb/001/002", ENODEV),
            (Failure{"LUDREL_ERROR_NOT_FOUND",
                     "/dev/bus/usb/001/002: cannot open the hub: No such device; it was "
                     "unplugged, or /dev/bus/usb is not mounted"}));
  EXPECT_EQ(nodeOpenFailure("/dev/bus/usb/001/002", EMFILE),
            (Failure{"LUDREL_ERROR_IO",
                     "/dev/bus/usb/001/002: cannot open the hub: Too many open files"}));
}

TEST(LinuxFailures, NoUsbBusNamesTheDirectory) {
  EXPECT_EQ(noUsbBusFailure("/sys/bus/usb/devices", true),
            (Failure{"LUDREL_ERROR_NO_USB_BUS",
                     "no USB bus: /sys/bus/usb/devices lists no USB root hub; this machine has "
                     "no USB host controller, or sysfs is not mounted"}));
}

TEST(LinuxFailures, TransferFailuresSayWhatTheErrorMeans) {
  struct Case {
    int error;
    const char* hint;
  };
  const Case cases[] = {
      {ETIMEDOUT, "; the hub did not answer in time"},
      {ENODEV, "; the hub is gone"},
      {ENOTTY, "; the handle is not a usbfs device node"},
      {EBADF, "; the handle is not an open file"},
      {EPERM, "; the hub's node must be open for writing"},
      {EIO, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    const Failure failure = transferFailure("/dev/bus/usb/002/002", 3, c.error);
    EXPECT_EQ(failure.name, "LUDREL_ERROR_TRANSFER");
    EXPECT_EQ(failure.message, std::string("/dev/bus/usb/002/002: GET_STATUS of port 3 failed: ") +
                                   std::strerror(c.error) + c.hint);
  }
  EXPECT_EQ(shortReplyFailure("/dev/bus/usb/002/002", 1, 2).message,
            "/dev/bus/usb/002/002: GET_STATUS of port 1 answered 2 bytes instead of 4");
}

}  // namespace
