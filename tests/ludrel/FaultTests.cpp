#include <climits>

#include "TopologyFixture.h"

namespace {

constexpr const char* kHubPath = "/dev/bus/usb/002/001";

// A hub at kHubPath whose port 3 carries `portFault`, between two plain devices, the second of
// which carries `nextFault`.
std::string topologyWithFaults(const std::string& portFault, const std::string& nextFault) {
  return topologyOf(R"({"name": "first"},
    {"type": "root-hub", "ports": 4, "devicePath": "/dev/bus/usb/002/001", "portStates": [
      {"port": 2, "key": "kbd"}, {"port": 3, "key": "disk")" +
                    portFault + R"(}]},
    {"name": "faulty")" +
                    nextFault + R"(},
    {"name": "after"})");
}

// A fault as a topology asks for it, and what comes out. unsigned long has 32 bits on Windows, 64
// on Linux.
const std::pair<std::string, std::string> kFaults[] = {
    {R"({"type": "string", "value": "device gone"})", "string device gone"},
    {R"({"type": "unsigned long", "value": )" + std::to_string(ULONG_MAX) + "}",
     "unsigned long " + std::to_string(ULONG_MAX)},
    {R"({"type": "unsigned long", "value": 31})", "unsigned long 31"},
    {R"({"type": "int", "value": -2147483648})", "int -2147483648"},
    {R"({"type": "int", "value": 7})", "int 7"},
};

class FaultTest : public TopologyTest {};

TEST_F(FaultTest, NextThrowsAtTheMarkedRecordAndGoesOnAfterIt) {
  for (const auto& [fault, thrown] : kFaults) {
    SCOPED_TRACE(fault);
    useTopology(topologyWithFaults("", R"(, "nextThrows": )" + fault));
    USBDeviceFinder finder(nullptr);
    ASSERT_TRUE(finder.getAllUSBDevices());
    EXPECT_EQ(nextOutcomes(finder), (Texts{"first", "", "threw " + thrown, "after"}));
  }
}

TEST_F(FaultTest, PortQueriesThrowAtTheMarkedPortOnly) {
  for (const auto& [fault, thrown] : kFaults) {
    SCOPED_TRACE(fault);
    useTopology(topologyWithFaults(R"(, "isPortBusyThrows": )" + fault, ""));
    EXPECT_EQ(portAnswers(kHubPath, 2), "busy kbd, 0");
    EXPECT_EQ(portAnswers(kHubPath, 3), "threw " + thrown + ", 0");
    useTopology(topologyWithFaults(R"(, "checkforOCStateThrows": )" + fault, ""));
    EXPECT_EQ(portAnswers(kHubPath, 2), "busy kbd, 0");
    EXPECT_EQ(portAnswers(kHubPath, 3), "busy disk, threw " + thrown);
  }
}

TEST_F(FaultTest, ForcedEnumerationFailureIsReportedAndLogged) {
  const std::string path =
      useTopology(R"({"getAllUSBDevicesFails": "controller stopped", "devices": [{}]})");
  const std::string logPath = writeFile("trace.log", "");
  std::ofstream log(logPath);
  USBDeviceFinder finder(&log);
  EXPECT_FALSE(finder.getAllUSBDevices());
  Usb_Device* record = nullptr;
  EXPECT_FALSE(finder.Next(&record));
  const std::string message =
      path + ": getAllUSBDevices fails as the topology asks: controller stopped";
  EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_IO");
  EXPECT_EQ(USBUtil::lastErrorMessage(), message);
  log.close();
  EXPECT_EQ(readText(logPath), "Ludrel: LUDREL_ERROR_IO: " + message + "\n");
}

}  // namespace
