// Records of the Windows backend from what SetupAPI and the configuration manager report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "windows/WindowsRecords.h"

using namespace KestraDiags::Ludrel;

namespace {

constexpr std::uint32_t kStarted = DevNode::kStarted;
constexpr std::uint32_t kProblem = DevNode::kHasProblem;

DeviceNode started(DeviceKind kind, const std::string& instanceId) {
  DeviceNode node;
  node.kind = kind;
  node.instanceId = instanceId;
  node.nodeStatus = kStarted;
  return node;
}

TEST(DeviceStatus, FollowsTheNodesStatusAndProblem) {
  const struct {
    const char* what;
    std::optional<std::uint32_t> status;
    std::uint32_t problem;
    std::int32_t expected;
  } cases[] = {
      {"started", kStarted, 0, 0},
      {"not started, no problem", 0, 0, 4},
      {"not present", std::nullopt, 0, 3},
      {"disabled", kProblem, 22, 2},
      {"disabled by its hardware", kProblem, 29, 2},
      {"phantom", kProblem, 45, 3},
      {"not configured", kProblem, 1, 4},
      {"failed install", kProblem, 28, 4},
      {"failed start (code 10)", kProblem, 10, 1},
      {"failed start, still marked started", kProblem | kStarted, 10, 1},
      {"a problem number without the problem flag", kStarted, 22, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DeviceNode node;
    node.nodeStatus = c.status;
    node.problem = c.problem;
    EXPECT_EQ(deviceStatusOf(node), c.expected);
  }
}

TEST(UsbIdNumbers, ReadFourHexDigitsAfterEachLabel) {
  const struct {
    const char* identifier;
    int vendor, product, revision;
  } cases[] = {
      {R"(USB\VID_046D&PID_C52B&REV_1201)", 0x046D, 0xC52B, 0x1201},
      {R"(usb\vid_046d&pid_c52b\6&2a7b)", 0x046D, 0xC52B, -1},
      {R"(USB\ROOT_HUB30\4&2F0A3C9&0&0)", -1, -1, -1},
      {R"(USB\VID_04)", -1, -1, -1},
      {R"(USB\VID_04G1&PID_0001)", -1, 0x0001, -1},
      {"", -1, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.identifier);
    const UsbIdNumbers numbers = usbIdNumbersOf(c.identifier);
    EXPECT_EQ(numbers.vendor, c.vendor);
    EXPECT_EQ(numbers.product, c.product);
    EXPECT_EQ(numbers.revision, c.revision);
  }
}

TEST(WindowsRecord, RootHubCarriesItsPathAndPortCount) {
  DeviceNode node = started(DeviceKind::Hub, R"(USB\ROOT_HUB30\4&2F0A3C9&0&0)");
  node.interfacePath = R"(\\?\usb#root_hub30#4&2f0a3c9&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8})";
  node.description = "USB Root Hub (USB 3.0)";
  node.manufacturer = "(Standard USB HUBs)";
  node.parentInstanceId = R"(PCI\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\3&11583659&1&A0)";
  node.portCount = 10;
  const Usb_Device record = windowsDeviceRecord(node);
  EXPECT_EQ(record.nDevType, 1);
  EXPECT_EQ(record.nDevStatus, 0);
  EXPECT_EQ(record.nNumofPorts, 10);
  EXPECT_EQ(record.sAddlHWInfo, "Number of Ports:10|");
  EXPECT_EQ(record.sDevDescriptor, node.interfacePath);
  EXPECT_EQ(record.sDevName, "USB Root Hub (USB 3.0)");
  EXPECT_EQ(record.sDevDesc, "USB Root Hub (USB 3.0)");
  EXPECT_EQ(record.sManufacturer, "(Standard USB HUBs)");
  EXPECT_EQ(record.sDevInstanceId, node.instanceId);
  EXPECT_EQ(record.sLocation, node.instanceId);  // a root hub has no location of its own
  EXPECT_EQ(record.nidVendor, 0);
  EXPECT_EQ(record.sDevKey, "");
  EXPECT_EQ(record.sSerialNumber, "");
}

TEST(WindowsRecord, ExternalHubHasTheKeyItsPortGivesAndItsFirmware) {
  DeviceNode node = started(DeviceKind::Hub, R"(USB\VID_04B4&PID_6560\5&2C7A3E1F&0&1)");
  node.hardwareId = R"(USB\VID_04B4&PID_6560&REV_3298)";
  node.description = "Generic USB Hub";
  node.driverKey = R"({36fc9e60-c465-11cf-8056-444553540000}\0007)";
  node.location = "Port_#0001.Hub_#0002";
  node.address = 1;
  node.portCount = 4;
  const Usb_Device record = windowsDeviceRecord(node);
  EXPECT_EQ(record.nDevType, 2);
  EXPECT_EQ(record.nidVendor, 0x04B4);
  EXPECT_EQ(record.nidProduct, 0x6560);
  EXPECT_EQ(record.sFirmwareRev, "32.98");
  EXPECT_EQ(record.sDevKey, "04b4:6560 #7");
  EXPECT_EQ(record.sAddlHWInfo, "Number of Ports:4|");
  EXPECT_EQ(record.sLocation, "Port_#0001.Hub_#0002");
  EXPECT_EQ(record.nPortNumber, 1);
  EXPECT_EQ(record.sSerialNumber, "");  // the hub driver made the instance's name
}

TEST(WindowsRecord, HubWithoutAPortCountHasNone) {
  DeviceNode node = started(DeviceKind::Hub, R"(USB\VID_04B4&PID_6560\5&2C7A3E1F&0&1)");
  const Usb_Device record = windowsDeviceRecord(node);
  EXPECT_EQ(record.nNumofPorts, 0);
  EXPECT_EQ(record.sAddlHWInfo, "Number of Ports:0|");
}

TEST(WindowsRecord, DeviceNamedByItsFriendlyNameWithSerialAndFallback) {
  DeviceNode node = started(DeviceKind::Device, R"(USB\VID_0781&PID_5567\4C530001220528113261)");
  node.friendlyName = "SanDisk Cruzer Blade";
  node.description = "USB Mass Storage Device";
  node.hardwareId = R"(USB\VID_0781&PID_5567&REV_0100)";
  node.driverKey = R"({36fc9e60-c465-11cf-8056-444553540000}\0012)";
  node.service = "USBSTOR";
  node.address = 3;
  const Usb_Device record = windowsDeviceRecord(node);
  EXPECT_EQ(record.nDevType, 3);
  EXPECT_EQ(record.sDevName, "SanDisk Cruzer Blade");
  EXPECT_EQ(record.sDevDesc, "USB Mass Storage Device");
  EXPECT_EQ(record.sSerialNumber, "4C530001220528113261");
  EXPECT_EQ(record.sFallbackName, "USB Device 0781:5567");
  EXPECT_EQ(record.sFirmwareRev, "1.00");
  EXPECT_EQ(record.sService, "USBSTOR");
  EXPECT_EQ(record.nPortNumber, 3);
  EXPECT_EQ(record.sDevKey, "0781:5567 #12");
  EXPECT_EQ(record.sDevDescriptor, "");  // only hubs are opened
  EXPECT_EQ(record.sAddlHWInfo, "");
}

TEST(WindowsRecord, HostControllerHasNoUsbDeviceData) {
  DeviceNode node = started(DeviceKind::HostController,
                            R"(PCI\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\3&11583659&1&A0)");
  node.description = "Intel(R) USB 3.1 eXtensible Host Controller - 1.10 (Microsoft)";
  node.location = "PCI bus 0, device 20, function 0";
  const Usb_Device record = windowsDeviceRecord(node);
  EXPECT_EQ(record.nDevType, 0);
  EXPECT_EQ(record.nDevStatus, 0);
  EXPECT_EQ(record.sLocation, "PCI bus 0, device 20, function 0");
  EXPECT_EQ(record.sFallbackName, "");
  EXPECT_EQ(record.sSerialNumber, "");
  EXPECT_EQ(record.sFirmwareRev, "");
  EXPECT_EQ(record.sDevKey, "");
}

Usb_Device recordAt(const std::string& id, const std::string& parent, int port) {
  Usb_Device record;
  record.sDevInstanceId = id;
  record.sParentInstanceId = parent;
  record.sLocation = "at " + id;
  record.nPortNumber = port;
  return record;
}

std::vector<std::string> idsOf(const std::vector<Usb_Device>& records) {
  std::vector<std::string> ids;
  for (const Usb_Device& record : records) ids.push_back(record.sDevInstanceId);
  return ids;
}

TEST(HandOutOrder, EachControllerThenItsTreeDepthFirstByPort) {
  const std::vector<Usb_Device> ordered = inHandOutOrder({
      recordAt("dev-3", "root-a", 3),
      recordAt("hub-2", "root-a", 2),
      recordAt("root-b", "ctl-b", 0),
      recordAt("dev-1", "root-a", 1),
      recordAt("ctl-a", "pci", 0),
      recordAt("hub-2-dev", "hub-2", 1),
      recordAt("root-a", "ctl-a", 0),
      recordAt("ctl-b", "pci", 0),
  });
  EXPECT_EQ(idsOf(ordered), (std::vector<std::string>{"ctl-a", "root-a", "dev-1", "hub-2",
                                                      "hub-2-dev", "dev-3", "ctl-b", "root-b"}));
}

TEST(HandOutOrder, ParentLocationsComeFromTheParentsRecord) {
  const std::vector<Usb_Device> ordered = inHandOutOrder({
      recordAt("ctl", "pci-root", 0),
      recordAt("root", "ctl", 0),
      recordAt("dev", "root", 1),
  });
  ASSERT_EQ(ordered.size(), 3u);
  EXPECT_EQ(ordered[0].sParentLocation, "pci-root");  // not among them: its identifier
  EXPECT_EQ(ordered[1].sParentLocation, "at ctl");
  EXPECT_EQ(ordered[2].sParentLocation, "at root");
}

TEST(HandOutOrder, EqualPortsKeepTheirOrderAndNoRecordIsLost) {
  const std::vector<Usb_Device> ordered = inHandOutOrder({
      recordAt("root", "", 0),
      recordAt("first", "root", 0),
      recordAt("second", "root", 0),
      recordAt("self", "self", 0),
      recordAt("loop-a", "loop-b", 0),
      recordAt("loop-b", "loop-a", 0),
  });
  EXPECT_EQ(idsOf(ordered),
            (std::vector<std::string>{"root", "first", "second", "self", "loop-a", "loop-b"}));
}

}  // namespace
