// A running halvex-host diagnose --watch on the emulated bus, woken by the kernel's uevent of an
// over-current rather than by its timer.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "DriveOnHub.h"
#include "HostTest.h"

namespace {

// Waits until the host has printed count summaries, with a deadline no healthy run comes near.
bool printedRounds(const HostProcess& host, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (countOf(host.out(), "Summary: ") < count && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return countOf(host.out(), "Summary: ") >= count;
}

TEST(EmulatedWatch, TheKernelsOverCurrentUeventMakesARunningWatchCheckThatHub) {
  UsbTestbed testbed;
  DriveOnHub::build(testbed);
  TempDir dir;
  HostProcess host({"--no-log", "diagnose", "--watch", "3600"}, dir.path());
  ASSERT_TRUE(printedRounds(host, 1)) << host.err();

  testbed.setOverCurrent("1-2", 3, true);
  testbed.setOverCurrentCount("1-2", 3, 1);
  testbed.uevent(
      "1-2", "1-2:1.0", "change",
      {{"OVER_CURRENT_PORT", "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/1-2-port3"},
       {"OVER_CURRENT_COUNT", "1"}});
  ASSERT_TRUE(printedRounds(host, 2)) << host.out() << host.err();
  const std::string out = host.out();
  EXPECT_TRUE(matches(out.substr(out.find("\n\n") + 2),
                      "1-2 port 3: over-current event, count 1 [0781:5567 Cruzer Blade, key *]\n"
                      "HUB*\n"
                      "USB Hub  1-2       OVER-CURRENT  113   *  -\n"
                      "1-2 port 3: OVER-CURRENT now [0781:5567 Cruzer Blade, key *]\n"
                      "Summary: 1 hub checked, 0 without over-current, 1 in over-current, 0 "
                      "without verdict.\n"))
      << out;
  EXPECT_EQ(host.err(), "");
}

}  // namespace
