#include <gtest/gtest.h>

#include "linux/RecordBuilder.h"

using namespace KestraDiags::Ludrel;

namespace {

// Records of odd devices are checked on the emulated machine odd-devices; a hub without an
// address, which only a stand-in sysfs shows, is not on it, as halvex-host refuses such a list.
TEST(RecordBuilder, AHubWithoutAnAddressHasNoNode) {
  SysfsUsbDevice hub;
  hub.name = "1-1";
  hub.place = *parseDeviceName(hub.name);
  hub.attributes = {{"bDeviceClass", "09\n"}, {"busnum", "1\n"}, {"maxchild", "4\n"}};
  const Usb_Device record = usbDeviceRecord(hub, [](int, int) { return UsbIdNames(); });
  EXPECT_EQ(record.nDevType, 2);
  EXPECT_EQ(record.sDevDescriptor, "");
}

}  // namespace
