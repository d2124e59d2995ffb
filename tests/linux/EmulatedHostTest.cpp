#include <cerrno>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "LsusbReport.h"
#include "ProgramRun.h"
#include "ServerMachine.h"
#include "tests/support/TempDir.h"

namespace {

using Json = nlohmann::json;

// halvex-host and lsusb run as a user runs them, on the emulated server.
class EmulatedServer : public ::testing::Test {
 protected:
  void SetUp() override { ServerMachine::build(testbed); }

  ProgramRun host(const std::vector<std::string>& arguments) const {
    return runHost(arguments, dir.path());
  }

  Json hostJson(const std::vector<std::string>& arguments, int expectedStatus) const {
    const ProgramRun run = host(arguments);
    EXPECT_EQ(run.exitStatus, expectedStatus) << run.err;
    return Json::parse(run.out);
  }

  ProgramRun lsusb(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv = {LSUSB_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ProgramRun run = runProgram(argv, dir.path());
    EXPECT_EQ(run.exitStatus, 0) << "lsusb (usbutils) failed: " << run.err;
    return run;
  }

  // What the module hides although lsusb shows it.
  std::set<std::string> hiddenLocations() const {
    std::set<std::string> hidden;
    for (const EmulatedDevice& device : testbed.devices()) {
      if (!device.authorized) hidden.insert(device.name);
    }
    return hidden;
  }

  UsbTestbed testbed;
  TempDir dir;
};

// "05e3:0610" from a key text such as "05e3:0610 USB2.0 Hub (1-1)".
std::string idOfKey(const std::string& key) { return key.substr(0, 9); }

std::string nodeOf(int bus, int address) {
  char path[32];
  std::snprintf(path, sizeof path, "/dev/bus/usb/%03d/%03d", bus, address);
  return path;
}

TEST_F(EmulatedServer, ListShowsTheDevicesLsusbFinds) {
  const std::vector<LsusbDevice> found = parseLsusb(lsusb({}).out);
  const LsusbTree tree = parseLsusbTree(lsusb({"-t"}).out);
  const Json list = hostJson({"list", "--json"}, 0);
  EXPECT_EQ(list["backend"], "linux");

  std::map<std::pair<int, int>, std::string> idsByAddress;
  std::multiset<std::pair<int, std::string>> lsusbIds;
  for (const LsusbDevice& device : found) {
    idsByAddress[{device.bus, device.address}] = device.id;
    lsusbIds.insert({device.bus, device.id});
  }

  // Root hubs by their node, and every device a hub's cache names: everything the host knows.
  std::map<std::string, Json> shown;
  for (const Json& device : list["devices"]) shown[device["location"]] = device;
  std::multiset<std::pair<int, std::string>> hostIds;
  std::set<std::string> known;
  for (const auto& [location, device] : shown) {
    SCOPED_TRACE(location);
    const std::string devicePath = device["devicePath"];
    if (!devicePath.empty()) {
      // A hub: its node is a device lsusb lists, at the same place in lsusb's tree.
      bool listed = false;
      for (const LsusbDevice& candidate : found) {
        if (nodeOf(candidate.bus, candidate.address) != devicePath) continue;
        listed = true;
        EXPECT_EQ(tree.locationsByAddress.at({candidate.bus, candidate.address}), location);
        if (device["class"] == "USB_ROOT_HUB") hostIds.insert({candidate.bus, candidate.id});
      }
      EXPECT_TRUE(listed) << devicePath;
    }
    if (device["class"] == "USB_ROOT_HUB") known.insert(location);
    for (const auto& [port, key] : device["hubCache"].items()) {
      const std::string child = locationOnPort(location, std::stoi(port));
      known.insert(child);
      hostIds.insert({busOf(child), idOfKey(key)});
      for (const auto& [address, treeLocation] : tree.locationsByAddress) {
        if (treeLocation == child) {
          EXPECT_EQ(idsByAddress.at(address), idOfKey(key)) << child;
        }
      }
    }
  }
  EXPECT_EQ(hostIds, lsusbIds);

  std::set<std::string> expectedShown;
  for (const std::string& location : known) {
    if (hiddenLocations().count(location) == 0) expectedShown.insert(location);
  }
  std::set<std::string> shownLocations;
  for (const auto& [location, device] : shown) shownLocations.insert(location);
  EXPECT_EQ(shownLocations, expectedShown);
}

TEST_F(EmulatedServer, TreeIsTheTreeOfLsusb) {
  const LsusbTree lsusbTree = parseLsusbTree(lsusb({"-t"}).out);
  const ProgramRun run = host({"list", "--tree"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const Tree hostTree = parseHostTree(run.out);
  for (const auto& [location, place] : lsusbTree.places) {
    SCOPED_TRACE(location);
    ASSERT_EQ(hostTree.count(location), 1u) << run.out;
    EXPECT_EQ(hostTree.at(location), place) << run.out;
  }
  // lsusb -t shows interfaces: devices without any are the host's alone.
  for (const auto& [location, place] : hostTree) {
    if (lsusbTree.places.count(location) != 0) continue;
    SCOPED_TRACE(location);
    const EmulatedDevice& device = testbed.device(location);
    EXPECT_FALSE(device.authorized && device.configured);
    EXPECT_EQ(place.parent, device.parentName());
    EXPECT_EQ(place.port, std::stoi(location.substr(location.find_last_of("-.") + 1)));
  }
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
  EXPECT_EQ(snapshot.err, "");
  EXPECT_EQ(snapshot.out, "");

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

TEST_F(EmulatedServer, SnapshotToStandardOutputHoldsEveryRecord) {
  const ProgramRun snapshot = host({"snapshot"});
  ASSERT_EQ(snapshot.exitStatus, 0) << snapshot.err;
  const Json topology = Json::parse(snapshot.out);
  std::vector<std::string> locations;
  for (const Json& device : topology["devices"]) locations.push_back(device["location"]);
  EXPECT_EQ(locations, (std::vector<std::string>{"0000:00:14.0", "usb1", "1-1", "1-1.1", "1-1.3",
                                                 "1-1.4", "1-4", "usb2", "2-1", "2-1.2",
                                                 "0000:00:1a.0", "usb3", "3-1", "3-1.6"}));
  const Json& deauthorized = topology["devices"][4];
  EXPECT_EQ(deauthorized["ignore"], true);
  EXPECT_EQ(deauthorized["status"], 2);
  EXPECT_EQ(host({"snapshot", "-"}).out.size(), snapshot.out.size());
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
class MachineWithoutUsb : public ::testing::Test {
 protected:
  UsbTestbed testbed;
  TempDir dir;
};

TEST_F(MachineWithoutUsb, ListSaysSoAndFails) {
  const ProgramRun run = runHost({"list"}, dir.path());
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "halvex-host: cannot read the USB device list (linux backend): no USB bus: "
            "/sys/bus/usb/devices does not exist; this machine has no USB host controller, or "
            "sysfs is not mounted\n");

  const ProgramRun json = runHost({"list", "--json"}, dir.path());
  EXPECT_EQ(json.exitStatus, 3);
  const Json document = Json::parse(json.out);
  EXPECT_EQ(document["devices"], Json::array());
  EXPECT_EQ(document["error"]["name"], "LUDREL_ERROR_NO_USB_BUS");

  EXPECT_EQ(runHost({"diagnose"}, dir.path()).exitStatus, 3);
}

TEST_F(MachineWithoutUsb, SnapshotSaysSoAndWritesNothing) {
  const ProgramRun run = runHost({"snapshot", dir.file("usb.json")}, dir.path());
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_EQ(run.err,
            "halvex-host: cannot read the USB device list (linux backend): no USB bus: "
            "/sys/bus/usb/devices does not exist; this machine has no USB host controller, or "
            "sysfs is not mounted\n");
  EXPECT_FALSE(fileExists(dir.file("usb.json")));
}

}  // namespace
