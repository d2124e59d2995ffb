// A running halvex-host diagnose --watch on the emulated bus, woken by the kernel's uevent of an
// over-current rather than by its timer.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "HostTest.h"
#include "UsbTestbed.h"

namespace {

EmulatedDevice hub(const std::string& name, int address) {
  EmulatedDevice device;
  device.name = name;
  device.controller = "0000:00:14.0";
  device.address = address;
  device.deviceClass = 0x09;
  device.ports = 4;
  device.interfaces = {{0x09, 0, 0, "hub"}};
  return device;
}

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
  testbed.add(EmulatedController{"0000:00:14.0", "pci0000:00", 0x8086, 0xA36D, "xhci_hcd"});
  testbed.add(hub("usb1", 1));
  testbed.add(hub("1-2", 2));
  EmulatedDevice drive;
  drive.name = "1-2.3";
  drive.address = 3;
  drive.vendor = 0x0781;
  drive.product = 0x5567;
  drive.productName = "Cruzer Blade";
  drive.interfaces = {{0x08, 0x06, 0x50, "usb-storage"}};
  testbed.add(drive);
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
