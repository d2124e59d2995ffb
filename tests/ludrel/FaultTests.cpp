#include <climits>
#include <fstream>
#include <functional>
#include <sstream>

#include "TopologyFixture.h"
#include "ludrel/USBUtil.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

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

// Runs `operation` and checks that it throws exactly `expected`, of type T.
template <typename T>
void expectThrows(const std::function<void()>& operation, const T& expected) {
  try {
    operation();
    ADD_FAILURE() << "nothing was thrown";
  } catch (const T& value) {
    EXPECT_EQ(value, expected);
  } catch (...) {
    ADD_FAILURE() << "a value of another type was thrown";
  }
}

struct ThrownCase {
  std::string fault;
  std::function<void(const std::function<void()>&)> check;
};

const ThrownCase kThrownCases[] = {
    {R"({"type": "string", "value": "device gone"})",
     [](const std::function<void()>& op) { expectThrows<std::string>(op, "device gone"); }},
    // unsigned long has 32 bits on Windows, 64 on Linux.
    {R"({"type": "unsigned long", "value": )" + std::to_string(ULONG_MAX) + "}",
     [](const std::function<void()>& op) { expectThrows<unsigned long>(op, ULONG_MAX); }},
    {R"({"type": "unsigned long", "value": 31})",
     [](const std::function<void()>& op) { expectThrows<unsigned long>(op, 31ul); }},
    {R"({"type": "int", "value": -2147483648})",
     [](const std::function<void()>& op) { expectThrows<int>(op, INT_MIN); }},
    {R"({"type": "int", "value": 7})",
     [](const std::function<void()>& op) { expectThrows<int>(op, 7); }},
};

class FaultTest : public TopologyTest {};

TEST_F(FaultTest, NextThrowsAtTheMarkedRecordAndGoesOnAfterIt) {
  for (const ThrownCase& c : kThrownCases) {
    SCOPED_TRACE(c.fault);
    useTopology(topologyWithFaults("", std::string(R"(, "nextThrows": )") + c.fault));
    USBDeviceFinder finder(nullptr);
    ASSERT_TRUE(finder.getAllUSBDevices());
    Usb_Device* record = nullptr;
    ASSERT_TRUE(finder.Next(&record));
    delete record;
    ASSERT_TRUE(finder.Next(&record));
    delete record;
    record = nullptr;
    c.check([&] { finder.Next(&record); });
    EXPECT_EQ(record, nullptr);
    ASSERT_TRUE(finder.Next(&record));
    EXPECT_EQ(record->sDevName, "after");
    delete record;
  }
}

TEST_F(FaultTest, PortQueriesThrowAtTheMarkedPortOnly) {
  for (const char* member : {"isPortBusyThrows", "checkforOCStateThrows"}) {
    for (const ThrownCase& c : kThrownCases) {
      SCOPED_TRACE(std::string(member) + " " + c.fault);
      useTopology(topologyWithFaults(std::string(R"(, ")") + member + R"(": )" + c.fault, ""));
      USBDeviceFinder finder(nullptr);
      std::string key;
      int state = 0;
      const bool busyThrows = std::string(member) == "isPortBusyThrows";
      EXPECT_TRUE(finder.isPortBusy(kHubPath, 2, key, nullptr));
      EXPECT_EQ(finder.checkforOCState(kHubPath, 2, state, nullptr), 0);
      const std::function<void()> busy = [&] { finder.isPortBusy(kHubPath, 3, key, nullptr); };
      const std::function<void()> oc = [&] { finder.checkforOCState(kHubPath, 3, state, nullptr); };
      c.check(busyThrows ? busy : oc);
      EXPECT_NO_THROW((busyThrows ? oc : busy)());
    }
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
  std::stringstream written;
  written << std::ifstream(logPath).rdbuf();
  EXPECT_EQ(written.str(), "Ludrel: LUDREL_ERROR_IO: " + message + "\n");
}

}  // namespace
