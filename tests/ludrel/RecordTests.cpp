#include <functional>
#include <type_traits>

#include "TopologyFixture.h"

using KestraDiags::Ludrel::USBDeviceFinder;

static_assert(std::is_copy_constructible_v<USBDeviceFinder>, "finders are copied by value");
static_assert(std::is_copy_assignable_v<USBDeviceFinder>, "finders are copied by value");

namespace {

class RecordTest : public TopologyTest {};

TEST_F(RecordTest, EveryFieldLandsInItsMemberAndRecordsKeepFileOrder) {
  useTopology(topologyOf(R"(
    {"type": "hub", "status": 4, "ports": 7, "vendor": "0x5B7D", "product": "0xa001",
     "ignore": true, "devicePath": "/dev/bus/usb/001/002", "firmware": "1.02", "serial": "SN1",
     "manufacturer": "Maker", "fallbackName": "Fallback", "name": "Name", "description": "Desc",
     "addlHWInfo": "Number of Ports:7|Power:self", "location": "1-1", "parentLocation": "usb1",
     "instanceId": "USB\\VID_5B7D&PID_A001\\SN1", "comment": "not a field"},
    {"name": "second", "vendor": 1200, "product": 65535},
    {"name": "third", "type": 9})"));

  const std::vector<Usb_Device> records = enumerate();
  ASSERT_EQ(records.size(), 3u);
  const Usb_Device& hub = records[0];
  EXPECT_EQ(hub.nDevType, 2);
  EXPECT_EQ(hub.nDevStatus, 4);
  EXPECT_EQ(hub.nNumofPorts, 7);
  EXPECT_EQ(hub.nidVendor, 0x5B7D);
  EXPECT_EQ(hub.nidProduct, 0xA001);
  EXPECT_TRUE(hub.bIgnore);
  EXPECT_EQ(hub.sDevDescriptor, "/dev/bus/usb/001/002");
  EXPECT_EQ(hub.sFirmwareRev, "1.02");
  EXPECT_EQ(hub.sSerialNumber, "SN1");
  EXPECT_EQ(hub.sManufacturer, "Maker");
  EXPECT_EQ(hub.sFallbackName, "Fallback");
  EXPECT_EQ(hub.sDevName, "Name");
  EXPECT_EQ(hub.sDevDesc, "Desc");
  EXPECT_EQ(hub.sAddlHWInfo, "Number of Ports:7|Power:self");
  EXPECT_EQ(hub.sLocation, "1-1");
  EXPECT_EQ(hub.sParentLocation, "usb1");
  EXPECT_EQ(hub.sDevInstanceId, "USB\\VID_5B7D&PID_A001\\SN1");
  EXPECT_EQ(records[1].sDevName, "second");
  EXPECT_EQ(records[1].nidVendor, 1200);
  EXPECT_EQ(records[1].nidProduct, 0xFFFF);
  EXPECT_EQ(records[2].sDevName, "third");
  EXPECT_EQ(records[2].nDevType, 9);
}

TEST_F(RecordTest, RelativeDevicePathIsTakenFromTheTopologysFolder) {
  const std::string file = useTopology(topologyOf(R"(
    {"type": "hub", "devicePath": "nodes/001/002"},
    {"type": "hub", "devicePath": "/dev/bus/usb/001/003"},
    {"type": "hub", "devicePath": "C:\\hub"})"));
  const std::vector<Usb_Device> records = enumerate();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].sDevDescriptor,
            (std::filesystem::path(file).parent_path() / "nodes/001/002").string());
  EXPECT_EQ(records[1].sDevDescriptor, "/dev/bus/usb/001/003");
  EXPECT_EQ(records[2].sDevDescriptor, "C:\\hub");
}

struct DefaultCase {
  const char* entry;
  std::function<void(const Usb_Device&)> check;
};

TEST_F(RecordTest, AbsentMembersTakeTheirDefaults) {
  const DefaultCase cases[] = {
      {R"({})",
       [](const Usb_Device& r) {
         EXPECT_EQ(r.nDevType, 3);
         EXPECT_EQ(r.nDevStatus, 0);
         EXPECT_EQ(r.nNumofPorts, 0);
         EXPECT_EQ(r.nidVendor, 0);
         EXPECT_EQ(r.nidProduct, 0);
         EXPECT_FALSE(r.bIgnore);
         EXPECT_TRUE(r.bConnected);
         EXPECT_EQ(r.sDevName + r.sDevDesc + r.sAddlHWInfo + r.sDevInstanceId + r.sLocation, "");
       }},
      {R"({"type": "root-hub", "ports": 4})",
       [](const Usb_Device& r) { EXPECT_EQ(r.sAddlHWInfo, "Number of Ports:4|"); }},
      {R"({"type": "hub", "ports": 12})",
       [](const Usb_Device& r) { EXPECT_EQ(r.sAddlHWInfo, "Number of Ports:12|"); }},
      {R"({"type": 1})",
       [](const Usb_Device& r) { EXPECT_EQ(r.sAddlHWInfo, "Number of Ports:0|"); }},
      {R"({"type": "hub", "ports": 3, "addlHWInfo": ""})",
       [](const Usb_Device& r) { EXPECT_EQ(r.sAddlHWInfo, ""); }},
      {R"({"type": "device", "ports": 3})",
       [](const Usb_Device& r) { EXPECT_EQ(r.sAddlHWInfo, ""); }},
      {R"({"type": "host-controller", "ports": 3})",
       [](const Usb_Device& r) {
         EXPECT_EQ(r.nDevType, 0);
         EXPECT_EQ(r.sAddlHWInfo, "");
       }},
      {R"({"vendor": "0X04b4", "product": "0x0"})",
       [](const Usb_Device& r) {
         EXPECT_EQ(r.nidVendor, 0x04B4);
         EXPECT_EQ(r.nidProduct, 0);
       }},
      {R"({"name": "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[\"{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{"})",
       [](const Usb_Device& r) { EXPECT_EQ(r.sDevName.size(), 76u) << "brackets in texts"; }},
      {R"({"status": -2147483648, "ports": 2147483647})",
       [](const Usb_Device& r) {
         EXPECT_EQ(r.nDevStatus, INT32_MIN);
         EXPECT_EQ(r.nNumofPorts, INT32_MAX);
       }},
  };
  for (const DefaultCase& c : cases) {
    SCOPED_TRACE(c.entry);
    useTopology(topologyOf(c.entry));
    const std::vector<Usb_Device> records = enumerate();
    ASSERT_EQ(records.size(), 1u);
    c.check(records[0]);
  }
}

TEST_F(RecordTest, NextStopsAtTheEndAndEnumeratingAgainStartsOver) {
  useTopology(topologyOf(R"({"name": "a"}, {"name": "b"})"));
  USBDeviceFinder finder(nullptr);
  Usb_Device* record = nullptr;
  EXPECT_FALSE(finder.Next(&record)) << "nothing before getAllUSBDevices";
  ASSERT_TRUE(finder.getAllUSBDevices());
  EXPECT_FALSE(finder.Next(nullptr));
  ASSERT_TRUE(finder.Next(&record));
  const std::unique_ptr<Usb_Device> first(record);
  EXPECT_EQ(first->sDevName, "a");

  USBDeviceFinder copy = finder;
  ASSERT_TRUE(copy.Next(&record));
  const std::unique_ptr<Usb_Device> second(record);
  EXPECT_EQ(second->sDevName, "b");
  EXPECT_FALSE(copy.Next(&record));

  ASSERT_TRUE(finder.Next(&record)) << "the original keeps its own place";
  delete record;
  EXPECT_FALSE(finder.Next(&record));
  ASSERT_TRUE(finder.getAllUSBDevices());
  ASSERT_TRUE(finder.Next(&record));
  const std::unique_ptr<Usb_Device> again(record);
  EXPECT_EQ(again->sDevName, "a");
}

TEST_F(RecordTest, AnEmptyDeviceListEnumeratesNothing) {
  useTopology(R"({"devices": []})");
  EXPECT_TRUE(enumerate().empty());
}

}  // namespace
