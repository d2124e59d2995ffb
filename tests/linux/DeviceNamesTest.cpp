#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "linux/DeviceNames.h"

using namespace KestraDiags::Ludrel;

namespace {

// Device names with many digits and levels, written back, and the order of devices, bus first
// then depth first by port, are checked on the emulated machines; here the names they cannot show.

TEST(DeviceNames, InterfacesAndOtherEntriesAreNoDevices) {
  for (const char* name :
       {"1-0:1.0", "1-1:1.0", "2-1.4:1.2", "usb",  "usb0",   "usb01", "0-1",
        "1-0",     "1-01",    "1-1.",      "1-.1", "1-1..2", "1--1",  "-1",
        "1-",      "usb1 ",   "x1-1",      "1-1x", ".",      "..",    "1-999999"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(parseDeviceName(name));
  }
}

TEST(DeviceNames, InterfaceBelongsToItsDevice) {
  EXPECT_EQ(deviceOfInterface("12-0:1.0"), "usb12");
  for (const char* name : {"1-1", "usb1", "1-1:", "1-1:1", "1-1:1.", "1-1:1.0x", "0-0:1.0",
                           "1-01:1.0", "x:1.0", ":1.0"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(deviceOfInterface(name));
  }
}

TEST(DeviceNames, APortPathEndsInItsNumber) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/1-2-port3", 3},
      {"/devices/pci0000:00/0000:00:14.0/usb1/1-0:1.0/usb1-port15", 15},
      {"/devices/usb1/1-2/1-2:1.0/1-2-port0", std::nullopt},
      {"/devices/usb1/1-2/1-2:1.0/1-2-port3x", std::nullopt},
      {"/devices/usb1/1-2-port3/power", std::nullopt},
      {"/devices/usb1/1-2/1-2:1.0/1-2-port", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [path, port] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(portOfPortPath(path), port);
  }
}

// The paths written are checked on the emulated machine.
TEST(DeviceNames, UsbfsNodePathsReadBack) {
  const std::optional<BusAddress> node = parseUsbfsNodePath("/dev/bus/usb/012/127");
  ASSERT_TRUE(node);
  EXPECT_EQ(node->bus, 12);
  EXPECT_EQ(node->address, 127);
  for (const char* path : {"/dev/bus/usb/1/2", "/dev/bus/usb/001/002/", "/dev/bus/usb/001",
                           "/dev/bus/usb/000/001", "/dev/bus/usb/001/000", "dev/bus/usb/001/002",
                           "/dev/bus/usb/0a1/002", "/dev/bus/usb/001/0022", "", "usb1"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(parseUsbfsNodePath(path));
  }
}

}  // namespace
