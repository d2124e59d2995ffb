#include <climits>

#include "TopologyFixture.h"

namespace {

// A device between two plain ones whose Next throws `fault`, and two hubs whose port 3 throws it,
// one from isPortBusy and one from checkforOCState.
std::string topologyThrowing(const std::string& fault) {
  return topologyOf(R"({"name": "first"},
    {"type": "root-hub", "ports": 4, "devicePath": "/hub/busy", "portStates": [
      {"port": 2, "key": "kbd"}, {"port": 3, "key": "disk", "isPortBusyThrows": )" +
                    fault + R"(}]},
    {"type": "root-hub", "ports": 4, "devicePath": "/hub/check", "portStates": [
      {"port": 3, "key": "disk", "checkforOCStateThrows": )" +
                    fault + R"(}]},
    {"name": "faulty", "nextThrows": )" +
                    fault + R"(},
    {"name": "after"})");
}

class FaultTest : public TopologyTest {};

TEST_F(FaultTest, EachCallThrowsAtItsMarkOnlyAndNextGoesOnAfterIt) {
  // A fault as a topology asks for it, and what comes out, at the ends of each type's range.
  // unsigned long has 32 bits on Windows, 64 on Linux.
  const std::pair<std::string, std::string> faults[] = {
      {R"({"type": "string", "value": "device gone"})", "string device gone"},
      {R"({"type": "unsigned long", "value": )" + std::to_string(ULONG_MAX) + "}",
       "unsigned long " + std::to_string(ULONG_MAX)},
      {R"({"type": "int", "value": -2147483648})", "int -2147483648"},
  };
  for (const auto& [fault, thrown] : faults) {
    SCOPED_TRACE(fault);
    useTopology(topologyThrowing(fault));
    USBDeviceFinder finder(nullptr);
    ASSERT_TRUE(finder.getAllUSBDevices());
    EXPECT_EQ(nextOutcomes(finder), (Texts{"first", "", "", "threw " + thrown, "after"}));
    EXPECT_EQ(portAnswers("/hub/busy", 2), "busy kbd, 0");
    EXPECT_EQ(portAnswers("/hub/busy", 3), "threw " + thrown + ", 0");
    EXPECT_EQ(portAnswers("/hub/check", 3), "busy disk, threw " + thrown);
  }
}

}  // namespace
