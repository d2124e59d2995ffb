#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ServerMachine.h"
#include "tests/ludrel/StatusText.h"
#include "tests/support/Environment.h"
#include "tests/support/TempDir.h"

namespace {

using Json = nlohmann::json;

struct ProgramRun {
  int exitStatus = -1;  // 128 + the signal for one killed by a signal
  std::string out;
  std::string err;
};

// halvex-host runs as a user runs it, on the emulated server; killed after a minute.
class EmulatedServer : public ::testing::Test {
 protected:
  void SetUp() override { ServerMachine::build(testbed); }

  ProgramRun host(const std::vector<std::string>& arguments) const {
    std::string command =
        "cd '" + dir.path() + "' && exec timeout -s KILL 60 " HALVEX_HOST_PATH " --no-log";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    const int status = std::system((command + " </dev/null >out.txt 2>err.txt").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
            readFile(dir.file("out.txt")), readFile(dir.file("err.txt"))};
  }

  Json hostJson(const std::vector<std::string>& arguments, int expectedStatus) const {
    const ProgramRun done = host(arguments);
    EXPECT_EQ(done.exitStatus, expectedStatus) << done.err;
    return Json::parse(done.out);
  }

  // A port in over-current on a USB 2 and on a SuperSpeed hub, a hub in over-current of its own
  // that has cut every port, a latched change bit, the kernel's count of 3, and two ports that
  // cannot be asked.
  void setUpPortCases() {
    testbed.setOverCurrent(ServerMachine::kUsb2Hub, 1, true);
    testbed.setOverCurrent(ServerMachine::kUsb3Hub, 2, true);
    testbed.setHubOverCurrent("3-1");
    testbed.latchOverCurrentChange(ServerMachine::kUsb2Hub, 4);
    testbed.setOverCurrentCount(ServerMachine::kUsb2Hub, 3, 3);
    testbed.failPort("usb1", 2, ETIMEDOUT);
    testbed.failPort("usb1", 3, EPIPE);
  }

  UsbTestbed testbed;
  TempDir dir;
};

// Every device on the port it is on; the deauthorized flash drive only as its hub's busy port.
TEST_F(EmulatedServer, TreeShowsEachDeviceOnItsPort) {
  const ProgramRun tree = host({"list", "--tree"});
  EXPECT_EQ(tree.exitStatus, 0) << tree.err;
  EXPECT_EQ(tree.out,
            "/:  USB Root Hub, Class=USB_ROOT_HUB, Location=usb1\n"
            "    |__ Port 1: USB Hub, Class=USB_EXT_HUB, Location=1-1\n"
            "        |__ Port 1: Dell KB216 Wired Keyboard, Class=USB_DEVICE, Location=1-1.1\n"
            "        |__ Port 4: FT232R USB UART, Class=USB_DEVICE, Location=1-1.4, Status=error\n"
            "        |__ Port 3: busy, Key=0781:5567 Cruzer Blade (1-1.3)\n"
            "    |__ Port 4: Unifying Receiver, Class=USB_DEVICE, Location=1-4\n"
            "/:  USB Root Hub (USB 3.0), Class=USB_ROOT_HUB, Location=usb2\n"
            "    |__ Port 1: USB Hub, Class=USB_EXT_HUB, Location=2-1\n"
            "        |__ Port 2: Ultra Fit, Class=USB_DEVICE, Location=2-1.2\n"
            "/:  USB Root Hub, Class=USB_ROOT_HUB, Location=usb3\n"
            "    |__ Port 1: USB Hub, Class=USB_EXT_HUB, Location=3-1\n"
            "        |__ Port 6: USB 10/100/1000 LAN, Class=USB_DEVICE, Location=3-1.6, "
            "Status=not configured\n");
}

// The verdict of every hub that diagnose checked, by location.
std::map<std::string, std::string> verdicts(const Json& report) {
  std::map<std::string, std::string> byLocation;
  for (const Json& hub : report["hubs"]) byLocation[hub["location"]] = hub["verdict"];
  return byLocation;
}

TEST_F(EmulatedServer, DiagnoseFindsThePortInOverCurrentAndClearsWithIt) {
  const std::map<std::string, std::string> clean = {
      {"usb1", "no-over-current"}, {"1-1", "no-over-current"},  {"usb2", "no-over-current"},
      {"2-1", "no-over-current"},  {"usb3", "no-over-current"}, {"3-1", "no-over-current"}};
  EXPECT_EQ(verdicts(hostJson({"diagnose", "--json"}, 0)), clean);

  const std::pair<const char*, int> ports[] = {
      {ServerMachine::kUsb2RootHub, 4},  // a USB 2 root hub's port with a device
      {ServerMachine::kUsb2Hub, 2},      // a USB 2 hub's empty port
      {ServerMachine::kUsb3Hub, 2},      // a SuperSpeed hub's port with a device
      {"3-1", 6},                        // the last port of a hub
  };
  for (const auto& [hub, port] : ports) {
    SCOPED_TRACE(std::string(hub) + " port " + std::to_string(port));
    testbed.setOverCurrent(hub, port, true);
    std::map<std::string, std::string> expected = clean;
    expected[hub] = "over-current";
    const Json report = hostJson({"diagnose", "--json"}, 2);
    EXPECT_EQ(verdicts(report), expected);
    EXPECT_EQ(report["summary"]["overCurrent"], 1);

    testbed.setOverCurrent(hub, port, false);
    EXPECT_EQ(verdicts(hostJson({"diagnose", "--json"}, 0)), clean);
  }
}

// What an operator needs told apart, as the library answers it for every port of every hub: a
// port in over-current on a USB 2 and on a SuperSpeed hub, a hub in over-current of its own that
// has cut every port, a latched change bit, the kernel's count, and two ports that cannot be
// asked. A snapshot replays each of them.
TEST_F(EmulatedServer, PortAndHubStatusAsTheHubsAndTheKernelReportThemAndTheirSnapshotReplays) {
  setUpPortCases();
  const std::string expected = R"(usb1: 0x0000/0x0000:
  1: 0x0103/0x0000: connected enabled powered
  2: LUDREL_ERROR_TRANSFER: /dev/bus/usb/001/001: GET_STATUS of port 2 failed: Connection timed out; the hub did not answer in time
  3: LUDREL_ERROR_TRANSFER: /dev/bus/usb/001/001: GET_STATUS of port 3 failed: Broken pipe; the hub refused the request; it may have fewer ports
  4: 0x0103/0x0000: connected enabled powered
1-1: 0x0000/0x0000:
  1: 0x000B/0x0008: connected enabled overCurrent overCurrentChange
  2: 0x0100/0x0000: powered
  3: 0x0103/0x0000: connected enabled powered, count 3
  4: 0x0103/0x0008: connected enabled powered overCurrentChange
usb2: 0x0000/0x0000:
  1: 0x0203/0x0000 SuperSpeed: connected enabled powered ?suspended link 0
  2: 0x02A0/0x0000 SuperSpeed: powered ?suspended link 5
  3: 0x02A0/0x0000 SuperSpeed: powered ?suspended link 5
  4: 0x02A0/0x0000 SuperSpeed: powered ?suspended link 5
2-1: 0x0000/0x0000:
  1: 0x02A0/0x0000 SuperSpeed: powered ?suspended link 5
  2: 0x000B/0x0008 SuperSpeed: connected enabled overCurrent overCurrentChange ?suspended link 0
  3: 0x02A0/0x0000 SuperSpeed: powered ?suspended link 5
  4: 0x02A0/0x0000 SuperSpeed: powered ?suspended link 5
usb3: 0x0000/0x0000:
  1: 0x0103/0x0000: connected enabled powered
  2: 0x0100/0x0000: powered
3-1: 0x0002/0x0002: overCurrent overCurrentChange
  1: 0x0000/0x0000:
  2: 0x0000/0x0000:
  3: 0x0000/0x0000:
  4: 0x0000/0x0000:
  5: 0x0000/0x0000:
  6: 0x0000/0x0000:
)";
  EXPECT_EQ(statusText::ofMachine(), expected);
  const std::string file = dir.file("usb.json");
  EXPECT_EQ(host({"snapshot", file}).exitStatus, 0);
  setEnvironment("LUDREL_TOPOLOGY", file);
  // A replayed port fails as a failed query of a topology does, whatever the name it failed with.
  EXPECT_EQ(statusText::ofMachine(),
            std::regex_replace(expected, std::regex("LUDREL_ERROR_TRANSFER"), "LUDREL_ERROR_IO"));
  unsetEnvironment("LUDREL_TOPOLOGY");
}

// The same cases as the operator sees them: diagnose names each port and what was on it.
TEST_F(EmulatedServer, DiagnoseNamesEachPortItsDeviceAndThePortsNotAsked) {
  setUpPortCases();
  const ProgramRun run = host({"diagnose"});
  EXPECT_EQ(run.exitStatus, 2) << run.err;
  const std::string ok = "111   T  T  -\n";
  EXPECT_EQ(
      std::regex_replace(run.out, std::regex(R"(\d{4}-\d\d-\d\dT[\d:+-]+)"), "T"),
      "HUB                     LOCATION  VERDICT          CODE  STARTED                    "
      "COMPLETED                  NOTE\n"
      "USB Root Hub            usb1      no over-current  111   T  T  not every port could be "
      "asked: /dev/bus/usb/001/001: GET_STATUS of port 3 failed: Broken pipe; the hub "
      "refused the request; it may have fewer ports\n"
      "USB Hub                 1-1       OVER-CURRENT     113   T  T  -\n"
      "USB Root Hub (USB 3.0)  usb2      no over-current  " +
          ok +
          "USB Hub                 2-1       OVER-CURRENT     113   T  T  -\n"
          "USB Root Hub            usb3      no over-current  " +
          ok + "USB Hub                 3-1       no over-current  " + ok +
          "usb1 port 2: not asked: /dev/bus/usb/001/001: GET_STATUS of port 2 failed: Connection "
          "timed out; the hub did not answer in time\n"
          "usb1 port 3: not asked: /dev/bus/usb/001/001: GET_STATUS of port 3 failed: Broken "
          "pipe; the hub refused the request; it may have fewer ports\n"
          "1-1 port 1: OVER-CURRENT now [413c:2113 Dell KB216 Wired Keyboard, key \"413c:2113 "
          "Dell KB216 Wired Keyboard (1-1.1)\"]\n"
          "1-1 port 3: past over-current (count 3) [key \"0781:5567 Cruzer Blade (1-1.3)\"]\n"
          "1-1 port 4: past over-current (latched) [0403:6001 FT232R USB UART, key \"0403:6001 "
          "FT232R USB UART (1-1.4)\"]\n"
          "2-1 port 2: OVER-CURRENT now [0781:5583 Ultra Fit, key \"0781:5583 Ultra Fit "
          "(2-1.2)\"]\n"
          "3-1: OVER-CURRENT now at hub level, port power: 1 off, 2 off, 3 off, 4 off, 5 off, 6 "
          "off\n"
          "Summary: 6 hubs checked, 4 without over-current, 2 in over-current, 0 without "
          "verdict.\n");
  // The kernel's count reaches the metrics and the JSON document too.
  const ProgramRun metrics = host({"diagnose", "--prometheus", "-"});
  EXPECT_NE(metrics.out.find(R"(halvex_port_overcurrent_events_total{hub="USB Hub",)"
                             R"(location="1-1",port="3"} 3)"),
            std::string::npos)
      << metrics.out;
  EXPECT_EQ(hostJson({"diagnose", "--json"}, 2)["hubs"][1]["ports"][1]["count"], 3);
}

TEST_F(EmulatedServer, SnapshotReplaysAsTheSameListTreeAndDiagnosis) {
  testbed.setOverCurrent(ServerMachine::kUsb3Hub, 2, true);
  const std::string file = dir.file("usb.json");
  const ProgramRun snapshot = host({"snapshot", file});
  ASSERT_EQ(snapshot.exitStatus, 0) << snapshot.err;
  EXPECT_EQ(snapshot.err + snapshot.out, "");
  const Json deauthorized = Json::parse(readFile(file))["devices"][4];
  EXPECT_EQ(deauthorized["location"], ServerMachine::kDeauthorized);
  EXPECT_EQ(deauthorized["ignore"], true);
  EXPECT_EQ(deauthorized["status"], 2);
  // Without a file, or with "-", to standard output; only the time in its comment may differ.
  EXPECT_EQ(host({"snapshot"}).out.size(), readFile(file).size());
  EXPECT_EQ(host({"snapshot", "-"}).out.size(), readFile(file).size());

  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"list"}, {"list", "--tree"}, {"list", "--json"}}) {
    SCOPED_TRACE(command.back());
    const ProgramRun machine = host(command);
    std::vector<std::string> replayCommand = {"--topology", file};
    replayCommand.insert(replayCommand.end(), command.begin(), command.end());
    const ProgramRun replay = host(replayCommand);
    ASSERT_EQ(replay.exitStatus, 0) << replay.err;
    if (command.back() == "--json") {
      // Only the backend's name tells them apart.
      Json machineList = Json::parse(machine.out);
      Json replayList = Json::parse(replay.out);
      EXPECT_EQ(machineList["backend"], "linux");
      EXPECT_EQ(replayList["backend"], "simulated");
      machineList.erase("backend");
      replayList.erase("backend");
      EXPECT_EQ(replayList, machineList);
    } else {
      EXPECT_EQ(replay.out, machine.out);
    }
  }
  // The replayed hubs' paths are the emulated nodes, so the replay can open them too.
  const Json replayed = hostJson({"--topology", file, "diagnose", "--json"}, 2);
  EXPECT_EQ(verdicts(replayed), verdicts(hostJson({"diagnose", "--json"}, 2)));
  EXPECT_EQ(verdicts(replayed).at(ServerMachine::kUsb3Hub), "over-current");
}

TEST_F(EmulatedServer, SnapshotWarnsOfPortsItCouldNotAskAndStillReplays) {
  testbed.failPort(ServerMachine::kUsb2Hub, 1, EPIPE);
  const std::string file = dir.file("usb.json");
  const ProgramRun snapshot = host({"snapshot", file});
  EXPECT_EQ(snapshot.exitStatus, 0);
  const std::string node = testbed.device(ServerMachine::kUsb2Hub).node();
  EXPECT_EQ(snapshot.err, "halvex-host: warning: over-current states of " + node +
                              " not read: " + node +
                              ": GET_STATUS of port 1 failed: Broken pipe; the hub refused the "
                              "request; it may have fewer ports\n");
  const Json topology = Json::parse(readFile(file));
  for (const Json& device : topology["devices"]) {
    if (device["location"] != ServerMachine::kUsb2Hub) continue;
    EXPECT_NE(device["comment"].get<std::string>().find("over-current states not read"),
              std::string::npos);
    for (const Json& port : device["portStates"]) EXPECT_FALSE(port.contains("overCurrent"));
  }
  EXPECT_EQ(host({"--topology", file, "list"}).out, host({"list"}).out);
}

// A machine without any USB bus, as in a container.
class MachineWithoutUsb : public EmulatedServer {
 protected:
  void SetUp() override {}
};

TEST_F(MachineWithoutUsb, EveryCommandSaysSoAndFails) {
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"list"}, {"snapshot", dir.file("usb.json")}}) {
    SCOPED_TRACE(command.front());
    const ProgramRun failed = host(command);
    EXPECT_EQ(failed.exitStatus, 3);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err,
              "halvex-host: cannot read the USB device list (linux backend): no USB bus: "
              "/sys/bus/usb/devices does not exist; this machine has no USB host controller, or "
              "sysfs is not mounted\n");
  }
  EXPECT_FALSE(fileExists(dir.file("usb.json")));

  const Json document = hostJson({"list", "--json"}, 3);
  EXPECT_EQ(document["devices"], Json::array());
  EXPECT_EQ(document["error"]["name"], "LUDREL_ERROR_NO_USB_BUS");
  EXPECT_EQ(host({"diagnose"}).exitStatus, 3);
}

}  // namespace
