#include "TopologyFixture.h"

namespace {

// Without a topology a finder asks the machine's own backend.
TEST(BackendChoiceTest, AnEmptyTopologyMeansTheMachinesBackend) {
  setEnvironment("LUDREL_TOPOLOGY", "");
#if defined(__linux__)
  EXPECT_EQ(USBUtil::backendName(), "linux");
#else
  EXPECT_EQ(USBUtil::backendName(), "none");
#endif
}

}  // namespace
