#include <type_traits>

#include "RecordText.h"
#include "TopologyFixture.h"

static_assert(std::is_copy_assignable_v<USBDeviceFinder>, "finders are copied by value");

namespace {

class RecordTest : public TopologyTest {};

TEST_F(RecordTest, OddEntriesBecomeTheirRecordsAbsentMembersTakingTheirDefaults) {
  const struct {
    const char* entry;
    std::string record;
  } cases[] = {
      {R"({"comment": "not a field"})", "nDevType=3; "},
      {R"({"name": "second", "vendor": 1200, "product": 65535})",
       "nDevType=3; nidVendor=0x04B0; nidProduct=0xFFFF; sDevName=second; "},
      {R"({"type": 9})", "nDevType=9; "},
      {R"({"type": "root-hub", "ports": 4})",
       "nDevType=1; nNumofPorts=4; sAddlHWInfo=Number of Ports:4|; "},
      {R"({"type": 1})", "nDevType=1; sAddlHWInfo=Number of Ports:0|; "},
      {R"({"type": "hub", "ports": 3, "addlHWInfo": ""})", "nDevType=2; nNumofPorts=3; "},
      {R"({"type": "root-hub", "ports": 255, "addlHWInfo": "Number of Ports:-2147483648|"})",
       "nDevType=1; nNumofPorts=255; sAddlHWInfo=Number of Ports:-2147483648|; "},
      {R"({"type": "device", "ports": 3})", "nDevType=3; nNumofPorts=3; "},
      {R"({"type": "host-controller", "ports": 3})", "nNumofPorts=3; "},
      {R"({"vendor": "0X04b4", "product": "0x0"})", "nDevType=3; nidVendor=0x04B4; "},
      {R"({"name": "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[\"{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{"})",
       "nDevType=3; sDevName=" + std::string(40, '[') + "\"" + std::string(35, '{') + "; "},
      {R"({"status": -2147483648, "ports": 2147483647})",
       "nDevStatus=-2147483648; nDevType=3; nNumofPorts=2147483647; "},
      // A relative device path is taken from the topology's folder.
      {R"({"devicePath": "nodes/001/002"})",
       "nDevType=3; sDevDescriptor=" + (m_dir / "nodes/001/002").string() + "; "},
      {R"({"devicePath": "/dev/bus/usb/001/003"})",
       "nDevType=3; sDevDescriptor=/dev/bus/usb/001/003; "},
      {R"({"devicePath": "C:\\hub"})", "nDevType=3; sDevDescriptor=C:\\hub; "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    useTopology(topologyOf(c.entry));
    const std::vector<Usb_Device> records = enumerate();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(changedMembers(records[0]), c.record);
  }
}

TEST_F(RecordTest, NextKeepsFileOrderStopsAtTheEndAndEnumeratingAgainStartsOver) {
  useTopology(topologyOf(R"({"name": "a"}, {"name": "b"}, {"name": "c"})"));
  USBDeviceFinder finder(nullptr);
  Usb_Device* record = nullptr;
  EXPECT_FALSE(finder.Next(&record)) << "nothing before getAllUSBDevices";
  ASSERT_TRUE(finder.getAllUSBDevices());
  EXPECT_FALSE(finder.Next(nullptr));
  ASSERT_TRUE(finder.Next(&record));
  EXPECT_EQ(record->sDevName, "a");
  delete record;
  USBDeviceFinder copy = finder;
  EXPECT_EQ(nextOutcomes(copy), (Texts{"b", "c"}));
  EXPECT_EQ(nextOutcomes(finder), (Texts{"b", "c"})) << "the original keeps its own place";
  ASSERT_TRUE(finder.getAllUSBDevices());
  EXPECT_EQ(nextOutcomes(finder), (Texts{"a", "b", "c"}));

  useTopology(R"({"devices": []})");
  EXPECT_TRUE(enumerate().empty());
}

}  // namespace
