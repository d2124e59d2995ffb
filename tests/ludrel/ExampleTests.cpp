#include <functional>
#include <set>
#include <utility>

#include "StatusText.h"
#include "TopologyFixture.h"

namespace {

const std::string kExamples = HALVEX_EXAMPLES_DIR;
using Ports = std::set<std::pair<std::string, int>>;

// Every (hub path, port) whose over-current answer is 2.
Ports portsInOverCurrent(const std::vector<Usb_Device>& records) {
  Ports found;
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

// What the fourth call of Next gives: each fault topology throws at its flash drive.
std::string fourthNext() {
  USBDeviceFinder finder(nullptr);
  EXPECT_TRUE(finder.getAllUSBDevices());
  return nextOutcomes(finder).at(3);
}

class ExampleTest : public TopologyTest {};

// The host's own tests run the others: the desktop, the enumeration that fails and the check that
// throws.
TEST_F(ExampleTest, EachBundledTopologyShowsWhatItIsFor) {
  const std::pair<const char*, std::function<void()>> examples[] = {
      {"rack-server.json",
       [] {
         EXPECT_EQ(portsInOverCurrent(enumerate()), (Ports{{kExamples + "/nodes/001/003", 2}}));
       }},
      {"faults/next-throws-string.json",
       [] { EXPECT_EQ(fourthNext(), "threw string device removed during enumeration"); }},
      {"faults/next-throws-unsigned-long.json",
       [] { EXPECT_EQ(fourthNext(), "threw unsigned long 1167"); }},
      {"faults/next-throws-int.json", [] { EXPECT_EQ(fourthNext(), "threw int 5"); }},
      {"faults/port-busy-throws-int.json",
       [] {
         // The fault topologies name the root hub's stand-in node relative to their own folder.
         const std::string rootHub = kExamples + "/faults/../nodes/001/001";
         EXPECT_EQ(portAnswers(rootHub, 1), "busy 04d9:1702 USB Keyboard, 0");
         EXPECT_EQ(portAnswers(rootHub, 2), "threw int 31, 0");
       }},
  };
  for (const auto& [file, check] : examples) {
    SCOPED_TRACE(file);
    useTopologyPath(kExamples + "/" + file);
    check();
    EXPECT_EQ(USBUtil::lastErrorMessage(), "");
  }
}

TEST_F(ExampleTest, TheDocumentedExampleIsAValidTopology) {
  const std::string text = readText(HALVEX_DOCS_DIR "/topology-format.md");
  const std::string opening = "```json\n";
  const std::size_t begin = text.find(opening);
  ASSERT_NE(begin, std::string::npos);
  const std::size_t end = text.find("```", begin + opening.size());
  useTopology(text.substr(begin + opening.size(), end - begin - opening.size()));
  const std::vector<Usb_Device> records = enumerate();
  EXPECT_EQ(records.size(), 5u) << USBUtil::lastErrorMessage();
  EXPECT_EQ(portsInOverCurrent(records), (Ports{{"/dev/bus/usb/001/001", 2}}));
}

TEST_F(ExampleTest, EveryParentLocationIsADeviceOrThePciRoot) {
  for (const char* file : {"rack-server.json", "desktop.json", "port-status.json"}) {
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

// Every hub of the example as the status reader answers for it and its ports: each port answers,
// words the file leaves out are the ones its other members imply, in the hub's own layout.
TEST_F(ExampleTest, PortStatusAnswersForEveryPortOfEveryHub) {
  useTopologyPath(kExamples + "/port-status.json");
  EXPECT_EQ(statusText::ofMachine(), R"(usb1: 0x0000/0x0000:
  1: 0x0103/0x0000: connected enabled powered
  2: 0x050B/0x0000: connected enabled powered overCurrent
  3: 0x0103/0x0008: connected enabled powered overCurrentChange
  4: 0x0100/0x0000: powered
1-1: 0x0002/0x0002: overCurrent overCurrentChange
  1: 0x0000/0x0000:
  2: 0x0000/0x0000:
  3: 0x0000/0x0000:
  4: 0x0000/0x0000:
usb2: 0x0000/0x0000:
  1: 0x020B/0x0000 SuperSpeed: connected enabled powered overCurrent ?suspended link 0
  2: 0x0203/0x0000 SuperSpeed: connected enabled powered ?suspended link 0
  3: 0x0203/0x0000 SuperSpeed: connected enabled powered ?suspended link 0, count 3
  4: 0x02A0/0x0000 SuperSpeed: powered ?suspended link 5
2-2: 0x0000/0x0000:
  1: LUDREL_ERROR_IO: port 1 of hub 2-2 did not answer: timed out
  2: LUDREL_ERROR_IO: port 2 of hub 2-2 did not answer: broken pipe
  3: 0x02A0/0x0000 SuperSpeed: powered ?suspended link 5
  4: 0x02A0/0x0000 SuperSpeed: powered ?suspended link 5
)");
  KestraDiags::Ludrel::HubStatusReader reader;
  EXPECT_EQ(statusText::ofAnswer(reader.portStatus(kExamples + "/nodes/001/001", 5)),
            "LUDREL_ERROR_NOT_FOUND: " + kExamples + "/port-status.json: hub " + kExamples +
                "/nodes/001/001 has no port 5 (it has 4)");
}

}  // namespace
