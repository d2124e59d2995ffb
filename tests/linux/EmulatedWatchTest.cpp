// A running halvex-host diagnose --watch on the emulated bus, woken by the kernel's uevent of an
// over-current rather than by its timer.
#include <gtest/gtest.h>

#include "Eventually.h"
#include "HostOutputs.h"
#include "HostTest.h"
#include "UsbTestbed.h"
#include "tests/support/Environment.h"
#include "tests/support/ExpectedFiles.h"

namespace {

// The round over that hub alone, its metrics with the port, and the hook run once with the
// host's own environment (this suite's marker among it), compared whole.
TEST(EmulatedWatch, TheKernelsOverCurrentUeventMakesARunningWatchCheckThatHub) {
  UsbTestbed testbed("drive-on-hub");  // a flash drive on port 3 of the hub 1-2
  TempDir dir;
  setEnvironment("HALVEX_TESTBED_UNDER_WRAPPER", "1");  // a marker the hook must be given
  HostProcess host(
      {"--no-log", "diagnose", "--watch", "3600", "--prometheus", dir.file("halvex.prom"),
       "--on-over-current", ENV_HOOK, "--", dir.file("hook.env"), "0"},
      dir.path());
  ASSERT_TRUE(eventually([&] { return countOf(host.out(), "Summary: ") >= 1; })) << host.err();

  testbed.apply({"over-current 1-2 3", "count 1-2 3 1"});
  testbed.uevent(
      "change 1-2 1-2:1.0 OVER_CURRENT_COUNT=1 "
      "OVER_CURRENT_PORT=/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/1-2-port3");
  ASSERT_TRUE(eventually([&] { return !host.err().empty(); })) << host.out();
  expectStoredFiles("emulated-watch",
                    {{"watch.txt", masked(host.out() + "-- stderr:\n" + host.err(), {})},
                     {"halvex.prom", masked(readFile(dir.file("halvex.prom")), {})},
                     {"hook.env", readFile(dir.file("hook.env"))}});
}

}  // namespace
