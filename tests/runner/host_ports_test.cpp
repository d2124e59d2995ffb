// What the expected outputs of host_golden_test.cpp cannot show: the --location and --id filters
// keep just their hubs and devices.
#include "HostTest.h"

namespace {

using HostPortsTest = HostTest;

TEST_F(HostPortsTest, FiltersKeepTheirHubsAndDevices) {
  const std::string example = HALVEX_EXAMPLES_DIR "/port-status.json";
  expectRuns({
      {"the hub whose two ports cannot be asked", on(example, {"ports", "--location", "2-2"}), 1,
       "Hub 2-2: USB Hub, *\n  Hub status: *\n  Port 1: not asked: *\n  Port 2: not asked: *\n"
       "  Port 3: *\n  Port 4: *\n",
       ""},
      {"a vendor, in either case", on(example, {"list", "--id", "04D9"}), 0,
       "NAME  *\nUSB Keyboard  *  04d9:1702  *\n", ""},
      {"a vendor and product at a location",
       on(example, {"list", "--id", "1d6b:2", "--location", "usb1"}), 0,
       "NAME  *\nUSB Root Hub  *  1d6b:0002  usb1  *\n", ""},
      {"a product no device has", on(example, {"list", "--json", "--id", "1d6b:0009"}), 0,
       "{\n  \"backend\": \"simulated\",\n  \"devices\": []\n}\n", ""},
  });
}

}  // namespace
