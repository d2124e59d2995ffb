#include <chrono>

#include "TopologyFixture.h"

namespace {

namespace fs = std::filesystem;

class ReloadTest : public TopologyTest {};

TEST_F(ReloadTest, TheFileIsReadAgainOnlyWhenPathSizeOrTimeChanges) {
  const std::string path = useTopology(topologyOf(R"({"name": "aaa"})"));
  const fs::file_time_type written = fs::last_write_time(path);
  EXPECT_EQ(namesRead(), Texts{"aaa"});

  // Same size, same time: the parsed topology in memory still answers.
  writeFile(path, topologyOf(R"({"name": "bbb"})"));
  fs::last_write_time(path, written);
  EXPECT_EQ(namesRead(), Texts{"aaa"});

  fs::last_write_time(path, written + std::chrono::seconds(1));
  EXPECT_EQ(namesRead(), Texts{"bbb"}) << "a new modification time";

  writeFile(path, topologyOf(R"({"name": "cccc"})"));
  fs::last_write_time(path, written + std::chrono::seconds(1));
  EXPECT_EQ(namesRead(), Texts{"cccc"}) << "a new size";

  useTopology(topologyOf(R"({"name": "ddd"})"));
  EXPECT_EQ(namesRead(), Texts{"ddd"}) << "a new path";
}

TEST_F(ReloadTest, ABrokenFileRecoversWhenFixedAndAFinderKeepsTheTopologyItStartedWith) {
  const std::string path = useTopology("{\"devices\": [");
  EXPECT_FALSE(USBDeviceFinder(nullptr).getAllUSBDevices());
  writeFile(path, topologyOf(R"({"name": "fixed"})"));
  USBDeviceFinder finder(nullptr);
  ASSERT_TRUE(finder.getAllUSBDevices());
  EXPECT_EQ(USBUtil::lastErrorName() + USBUtil::lastErrorMessage(), "") << "success clears them";
  writeFile(path, "not JSON at all");
  ASSERT_TRUE(finder.getAllUSBDevices());
  EXPECT_EQ(nextOutcomes(finder), Texts{"fixed"});
}

}  // namespace
