#include "TopologyFixture.h"

namespace {

constexpr const char* kRootHub = "/dev/bus/usb/001/001";
constexpr const char* kHub = "/dev/bus/usb/001/004";

class PortTest : public TopologyTest {};

TEST_F(PortTest, EachPortAnswersWhatItsEntrySays) {
  useTopology(R"({"devices": [
    {"type": "root-hub", "ports": 4, "devicePath": "/dev/bus/usb/001/001", "portStates": [
      {"port": 1, "key": "kbd"},
      {"port": 4, "overCurrent": 2},
      {"port": 3, "key": ""}]},
    {"type": "hub", "ports": 2, "devicePath": "/dev/bus/usb/001/004", "portStates": [
      {"port": 1, "overCurrent": -5}]},
    {"type": "hub", "ports": 2, "devicePath": "/dev/bus/usb/001/009"}]})");
  const struct {
    const char* hub;
    int port;
    const char* answers;
  } cases[] = {
      {kRootHub, 1, "busy kbd, 0"},  // over-current: 0 unless told
      {kRootHub, 3, "busy , 0"},     // an empty key still means busy
      {kRootHub, 4, "free, 2"},      // free, yet in over-current
      {kRootHub, 0, "free, -1"},     // ports count from 1
      {kRootHub, 5, "free, -1"},     // beyond the hub
      {kHub, 1, "free, -5"},
      {"/dev/bus/usb/001/009", 1, "free, -1"},  // a hub without port states
      {"/dev/bus/usb/009/009", 1, "free, -1"},  // no such hub
      {"/dev/bus/usb/001/00", 1, "free, -1"},   // paths match whole
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.hub) + " port " + std::to_string(c.port));
    EXPECT_EQ(portAnswers(c.hub, c.port), c.answers);
  }
}

}  // namespace
