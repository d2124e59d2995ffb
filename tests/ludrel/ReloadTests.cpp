#include <chrono>

#include "TopologyFixture.h"

namespace {

namespace fs = std::filesystem;

std::string nameOfOnlyDevice() {
  const std::vector<Usb_Device> records = enumerate();
  return records.size() == 1 ? records[0].sDevName : "(not one device)";
}

class ReloadTest : public TopologyTest {};

TEST_F(ReloadTest, TheFileIsReadAgainOnlyWhenPathSizeOrTimeChanges) {
  const std::string path = useTopology(topologyOf(R"({"name": "aaa"})"));
  const fs::file_time_type written = fs::last_write_time(path);
  EXPECT_EQ(nameOfOnlyDevice(), "aaa");

  // Same size, same time: the parsed topology in memory still answers.
  writeFile("topology.json", topologyOf(R"({"name": "bbb"})"));
  fs::last_write_time(path, written);
  EXPECT_EQ(nameOfOnlyDevice(), "aaa");

  fs::last_write_time(path, written + std::chrono::seconds(1));
  EXPECT_EQ(nameOfOnlyDevice(), "bbb") << "a new modification time";

  writeFile("topology.json", topologyOf(R"({"name": "cccc"})"));
  fs::last_write_time(path, written + std::chrono::seconds(1));
  EXPECT_EQ(nameOfOnlyDevice(), "cccc") << "a new size";

  useTopologyPath(writeFile("other.json", topologyOf(R"({"name": "ddd"})")));
  EXPECT_EQ(nameOfOnlyDevice(), "ddd") << "a new path";
}

TEST_F(ReloadTest, ABrokenFileRecoversWhenFixed) {
  useTopology("{\"devices\": [");
  KestraDiags::Ludrel::USBDeviceFinder broken(nullptr);
  EXPECT_FALSE(broken.getAllUSBDevices());
  writeFile("topology.json", topologyOf(R"({"name": "fixed"})"));
  EXPECT_EQ(nameOfOnlyDevice(), "fixed");
}

TEST_F(ReloadTest, AFinderKeepsTheTopologyItStartedWith) {
  useTopology(topologyOf(R"({"name": "old"})"));
  KestraDiags::Ludrel::USBDeviceFinder finder(nullptr);
  ASSERT_TRUE(finder.getAllUSBDevices());
  writeFile("topology.json", "not JSON at all");
  ASSERT_TRUE(finder.getAllUSBDevices());
  Usb_Device* record = nullptr;
  ASSERT_TRUE(finder.Next(&record));
  EXPECT_EQ(record->sDevName, "old");
  delete record;
}

}  // namespace
