#include <cstdlib>

#include "TopologyFixture.h"
#include "ludrel/USBUtil.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

namespace {

class BackendChoiceTest : public TopologyTest {};

TEST_F(BackendChoiceTest, WithoutATopologyEnumerationFailsWithAdvice) {
  for (const char* variable : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(variable == nullptr ? "unset" : "empty");
    if (variable == nullptr) {
      unsetenv("LUDREL_TOPOLOGY");
    } else {
      setenv("LUDREL_TOPOLOGY", variable, 1);
    }
    EXPECT_EQ(USBUtil::backendName(), "none");
    USBDeviceFinder finder(nullptr);
    EXPECT_FALSE(finder.getAllUSBDevices());
    EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_NOT_SUPPORTED");
    EXPECT_EQ(USBUtil::lastErrorMessage(),
              "this system has no USB backend yet: set LUDREL_TOPOLOGY to a topology file (or "
              "use --topology FILE) to simulate one");
    std::string key;
    int state = 0;
    EXPECT_FALSE(finder.isPortBusy("/dev/bus/usb/001/001", 1, key, nullptr));
    EXPECT_EQ(finder.checkforOCState("/dev/bus/usb/001/001", 1, state, nullptr), -1);
  }
}

TEST_F(BackendChoiceTest, ATopologySelectsTheSimulationAndSuccessClearsTheLastError) {
  unsetenv("LUDREL_TOPOLOGY");
  USBDeviceFinder unsupported(nullptr);
  EXPECT_FALSE(unsupported.getAllUSBDevices());
  ASSERT_FALSE(USBUtil::lastErrorName().empty());

  useTopology(topologyOf("{}"));
  EXPECT_EQ(USBUtil::backendName(), "simulated");
  USBDeviceFinder simulated(nullptr);
  EXPECT_TRUE(simulated.getAllUSBDevices());
  EXPECT_EQ(USBUtil::lastErrorName(), "");
  EXPECT_EQ(USBUtil::lastErrorMessage(), "");
}

}  // namespace
