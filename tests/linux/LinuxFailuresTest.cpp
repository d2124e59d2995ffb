#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "linux/LinuxFailures.h"

using namespace KestraDiags::Ludrel;

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(LinuxFailures, AccessDeniedSaysHowToGetAccess) {
  for (const int error : {EACCES, EPERM}) {
    SCOPED_TRACE(error);
    const Failure failure = nodeOpenFailure("/dev/bus/usb/001/002", error);
    EXPECT_EQ(failure.name, "LUDREL_ERROR_ACCESS_DENIED");
    EXPECT_EQ(failure.message,
              "/dev/bus/usb/001/002: permission denied; run as root, or give the hubs' nodes to a "
              "group with the udev rule /usr/share/halvex/examples/udev/70-halvex.rules");
  }
  const Failure gone = nodeOpenFailure("/dev/bus/usb/001/002", ENOENT);
  EXPECT_EQ(gone.name, "LUDREL_ERROR_NOT_FOUND");
  EXPECT_TRUE(contains(gone.message, "unplugged")) << gone.message;
  EXPECT_EQ(nodeOpenFailure("/dev/bus/usb/001/002", EMFILE).name, "LUDREL_ERROR_IO");
}

TEST(LinuxFailures, NoUsbBusNamesTheDirectory) {
  EXPECT_EQ(noUsbBusFailure("/sys/bus/usb/devices", false),
            (Failure{"LUDREL_ERROR_NO_USB_BUS",
                     "no USB bus: /sys/bus/usb/devices does not exist; this machine has no USB "
                     "host controller, or sysfs is not mounted"}));
  EXPECT_TRUE(contains(noUsbBusFailure("/sys/bus/usb/devices", true).message,
                       "/sys/bus/usb/devices lists no USB root hub"));
}

TEST(LinuxFailures, TransferFailuresSayWhatTheErrorMeans) {
  struct Case {
    int error;
    const char* hint;
  };
  const Case cases[] = {
      {EPIPE, "; the hub refused the request; it may have fewer ports"},
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
