// A running halvex-host diagnose --watch on the emulated bus, woken by the kernel's uevent of an
// over-current rather than by its timer.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "HostTest.h"
#include "UsbTestbed.h"

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
  UsbTestbed testbed("drive-on-hub");  // a flash drive on port 3 of the hub 1-2
  TempDir dir;
  HostProcess host(
      {"--no-log", "diagnose", "--watch", "3600", "--prometheus", dir.file("halvex.prom"),
       "--on-over-current", ENV_HOOK, "--", dir.file("hook.env"), "0"},
      dir.path());
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
  // Written before the report line: the metrics file holds the port, the hook ran once (with the
  // host's own environment, this suite's marker among it).
  EXPECT_NE(readFile(dir.file("halvex.prom"))
                .find("halvex_port_overcurrent{hub=\"USB Hub\",location=\"1-2\",port=\"3\"} 1\n"),
            std::string::npos);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (host.err().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(host.err(), "halvex-host: --on-over-current for 1-2 port 3: exit status 0\n");
  EXPECT_TRUE(
      matches(readFile(dir.file("hook.env")),
              "HALVEX_COUNT=1\nHALVEX_DEVICE=0781:5567 Cruzer Blade\nHALVEX_HUB=1-2\n"
              "HALVEX_HUB_NAME=USB Hub\nHALVEX_HUB_PATH=/dev/bus/usb/001/002\nHALVEX_PORT=3\n"
              "HALVEX_SOURCE=event\nHALVEX_TESTBED_UNDER_WRAPPER=1\n"
              "HALVEX_VERDICT=over-current\n--\n"))
      << readFile(dir.file("hook.env"));
}

}  // namespace
