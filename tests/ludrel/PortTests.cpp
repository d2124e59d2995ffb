#include "TopologyFixture.h"

using KestraDiags::Ludrel::USBDeviceFinder;

namespace {

constexpr const char* kRootHub = "/dev/bus/usb/001/001";
constexpr const char* kHub = "/dev/bus/usb/001/004";

const char* const kHubs = R"({"devices": [
  {"type": "root-hub", "ports": 4, "devicePath": "/dev/bus/usb/001/001", "portStates": [
    {"port": 1, "key": "USB\\VID_413C&PID_2113\\5&1"},
    {"port": 2, "key": "5b7d:2500 ZELT4", "overCurrent": 2},
    {"port": 4, "overCurrent": 2},
    {"port": 3, "key": ""}]},
  {"type": "hub", "ports": 2, "devicePath": "/dev/bus/usb/001/004", "portStates": [
    {"port": 2, "key": "disk", "overCurrent": 7},
    {"port": 1, "overCurrent": -5}]},
  {"type": "hub", "ports": 2, "devicePath": "/dev/bus/usb/001/009"}
]})";

struct PortCase {
  const char* hub;
  int port;
  bool busy;
  const char* key;
  int overCurrent;
};

class PortTest : public TopologyTest {};

TEST_F(PortTest, EachPortAnswersWhatItsEntrySays) {
  useTopology(kHubs);
  const PortCase cases[] = {
      {kRootHub, 1, true, "USB\\VID_413C&PID_2113\\5&1", 0},  // busy: 0 unless told
      {kRootHub, 2, true, "5b7d:2500 ZELT4", 2},
      {kRootHub, 3, true, "", 0},    // an empty key still means busy
      {kRootHub, 4, false, "", 2},   // free, yet in over-current
      {kRootHub, 0, false, "", -1},  // ports count from 1
      {kRootHub, 5, false, "", -1},  // beyond the hub
      {kHub, 1, false, "", -5},
      {kHub, 2, true, "disk", 7},
      {"/dev/bus/usb/001/009", 1, false, "", -1},  // a hub without port states
      {"/dev/bus/usb/009/009", 1, false, "", -1},  // no such hub
      {"/dev/bus/usb/001/00", 1, false, "", -1},   // paths match whole
  };
  for (const PortCase& c : cases) {
    SCOPED_TRACE(std::string(c.hub) + " port " + std::to_string(c.port));
    // The module asks on finders that never enumerated.
    USBDeviceFinder finder(nullptr);
    std::string key = "left alone when free";
    EXPECT_EQ(finder.isPortBusy(c.hub, c.port, key, nullptr), c.busy);
    EXPECT_EQ(key, c.busy ? c.key : "left alone when free");
    int state = 12345;
    EXPECT_EQ(finder.checkforOCState(c.hub, c.port, state, nullptr), c.overCurrent);
    EXPECT_EQ(state, c.overCurrent);
  }
}

}  // namespace
