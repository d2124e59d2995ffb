#include <poll.h>

#include <string>

#include <gtest/gtest.h>

#include "UsbTestbed.h"
#include "ludrel/UsbEvents.h"
#include "tests/ludrel/EventText.h"
#include "tests/support/ExpectedFiles.h"

using namespace KestraDiags::Ludrel;

namespace {

// The library's udev monitor in this process, on a root hub (usb1) with a hub on its port 2 (1-2)
// and a flash drive on the hub's port 3 (1-2.3). Each line of uevents.txt is a uevent (action,
// device, its entry below or "-", properties) sent before the drive's "add"; the events up to
// that add's are compared whole: only an over-current or a device that came or went gives one.
TEST(EmulatedEvents, AnOverCurrentOrADeviceThatCameOrWentGivesItsEventAndNothingElseDoes) {
  UsbTestbed testbed("drive-on-hub");
  auto opened = UsbEventSource::open();
  ASSERT_TRUE(opened.ok()) << opened.failure().message;
  const std::shared_ptr<UsbEventSource> source = opened.value();
  EXPECT_FALSE(source->nextDue());
  std::string transcript;
  for (const std::string& row : caseLines("tests/linux/uevents.txt")) {
    testbed.uevent(row);
    testbed.uevent("add 1-2.3 -");
    transcript += row + "\n";
    pollfd ready{source->descriptor(), POLLIN, 0};
    // The wait only guards against a uevent that never comes.
    for (std::string last;
         last != "added /dev/bus/usb/001/003 at 1-2.3" && ::poll(&ready, 1, 10000) == 1;) {
      for (const UsbEvent& event : source->take()) {
        last = eventText(event);
        transcript += "  " + last + "\n";
      }
    }
  }
  expectStoredFiles("emulated-uevents", {{"events.txt", transcript}});
}

}  // namespace
