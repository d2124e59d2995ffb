#include "TopologyFixture.h"

namespace {

using FaultTest = TopologyTest;

// What the host cannot show: a Next that throws hands out no record, which the caller would free
// twice, and the Next after it goes on; an empty port key still means busy. The host's expected
// outputs show each fault and port answer of examples/faults/ and examples/port-status.json.
TEST_F(FaultTest, ANextThatThrowsGivesNoRecordAndTheNextGoesOnAndAnEmptyKeyIsBusy) {
  useTopology(topologyOf(R"({"name": "first"}, {"nextThrows": {"type": "int", "value": 7}},
    {"type": "root-hub", "ports": 1, "devicePath": "/hub", "portStates": [{"port": 1, "key": ""}]})"));
  USBDeviceFinder finder(nullptr);
  ASSERT_TRUE(finder.getAllUSBDevices());
  EXPECT_EQ(nextOutcomes(finder), (Texts{"first", "threw int 7", ""}));
  EXPECT_EQ(portAnswers("/hub", 1), "busy , 0, state 0");
}

// Without a topology a finder asks the machine's own backend.
TEST(BackendChoiceTest, AnEmptyTopologyMeansTheMachinesBackend) {
  setEnvironment("LUDREL_TOPOLOGY", "");
  EXPECT_NE(USBUtil::backendName(), "simulated");
}

}  // namespace
