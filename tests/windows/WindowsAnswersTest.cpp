// What the Windows backend makes of what Windows reports: the cases of windows-answers.txt, each
// decoded as a line of the expected file of its decoder.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "../ludrel/RecordText.h"
#include "../ludrel/StatusText.h"
#include "../support/ExpectedFiles.h"
#include "windows/HubAnswers.h"
#include "windows/WindowsRecords.h"

using namespace KestraDiags::Ludrel;

namespace {

constexpr const char* kHub =
    R"(\\?\usb#root_hub30#4&2f0a3c9&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8})";

// Hex bytes, "55x22" for 22 bytes of 0x55, 'text' for the text in UTF-16.
Bytes bytesOf(const std::string& text) {
  std::istringstream tokens(text);
  Bytes bytes;
  for (std::string token; tokens >> token;) {
    if (token.front() == '\'') {
      for (const char c : token.substr(1, token.size() - 2)) {
        bytes.insert(bytes.end(), {static_cast<unsigned char>(c), 0});
      }
    } else {
      const auto value = static_cast<unsigned char>(std::stoul(token.substr(0, 2), nullptr, 16));
      bytes.insert(bytes.end(), token.size() > 3 ? std::stoul(token.substr(3)) : 1, value);
    }
  }
  return bytes;
}

// A value, the device of a connection, or "NAME: message" of a failure.
std::ostream& operator<<(std::ostream& out, const PortConnection& connection) {
  return out << "status " << connection.status << ", " << std::hex << connection.vendor << ":"
             << connection.product;
}
template <typename T>
std::string textOf(const Result<T>& result) {
  std::ostringstream text;
  if (!result.ok()) return result.failure().name + ": " + result.failure().message;
  text << result.value();
  return text.str();
}

// The connection status tells whether a device is on the port and whether it is in over-current
// now; the driver keeps no count and no status words. Of the answers to the over-current check,
// only over-current and an empty port stand out.
std::string statusAnswers(const std::string& bytes) {
  const Bytes answer = bytesOf(bytes);
  std::uint32_t status = 0;
  for (auto byte = answer.rbegin(); byte != answer.rend(); ++byte) status = status << 8 | *byte;
  return statusText::ofAnswer<PortStatus>(portStatusOf(status)) + "; " +
         std::to_string(overCurrentAnswerOf(status));
}

// A node from "member=value; ...". What is not given keeps a new node's value.
std::string recordOf(const std::string& members) {
  DeviceNode node;
#define TEXT(member) \
  { #member, &node.member }
  const std::map<std::string, std::string*> texts = {
      TEXT(instanceId),  TEXT(parentInstanceId), TEXT(interfacePath), TEXT(friendlyName),
      TEXT(description), TEXT(manufacturer),     TEXT(location),      TEXT(driverKey),
      TEXT(service),     TEXT(hardwareId)};
#undef TEXT
  std::istringstream list(members);
  for (std::string member; std::getline(list >> std::ws, member, ';');) {
    const std::string name = member.substr(0, member.find('='));
    const std::string value = member.substr(name.size() + 1);
    const bool number = name == "kind" || name == "status" || name == "problem" ||
                        name == "address" || name == "ports";
    if (!number && texts.count(name) == 0) throw std::invalid_argument("no member " + name);
    if (texts.count(name) != 0) *texts.at(name) = value;
    if (name == "kind") node.kind = value == "hub" ? DeviceKind::Hub : DeviceKind::HostController;
    if (name == "status") node.nodeStatus = std::stoul(value, nullptr, 16);
    if (name == "problem") node.problem = std::stoul(value);
    if (name == "address") node.address = std::stoi(value);
    if (name == "ports") node.portCount = std::stoi(value);
  }
  return changedMembers(windowsDeviceRecord(node));
}

TEST(WindowsAnswers, EachDecodesToItsValueRecordOrFailureAndRecordsGoOutInTreeOrder) {
  const std::map<std::string, std::function<std::string(const std::string&)>> decoders = {
      {"status", statusAnswers},
      {"ports", [](auto& in) { return textOf(portCountOf(bytesOf(in), kHub)); }},
      {"connection", [](auto& in) { return textOf(portConnectionOf(bytesOf(in), kHub, 3)); }},
      {"keysize", [](auto& in) { return textOf(driverKeyAnswerSize(bytesOf(in), kHub, 2)); }},
      {"keyname", [](auto& in) { return textOf(driverKeyNameOf(bytesOf(in), kHub, 2)); }},
      {"portkey", [](auto& in) { return portKeyText(0x5B7D, 0xA001, in); }},
      {"node", recordOf},
  };
  std::map<std::string, std::string> texts;
  std::vector<Usb_Device> records;
  for (const std::string& line : caseLines("tests/windows/windows-answers.txt")) {
    std::istringstream fields(line);
    std::string decoder, what, input;
    std::getline(std::getline(fields >> decoder >> std::ws, what, ':') >> std::ws, input);
    if (decoder == "handout") {
      records.emplace_back();
      records.back().sDevInstanceId = what;
      records.back().sLocation = "at " + what;
      std::istringstream(input) >> records.back().nPortNumber >> records.back().sParentInstanceId;
      continue;
    }
    texts[decoder == "node" ? "windows-records" : "windows-hub-answers"] +=
        what + ": " + decoders.at(decoder)(input) + "\n";
  }
  for (const Usb_Device& record : inHandOutOrder(records)) {
    texts["windows-hand-out-order"] +=
        record.sDevInstanceId + " below " + record.sParentLocation + "\n";
  }
  for (const auto& [folder, file] : {std::pair{"windows-hub-answers", "answers.txt"},
                                     {"windows-records", "records.txt"},
                                     {"windows-hand-out-order", "order.txt"}}) {
    expectStoredFiles(folder, {{file, texts[folder]}});
  }
  EXPECT_EQ(portQuery(0x01020304, 12), (Bytes{4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  // A buffer shorter than the index is filled as far as it goes.
  EXPECT_EQ(portQuery(7, 2), (Bytes{7, 0}));
}

}  // namespace
