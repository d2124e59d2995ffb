#include <cstdlib>

#include "TopologyFixture.h"
#include "ludrel/USBUtil.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

namespace {

#if defined(_WIN32)
constexpr const char* kMachineBackend = "windows";
#elif defined(__linux__)
constexpr const char* kMachineBackend = "linux";
#else
constexpr const char* kMachineBackend = "none";
#endif

class BackendChoiceTest : public TopologyTest {};

TEST_F(BackendChoiceTest, WithoutATopologyTheMachinesOwnBackendAnswers) {
  for (const char* variable : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(variable == nullptr ? "unset" : "empty");
    if (variable == nullptr) {
      unsetenv("LUDREL_TOPOLOGY");
    } else {
      setenv("LUDREL_TOPOLOGY", variable, 1);
    }
    EXPECT_EQ(USBUtil::backendName(), kMachineBackend);
  }
}

TEST_F(BackendChoiceTest, ATopologySelectsTheSimulationAndSuccessClearsTheLastError) {
  useTopologyPath((m_dir / "missing.json").string());
  USBDeviceFinder failing(nullptr);
  EXPECT_FALSE(failing.getAllUSBDevices());
  ASSERT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_NOT_FOUND");

  useTopology(topologyOf("{}"));
  EXPECT_EQ(USBUtil::backendName(), "simulated");
  USBDeviceFinder simulated(nullptr);
  EXPECT_TRUE(simulated.getAllUSBDevices());
  EXPECT_EQ(USBUtil::lastErrorName(), "");
  EXPECT_EQ(USBUtil::lastErrorMessage(), "");
}

}  // namespace
