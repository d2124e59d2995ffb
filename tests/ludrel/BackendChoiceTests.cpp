#include "TopologyFixture.h"

namespace {

#if defined(__linux__)
constexpr const char* kMachineBackend = "linux";
#else
constexpr const char* kMachineBackend = "none";
#endif

class BackendChoiceTest : public TopologyTest {};

TEST_F(BackendChoiceTest, WithoutATopologyTheMachinesOwnBackendAnswers) {
  unsetEnvironment("LUDREL_TOPOLOGY");
  EXPECT_EQ(USBUtil::backendName(), kMachineBackend);
  setEnvironment("LUDREL_TOPOLOGY", "");
  EXPECT_EQ(USBUtil::backendName(), kMachineBackend) << "an empty LUDREL_TOPOLOGY";
}

TEST_F(BackendChoiceTest, ATopologySelectsTheSimulationAndSuccessClearsTheLastError) {
  useTopologyPath((m_dir / "missing.json").string());
  EXPECT_FALSE(USBDeviceFinder(nullptr).getAllUSBDevices());
  ASSERT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_NOT_FOUND");

  useTopology(topologyOf("{}"));
  EXPECT_EQ(USBUtil::backendName(), "simulated");
  EXPECT_TRUE(USBDeviceFinder(nullptr).getAllUSBDevices());
  EXPECT_EQ(USBUtil::lastErrorName(), "");
  EXPECT_EQ(USBUtil::lastErrorMessage(), "");
}

}  // namespace
