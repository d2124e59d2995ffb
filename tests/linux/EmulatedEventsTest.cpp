#include <poll.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "UsbTestbed.h"
#include "ludrel/UsbEvents.h"
#include "tests/ludrel/EventText.h"

using namespace KestraDiags::Ludrel;

namespace {

using Texts = std::vector<std::string>;
using Properties = std::map<std::string, std::string>;

// The library's udev monitor in this process, on a root hub (usb1) with a hub on its port 2 (1-2)
// and a flash drive on the hub's port 3 (1-2.3).
class EmulatedEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    auto opened = UsbEventSource::open();
    ASSERT_TRUE(opened.ok()) << opened.failure().message;
    source = opened.value();
  }

  // The events up to the one that the drive's "add" uevent, sent last, gives.
  Texts eventsUpToAnAdd() {
    testbed.uevent("1-2.3", "", "add");
    const std::string added = "added /dev/bus/usb/001/003 at 1-2.3";
    Texts texts;
    pollfd ready{source->descriptor(), POLLIN, 0};
    // The wait only guards against a uevent that never comes.
    while ((texts.empty() || texts.back() != added) && ::poll(&ready, 1, 10000) == 1) {
      for (const UsbEvent& event : source->take()) texts.push_back(eventText(event));
    }
    return texts;
  }

  UsbTestbed testbed{"drive-on-hub"};
  std::shared_ptr<UsbEventSource> source;
};

TEST_F(EmulatedEvents, AnOverCurrentOrADeviceThatCameOrWentGivesItsEventAndNothingElseDoes) {
  ASSERT_GE(source->descriptor(), 0);
  EXPECT_FALSE(source->nextDue());
  const std::string hubPorts = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/1-2-port";
  struct Uevent {
    std::string name, below, action;
    Properties properties;
    Texts events;  // before the drive's "add"
  };
  const Uevent uevents[] = {
      {"1-2", "1-2:1.0", "change", {}, {}},
      {"1-2", "", "change", {}, {}},
      {"1-2.3", "1-2.3:1.0", "add", {}, {}},
      {"1-2.3", "1-2.3:1.0", "remove", {}, {}},
      {"1-2.3", "", "bind", {}, {}},
      {"1-2",
       "1-2:1.0",
       "change",
       {{"OVER_CURRENT_PORT", hubPorts + "3"}, {"OVER_CURRENT_COUNT", "2"}},
       {"over-current /dev/bus/usb/001/002 at 1-2 port 3 count 2"}},
      {"usb1",
       "1-0:1.0",
       "change",
       {{"OVER_CURRENT_PORT", "/devices/pci0000:00/0000:00:14.0/usb1/1-0:1.0/usb1-port2"}},
       {"over-current /dev/bus/usb/001/001 at usb1 port 2"}},
      {"1-2.3", "", "remove", {}, {"removed /dev/bus/usb/001/003 at 1-2.3"}},
  };
  for (const Uevent& uevent : uevents) {
    SCOPED_TRACE(uevent.action + " " + uevent.name + " " + uevent.below);
    testbed.uevent(uevent.name, uevent.below, uevent.action, uevent.properties);
    Texts expected = uevent.events;
    expected.push_back("added /dev/bus/usb/001/003 at 1-2.3");
    EXPECT_EQ(eventsUpToAnAdd(), expected);
  }
}

}  // namespace
