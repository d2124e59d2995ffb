#include "TopologyFixture.h"

namespace {

class BackendChoiceTest : public TopologyTest {};

// The host's own tests see the machine's backend without a topology and the simulation with one.
TEST_F(BackendChoiceTest, AnEmptyTopologyMeansTheMachinesBackendAndSuccessClearsTheLastError) {
  setEnvironment("LUDREL_TOPOLOGY", "");
#if defined(__linux__)
  EXPECT_EQ(USBUtil::backendName(), "linux");
#else
  EXPECT_EQ(USBUtil::backendName(), "none");
#endif
  useTopologyPath((m_dir / "missing.json").string());
  EXPECT_FALSE(USBDeviceFinder(nullptr).getAllUSBDevices());
  ASSERT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_NOT_FOUND");
  useTopology(topologyOf("{}"));
  EXPECT_TRUE(USBDeviceFinder(nullptr).getAllUSBDevices());
  EXPECT_EQ(USBUtil::lastErrorName(), "");
  EXPECT_EQ(USBUtil::lastErrorMessage(), "");
}

}  // namespace
