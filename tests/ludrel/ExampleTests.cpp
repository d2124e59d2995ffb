#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <utility>

#include "TopologyFixture.h"
#include "ludrel/USBUtil.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

namespace {

const std::string kExamples = HALVEX_EXAMPLES_DIR;
const std::string kFormatDocument = HALVEX_DOCS_DIR "/topology-format.md";
// The fault topologies name the stand-in node of the root hub relative to their own folder.
const std::string kRootHub = kExamples + "/faults/../nodes/001/001";

// Every (hub path, port) whose over-current answer is 2.
std::set<std::pair<std::string, int>> portsInOverCurrent(const std::vector<Usb_Device>& records) {
  std::set<std::pair<std::string, int>> found;
  USBDeviceFinder finder(nullptr);
  for (const Usb_Device& record : records) {
    for (int port = 1; !record.sDevDescriptor.empty() && port <= record.nNumofPorts; ++port) {
      int state = 0;
      if (finder.checkforOCState(record.sDevDescriptor, port, state, nullptr) == 2) {
        found.emplace(record.sDevDescriptor, port);
      }
    }
  }
  return found;
}

// What the k-th call of Next (from 1) threw, as "index:type".
std::string whereNextThrows() {
  USBDeviceFinder finder(nullptr);
  EXPECT_TRUE(finder.getAllUSBDevices());
  Usb_Device* record = nullptr;
  for (int call = 1;; ++call) {
    const std::string at = std::to_string(call) + ":";
    try {
      if (!finder.Next(&record)) return "no throw";
      delete record;
    } catch (const std::string&) {
      return at + "string";
    } catch (unsigned long) {
      return at + "unsigned long";
    } catch (int) {
      return at + "int";
    }
  }
}

struct Example {
  const char* file;
  std::function<void()> check;
};

class ExampleTest : public TopologyTest {};

TEST_F(ExampleTest, EachBundledTopologyShowsWhatItIsFor) {
  const Example examples[] = {
      {"rack-server.json",
       [] {
         const std::set<std::pair<std::string, int>> expected = {{kExamples + "/nodes/001/003", 2}};
         EXPECT_EQ(portsInOverCurrent(enumerate()), expected);
       }},
      {"desktop.json", [] { EXPECT_TRUE(portsInOverCurrent(enumerate()).empty()); }},
      {"faults/enumeration-fails.json",
       [] {
         USBDeviceFinder finder(nullptr);
         EXPECT_FALSE(finder.getAllUSBDevices());
         EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_IO");
       }},
      {"faults/next-throws-string.json", [] { EXPECT_EQ(whereNextThrows(), "4:string"); }},
      {"faults/next-throws-unsigned-long.json",
       [] { EXPECT_EQ(whereNextThrows(), "4:unsigned long"); }},
      {"faults/next-throws-int.json", [] { EXPECT_EQ(whereNextThrows(), "4:int"); }},
      {"faults/port-busy-throws-int.json",
       [] {
         USBDeviceFinder finder(nullptr);
         std::string key;
         EXPECT_TRUE(finder.isPortBusy(kRootHub, 1, key, nullptr));
         EXPECT_THROW(finder.isPortBusy(kRootHub, 2, key, nullptr), int);
       }},
      {"faults/oc-check-throws.json",
       [] {
         USBDeviceFinder finder(nullptr);
         int state = 0;
         EXPECT_EQ(finder.checkforOCState(kRootHub, 1, state, nullptr), 0);
         EXPECT_THROW(finder.checkforOCState(kRootHub, 2, state, nullptr), unsigned long);
       }},
  };
  for (const Example& example : examples) {
    SCOPED_TRACE(example.file);
    useTopologyPath(kExamples + "/" + example.file);
    example.check();
    EXPECT_TRUE(USBUtil::lastErrorName().empty() ||
                std::string(example.file) == "faults/enumeration-fails.json")
        << USBUtil::lastErrorMessage();
  }
}

TEST_F(ExampleTest, TheDocumentedExampleIsAValidTopology) {
  std::stringstream document;
  document << std::ifstream(kFormatDocument).rdbuf();
  const std::string text = document.str();
  const std::string opening = "```json\n";
  const std::size_t begin = text.find(opening);
  ASSERT_NE(begin, std::string::npos);
  const std::size_t end = text.find("```", begin + opening.size());
  useTopology(text.substr(begin + opening.size(), end - begin - opening.size()));
  const std::vector<Usb_Device> records = enumerate();
  EXPECT_EQ(records.size(), 5u) << USBUtil::lastErrorMessage();
  const std::set<std::pair<std::string, int>> expected = {{"/dev/bus/usb/001/001", 2}};
  EXPECT_EQ(portsInOverCurrent(records), expected);
}

TEST_F(ExampleTest, EveryParentLocationIsADeviceOrThePciRoot) {
  for (const char* file : {"rack-server.json", "desktop.json"}) {
    SCOPED_TRACE(file);
    useTopologyPath(kExamples + "/" + file);
    const std::vector<Usb_Device> records = enumerate();
    std::set<std::string> locations;
    for (const Usb_Device& record : records) {
      EXPECT_TRUE(locations.insert(record.sLocation).second) << record.sLocation << " twice";
    }
    for (const Usb_Device& record : records) {
      EXPECT_TRUE(locations.count(record.sParentLocation) == 1 ||
                  record.sParentLocation.rfind("pci", 0) == 0)
          << record.sLocation << " has no parent " << record.sParentLocation;
    }
  }
}

}  // namespace
