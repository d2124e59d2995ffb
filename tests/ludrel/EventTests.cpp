#include <chrono>

#include "../support/ExpectedFiles.h"
#include "EventText.h"
#include "TopologyFixture.h"
#include "ludrel/TopologyFormat.h"
#include "ludrel/UsbEvents.h"

namespace {

using namespace KestraDiags::Ludrel;
using std::chrono::hours;
using std::chrono::steady_clock;
using std::chrono::system_clock;

// Takes what is due now, checking that each event is stamped with the moment it was taken.
Texts takeTexts(UsbEventSource& source) {
  const auto before = system_clock::now();
  const std::vector<UsbEvent> events = source.take();
  const auto after = system_clock::now();
  Texts texts;
  for (const UsbEvent& event : events) {
    EXPECT_TRUE(event.time >= before && event.time <= after) << eventText(event);
    texts.push_back(eventText(event));
  }
  return texts;
}

class EventTest : public TopologyTest {};

TEST_F(EventTest, EachEventIsHandedOutOnceWhenItsDelaysSinceOpeningHavePassed) {
  useTopology(R"({"devices": [
      {"type": "root-hub", "ports": 2, "devicePath": "/dev/bus/usb/001/001", "location": "usb1"},
      {"type": "hub", "ports": 4, "devicePath": "nodes/hub", "location": "1-2"},
      {"devicePath": "/dev/bus/usb/001/005", "location": "1-2.3"}],
    "events": [
      {"afterMs": 0, "kind": "over-current", "hub": "1-2", "port": 3, "count": 2},
      {"afterMs": 0, "kind": "add", "device": "1-2.3"},
      {"afterMs": 0, "kind": "remove", "device": "1-2.3"},
      {"afterMs": 0, "kind": "over-current", "hub": "usb1", "port": 2},
      {"afterMs": 3600000, "kind": "over-current", "hub": "1-2", "port": 4}]})");
  const auto before = steady_clock::now();
  Result<std::shared_ptr<UsbEventSource>> opened = UsbEventSource::open();
  const auto after = steady_clock::now();
  ASSERT_TRUE(opened.ok()) << opened.failure().message;
  UsbEventSource& source = *opened.value();
  EXPECT_EQ(source.descriptor(), -1);
  ASSERT_TRUE(source.nextDue());
  EXPECT_TRUE(*source.nextDue() >= before && *source.nextDue() <= after);

  const std::string hub = (m_dir / "nodes/hub").string();  // as the hub's record gives it
  EXPECT_EQ(takeTexts(source),
            (Texts{"over-current " + hub + " at 1-2 port 3 count 2",
                   "added /dev/bus/usb/001/005 at 1-2.3", "removed /dev/bus/usb/001/005 at 1-2.3",
                   "over-current /dev/bus/usb/001/001 at usb1 port 2"}));
  ASSERT_TRUE(source.nextDue());
  EXPECT_TRUE(*source.nextDue() >= before + hours(1) && *source.nextDue() <= after + hours(1));
  EXPECT_EQ(takeTexts(source), Texts{}) << "the last falls due an hour after opening";
}

TEST_F(EventTest, WrittenEventsReadBackAsTheyWere) {
  TopologyDocument document;
  DeviceEntry hub;
  hub.record.nDevType = 2;
  hub.record.nNumofPorts = 4;
  hub.record.sDevDescriptor = "/dev/bus/usb/001/002";
  hub.record.sLocation = "1-2";
  document.devices = {hub};
  document.events = {{0, UsbEventKind::OverCurrent, "1-2", 3, 4294967295u, ""},
                     {0, UsbEventKind::DeviceRemoved, "", 0, std::nullopt, "1-2"},
                     {3600000, UsbEventKind::OverCurrent, "1-2", 1, std::nullopt, ""}};
  const std::string text = topologyText(document);
  expectStoredFiles("ludrel-written-events", {{"topology.json", text}});
  useTopology(text);
  Result<std::shared_ptr<UsbEventSource>> opened = UsbEventSource::open();
  ASSERT_TRUE(opened.ok()) << opened.failure().message;
  EXPECT_EQ(takeTexts(*opened.value()),
            (Texts{"over-current /dev/bus/usb/001/002 at 1-2 port 3 count 4294967295",
                   "removed /dev/bus/usb/001/002 at 1-2"}));
  EXPECT_TRUE(opened.value()->nextDue()) << "the last is an hour away";
}

}  // namespace
