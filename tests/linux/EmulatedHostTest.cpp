#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "LsusbReport.h"
#include "ServerMachine.h"
#include "tests/support/TempDir.h"

namespace {

using Json = nlohmann::json;

struct ProgramRun {
  int exitStatus = -1;  // 128 + the signal for one killed by a signal
  std::string out;
  std::string err;
};

// halvex-host and lsusb run as a user runs them, on the emulated server; killed after a minute.
class EmulatedServer : public ::testing::Test {
 protected:
  void SetUp() override { ServerMachine::build(testbed); }

  ProgramRun run(const std::vector<std::string>& argv) const {
    std::string command = "cd '" + dir.path() + "' && exec timeout -s KILL 60";
    for (const std::string& argument : argv) command += " '" + argument + "'";
    const int status = std::system((command + " </dev/null >out.txt 2>err.txt").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
            readFile(dir.file("out.txt")), readFile(dir.file("err.txt"))};
  }

  ProgramRun host(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {HALVEX_HOST_PATH, "--no-log"});
    return run(arguments);
  }

  Json hostJson(const std::vector<std::string>& arguments, int expectedStatus) const {
    const ProgramRun done = host(arguments);
    EXPECT_EQ(done.exitStatus, expectedStatus) << done.err;
    return Json::parse(done.out);
  }

  std::string lsusb(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), LSUSB_PATH);
    const ProgramRun done = run(arguments);
    EXPECT_EQ(done.exitStatus, 0) << "lsusb (usbutils) failed: " << done.err;
    return done.out;
  }

  UsbTestbed testbed;
  TempDir dir;
};

TEST_F(EmulatedServer, ListAndTreeShowWhatLsusbFinds) {
  const std::map<std::string, std::string> ids = parseLsusb(lsusb({}));  // by node
  const LsusbTree lsusbTree = parseLsusbTree(lsusb({"-t"}));
  const ProgramRun tree = host({"list", "--tree"});
  ASSERT_EQ(tree.exitStatus, 0) << tree.err;
  const Tree hostTree = parseHostTree(tree.out);
  for (const auto& [location, place] : lsusbTree.places) {
    SCOPED_TRACE(location);
    ASSERT_EQ(hostTree.count(location), 1u) << tree.out;
    EXPECT_EQ(hostTree.at(location), place) << tree.out;
  }
  // lsusb -t shows interfaces: devices without any are the host's alone.
  for (const auto& [location, place] : hostTree) {
    if (lsusbTree.places.count(location) != 0) continue;
    SCOPED_TRACE(location);
    const EmulatedDevice& device = testbed.device(location);
    EXPECT_FALSE(device.authorized && device.configured);
    EXPECT_EQ(place, (TreePlace{device.parentName(), device.port()}));
  }

  // Hubs have the nodes lsusb shows at their place, and their port keys the IDs lsusb shows on
  // each bus; every device a root hub or a port key names is listed, but the deauthorized.
  const Json list = hostJson({"list", "--json"}, 0);
  EXPECT_EQ(list["backend"], "linux");
  std::multiset<std::string> lsusbIds;  // "/dev/bus/usb/001 05e3:0610"
  for (const auto& [node, id] : ids) lsusbIds.insert(node.substr(0, 16) + " " + id);
  std::multiset<std::string> hostIds;
  std::set<std::string> shown;
  std::set<std::string> expectedShown;
  for (const Json& device : list["devices"]) {
    const std::string location = device["location"];
    const std::string node = device["devicePath"];
    SCOPED_TRACE(location);
    shown.insert(location);
    if (!node.empty()) {
      EXPECT_EQ(node, lsusbTree.nodes.at(location));
    }
    if (device["class"] == "USB_ROOT_HUB") {
      expectedShown.insert(location);
      hostIds.insert(node.substr(0, 16) + " " + ids.at(node));
    }
    for (const auto& [port, key] : device["hubCache"].items()) {
      const std::string child = locationOnPort(location, std::stoi(port));
      const std::string id = key.get<std::string>().substr(0, 9);
      hostIds.insert(node.substr(0, 16) + " " + id);
      if (lsusbTree.nodes.count(child) != 0) {
        EXPECT_EQ(id, ids.at(lsusbTree.nodes.at(child))) << child;
      }
      if (testbed.device(child).authorized) expectedShown.insert(child);
    }
  }
  EXPECT_EQ(hostIds, lsusbIds);
  EXPECT_EQ(shown, expectedShown);
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
      {ServerMachine::kIntegratedHub, 6},
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
