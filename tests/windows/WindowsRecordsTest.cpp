// Records of the Windows backend from what SetupAPI and the configuration manager report.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../ludrel/RecordText.h"
#include "../support/ExpectedFiles.h"
#include "windows/WindowsRecords.h"

using namespace KestraDiags::Ludrel;

namespace {

// A node from "member=value; ...": the kind (hub or controller), the status in hex, the problem,
// the address, the port count or one of the texts. What is not given keeps a new node's value.
DeviceNode nodeOf(const std::string& members) {
  DeviceNode node;
  const std::map<std::string, std::string*> texts = {{"instanceId", &node.instanceId},
                                                     {"parentInstanceId", &node.parentInstanceId},
                                                     {"interfacePath", &node.interfacePath},
                                                     {"friendlyName", &node.friendlyName},
                                                     {"description", &node.description},
                                                     {"manufacturer", &node.manufacturer},
                                                     {"location", &node.location},
                                                     {"driverKey", &node.driverKey},
                                                     {"service", &node.service},
                                                     {"hardwareId", &node.hardwareId}};
  std::istringstream list(members);
  for (std::string member; std::getline(list >> std::ws, member, ';');) {
    const std::string name = member.substr(0, member.find('='));
    const std::string value = member.substr(name.size() + 1);
    if (texts.count(name) != 0) {
      *texts.at(name) = value;
    } else if (name == "kind") {
      node.kind = value == "hub" ? DeviceKind::Hub : DeviceKind::HostController;
    } else if (name == "status") {
      node.nodeStatus = std::stoul(value, nullptr, 16);
    } else if (name == "problem") {
      node.problem = std::stoul(value);
    } else if (name == "address") {
      node.address = std::stoi(value);
    } else {
      EXPECT_EQ(name, "ports");
      node.portCount = std::stoi(value);
    }
  }
  return node;
}

// Each node of windows-nodes.txt, its record whole in tests/expected/windows-records/: each kind
// of node, each status and problem, and hardware identifiers that hold no USB ID or half of one.
// A root hub has no location of its own; a hub without a serial number has the instance name its
// driver made; only hubs have a device path, to be opened.
TEST(WindowsRecord, EachKindOfNodeStatusAndIdentifierGivesItsRecord) {
  std::string records;
  for (const std::string& line : caseLines("tests/windows/windows-nodes.txt")) {
    const std::size_t colon = std::min(line.find(':'), line.size());
    const DeviceNode node = nodeOf(line.substr(std::min(colon + 2, line.size())));
    records += line.substr(0, colon) + ": " + changedMembers(windowsDeviceRecord(node)) + "\n";
  }
  expectStoredFiles("windows-records", {{"records.txt", records}});
}

// Each record of hand-out-records.txt (port, identifier, parent), whole in order with its parent
// location, which is the parent record's location, or the parent's identifier when the parent is
// not among the records. Equal ports keep their order; records in a loop of parents come last.
TEST(HandOutOrder, EachRootThenItsTreeDepthFirstByPortAndNoRecordIsLost) {
  std::vector<Usb_Device> records;
  for (const std::string& line : caseLines("tests/windows/hand-out-records.txt")) {
    Usb_Device record;
    std::istringstream(line) >> record.nPortNumber >> record.sDevInstanceId >>
        record.sParentInstanceId;
    record.sLocation = "at " + record.sDevInstanceId;
    records.push_back(record);
  }
  std::string order;
  for (const Usb_Device& record : inHandOutOrder(records)) {
    order += record.sDevInstanceId + " below " + record.sParentLocation + "\n";
  }
  expectStoredFiles("windows-hand-out-order", {{"order.txt", order}});
}

}  // namespace
