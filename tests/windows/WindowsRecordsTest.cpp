// Records of the Windows backend from what SetupAPI and the configuration manager report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ludrel/RecordText.h"
#include "../runner/ExpectedFiles.h"
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

// A node of the given status, problem and hardware identifier, and nothing else.
DeviceNode withStatus(std::optional<std::uint32_t> status, std::uint32_t problem = 0,
                      const std::string& hardwareId = "") {
  DeviceNode node;
  node.nodeStatus = status;
  node.problem = problem;
  node.hardwareId = hardwareId;
  return node;
}

// Each record whole in tests/expected/windows-records/records.txt: each kind of node, each
// status and problem, and hardware identifiers that hold no USB ID or half of one.
TEST(WindowsRecord, EachKindOfNodeStatusAndIdentifierGivesItsRecord) {
  DeviceNode rootHub = started(DeviceKind::Hub, R"(USB\ROOT_HUB30\4&2F0A3C9&0&0)");
  rootHub.interfacePath =
      R"(\\?\usb#root_hub30#4&2f0a3c9&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8})";
  rootHub.description = "USB Root Hub (USB 3.0)";
  rootHub.manufacturer = "(Standard USB HUBs)";
  rootHub.parentInstanceId = R"(PCI\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\3&11583659&1&A0)";
  rootHub.portCount = 10;

  DeviceNode hub = started(DeviceKind::Hub, R"(USB\VID_04B4&PID_6560\5&2C7A3E1F&0&1)");
  hub.hardwareId = R"(USB\VID_04B4&PID_6560&REV_3298)";
  hub.description = "Generic USB Hub";
  hub.driverKey = R"({36fc9e60-c465-11cf-8056-444553540000}\0007)";
  hub.location = "Port_#0001.Hub_#0002";
  hub.address = 1;
  hub.portCount = 4;

  DeviceNode device = started(DeviceKind::Device, R"(USB\VID_0781&PID_5567\4C530001220528113261)");
  device.friendlyName = "SanDisk Cruzer Blade";
  device.description = "USB Mass Storage Device";
  device.hardwareId = R"(USB\VID_0781&PID_5567&REV_0100)";
  device.driverKey = R"({36fc9e60-c465-11cf-8056-444553540000}\0012)";
  device.service = "USBSTOR";
  device.address = 3;

  DeviceNode controller =
      started(DeviceKind::HostController,
              R"(PCI\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\3&11583659&1&A0)");
  controller.description = "Intel(R) USB 3.1 eXtensible Host Controller - 1.10 (Microsoft)";
  controller.location = "PCI bus 0, device 20, function 0";

  // A root hub has no location of its own; a hub without a serial number has the instance name
  // its driver made; only hubs have a device path, to be opened.
  const std::pair<const char*, DeviceNode> nodes[] = {
      {"root hub", rootHub},
      {"external hub", hub},
      {"external hub without a port count",
       started(DeviceKind::Hub, R"(USB\VID_04B4&PID_6560\5&2C7A3E1F&0&1)")},
      {"device", device},
      {"host controller", controller},
      {"not started, no problem", withStatus(0)},
      {"not present", withStatus(std::nullopt)},
      {"disabled", withStatus(kProblem, 22)},
      {"disabled by its hardware", withStatus(kProblem, 29)},
      {"phantom", withStatus(kProblem, 45)},
      {"not configured", withStatus(kProblem, 1)},
      {"failed install", withStatus(kProblem, 28)},
      {"failed start (code 10)", withStatus(kProblem, 10)},
      {"failed start, still marked started", withStatus(kProblem | kStarted, 10)},
      {"a problem number without the problem flag", withStatus(kStarted, 22)},
      {"hardware ID in lower case", withStatus(kStarted, 0, R"(usb\vid_046d&pid_c52b\6&2a7b)")},
      {"hardware ID cut short", withStatus(kStarted, 0, R"(USB\VID_04)")},
      {"hardware ID with a vendor not in hex", withStatus(kStarted, 0, R"(USB\VID_04G1&PID_0001)")},
  };
  std::string records;
  for (const auto& [what, node] : nodes) {
    records += std::string(what) + ": " + changedMembers(windowsDeviceRecord(node)) + "\n";
  }
  expectStoredFiles("windows-records", {{"records.txt", records}});
}

Usb_Device recordAt(const std::string& id, const std::string& parent, int port) {
  Usb_Device record;
  record.sDevInstanceId = id;
  record.sParentInstanceId = parent;
  record.sLocation = "at " + id;
  record.nPortNumber = port;
  return record;
}

// A parent location is the parent record's location, or the parent's identifier when the parent
// is not among the records. Equal ports keep their order; records in a loop of parents come last.
TEST(HandOutOrder, EachRootThenItsTreeDepthFirstByPortAndNoRecordIsLost) {
  std::string order;  // each record's identifier and parent location, in order
  for (const Usb_Device& record : inHandOutOrder({
           recordAt("dev-3", "root-a", 3),
           recordAt("hub-2", "root-a", 2),
           recordAt("root-b", "ctl-b", 0),
           recordAt("dev-1", "root-a", 1),
           recordAt("ctl-a", "pci", 0),
           recordAt("hub-2-dev", "hub-2", 1),
           recordAt("root-a", "ctl-a", 0),
           recordAt("ctl-b", "pci", 0),
           recordAt("root", "", 0),
           recordAt("first", "root", 0),
           recordAt("second", "root", 0),
           recordAt("self", "self", 0),
           recordAt("loop-a", "loop-b", 0),
           recordAt("loop-b", "loop-a", 0),
       })) {
    order += record.sDevInstanceId + " below " + record.sParentLocation + "\n";
  }
  expectStoredFiles("windows-hand-out-order", {{"order.txt", order}});
}

}  // namespace
