// What the Linux backend reads from names, sysfs files and usb.ids: each line of
// parsed-texts.txt is a function and its argument, and every answer, compared whole with
// tests/expected/linux-parsed-texts/, shows wrong, missed and extra answers alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "PortStatus.h"
#include "linux/DeviceNames.h"
#include "linux/RecordBuilder.h"
#include "linux/SysfsText.h"
#include "linux/UsbIds.h"
#include "tests/ludrel/RecordText.h"
#include "tests/support/ExpectedFiles.h"
#include "tests/support/TempDir.h"

using namespace KestraDiags::Ludrel;

namespace {

// The escapes of the data and expected files, and what each stands for.
constexpr std::string_view kEscapes = "nrt", kEscaped = "\n\r\t";

// The text between the first and the last quote, its escapes undone.
std::string unescaped(const std::string& row) {
  std::string text;
  for (std::size_t at = row.find('"') + 1; at < row.rfind('"'); ++at) {
    const std::size_t escape = row[at] == '\\' ? kEscapes.find(row[++at]) : kEscapes.npos;
    text += escape == kEscapes.npos ? row[at] : kEscaped[escape];
  }
  return text;
}

// The text between quotes, escaped.
std::string quoted(const std::string& text) {
  std::string shown = "\"";
  for (const char c : text) {
    const std::size_t escape = kEscaped.find(c);
    shown += escape == kEscaped.npos ? std::string(1, c) : std::string("\\") + kEscapes[escape];
  }
  return shown + "\"";
}

std::string shown(const std::optional<int>& number, const char* format = "%d") {
  char text[16] = "none";
  if (number) std::snprintf(text, sizeof text, format, *number);
  return text;
}

// "046d:c52b" as the database names it.
std::string idNames(const std::string& database, const std::string& ids) {
  const UsbIdNames names = findUsbIdNames(database, std::stoi(ids.substr(0, 4), nullptr, 16),
                                          std::stoi(ids.substr(5), nullptr, 16));
  return quoted(names.vendor) + " " + quoted(names.product);
}

// "1-1 busnum=1 ...": the device and its attributes, each with the kernel's newline.
std::string record(const std::string& device) {
  std::istringstream words(device);
  SysfsUsbDevice sysfs;
  words >> sysfs.name;
  sysfs.place = *parseDeviceName(sysfs.name);
  for (std::string attribute; words >> attribute;) {
    const std::size_t equals = attribute.find('=');
    sysfs.attributes[attribute.substr(0, equals)] = attribute.substr(equals + 1) + "\n";
  }
  return changedMembers(usbDeviceRecord(sysfs, [](int, int) { return UsbIdNames(); }));
}

// The hub's answer in hex; "none" is no buffer at all where a whole answer should be.
std::string words(const std::string& hex) {
  std::vector<unsigned char> answer;
  answer.reserve(kPortStatusLength);
  for (std::size_t at = 0; hex != "none" && at + 1 < hex.size(); at += 2) {
    answer.push_back(static_cast<unsigned char>(std::stoi(hex.substr(at, 2), nullptr, 16)));
  }
  const auto found = hex == "none" ? statusWords(nullptr, kPortStatusLength)
                                   : statusWords(answer.data(), int(answer.size()));
  return found ? shown(found->status, "%04x") + "/" + shown(found->change, "%04x") : "none";
}

const std::map<std::string, std::function<std::string(const std::string&)>> kFunctions = {
    {"device-name",
     [](const std::string& name) {
       const auto place = parseDeviceName(name);
       return place ? deviceName(*place) : "none";
     }},
    {"device-of-interface",
     [](const std::string& name) { return deviceOfInterface(name).value_or("none"); }},
    {"port-of-port-path", [](const std::string& path) { return shown(portOfPortPath(path)); }},
    {"usbfs-node",
     [](const std::string& path) {
       const auto node = parseUsbfsNodePath(path);
       return node ? shown(node->bus) + " " + shown(node->address) : "none";
     }},
    {"number",
     [](const std::string& raw) {
       return shown(hexAttribute(raw), "0x%X") + " " + shown(decimalAttribute(raw));
     }},
    {"text",
     [](const std::string& raw) {
       return quoted(attributeText(raw)) + " " + quoted(trimmedAttribute(raw));
     }},
    {"usb-ids",
     [](const std::string& ids) {
       static const std::string database = readFile(HALVEX_SOURCE_DIR "/tests/linux/usb.ids");
       return idNames(database, ids);
     }},
    {"usb-ids-in", [](const std::string& database) { return idNames(database, "046d:c52b"); }},
    {"status-words", words},
    {"record", record},
};

TEST(ParsedTexts, EachAnswerIsTheExpectedOne) {
  std::string answers;
  for (const std::string& row : caseLines("tests/linux/parsed-texts.txt")) {
    const std::string function = row.substr(0, row.find(' '));
    answers += row + "  ->  " + kFunctions.at(function)(unescaped(row)) + "\n";
  }
  expectStoredFiles("linux-parsed-texts", {{"answers.txt", answers}});
}

}  // namespace
