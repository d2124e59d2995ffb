// halvex-host list on machines written for each test and on the bundled examples.
#include <filesystem>

#include "HostTest.h"
#include "Topology.h"
#include "tests/support/TraceLog.h"

namespace {

using nlohmann::json;

class HostListTest : public HostTest {
 protected:
  // Two root hubs; an external hub listed after the disk on its port; a keyboard known to its
  // hub by serial number; a hidden virtual device on a busy port; a device whose parent is not
  // in the list; a host controller and an external hub that failed.
  std::string writeMachine() const {
    json keyboard = topology::device("Keyboard", "usb1-3", "usb1");
    keyboard["serial"] = "KB-0042";
    keyboard["manufacturer"] = "Keys & Co";
    keyboard["firmware"] = "2.10";
    json failedHub = topology::device("", "usb2-1", "usb2");
    failedHub["type"] = "hub";
    failedHub["status"] = 1;
    failedHub["description"] = "Broken Hub";
    failedHub["ports"] = 4;
    return topology::write(
        dir,
        {json{{"type", "host-controller"}, {"name", "xHCI Controller"}, {"status", 0}},
         topology::rootHub(dir, "Root Hub A", "usb1", 4,
                           {{1, "key-usb1-1"}, {3, "USB\\VID_046D&PID_C31C\\kb-0042"}}),
         topology::device("Flash Disk", "usb1-1-2", "usb1-1"),
         topology::externalHub(dir, "Four Port Hub", "usb1-1", "usb1", 4, {{2, "key-usb1-1-2"}}),
         keyboard, topology::rootHub(dir, "Root Hub B", "usb2", 2, {{2, "key-virtual"}}),
         topology::device("Virtual Keyboard", "usb2-2", "usb2"), failedHub,
         topology::device("Orphan Device", "usb9-1", "usb9")});
  }
};

TEST_F(HostListTest, TableShowsTheShownDevicesInLibraryOrderInAlignedColumns) {
  const HostRun run = host({"--no-log", "--topology", writeMachine(), "list"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> lines = linesOf(run.out);
  ASSERT_EQ(lines.size(), 8u) << run.out;
  const std::string& header = lines[0];
  const std::vector<std::string> columns = {"NAME",         "CLASS",           "STATUS",
                                            "LOCATION",     "PARENT LOCATION", "DESCRIPTOR",
                                            "MANUFACTURER", "SERIAL",          "FIRMWARE"};
  std::vector<std::size_t> starts;
  for (const std::string& column : columns) {
    starts.push_back(header.find(column));
    ASSERT_NE(starts.back(), std::string::npos) << column;
  }
  const std::vector<std::vector<std::string>> rows = {
      {"Root Hub A", "USB_ROOT_HUB", "ok", "usb1", "-", "USB Root Hub", "Simulated", "-", "-"},
      {"Flash Disk", "USB_DEVICE", "ok", "usb1-1-2", "usb1-1", "-", "-", "-", "-"},
      {"USB Hub", "USB_EXT_HUB", "ok", "usb1-1", "usb1", "Generic USB Hub", "-", "-", "-"},
      {"Keyboard", "USB_DEVICE", "ok", "usb1-3", "usb1", "-", "Keys & Co", "KB-0042", "2.10"},
      {"Root Hub B", "USB_ROOT_HUB", "ok", "usb2", "-", "USB Root Hub", "Simulated", "-", "-"},
      {"USB Hub", "USB_EXT_HUB", "error", "usb2-1", "usb2", "-", "-", "-", "-"},
      {"Orphan Device", "USB_DEVICE", "ok", "usb9-1", "usb9", "-", "-", "-", "-"},
  };
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const std::string& line = lines[row + 1];
    SCOPED_TRACE(line);
    EXPECT_NE(line.back(), ' ') << "trailing blank";
    for (std::size_t column = 0; column < columns.size(); ++column) {
      const std::size_t start = starts[column];
      EXPECT_EQ(line.compare(start, rows[row][column].size(), rows[row][column]), 0)
          << columns[column];
      if (column > 0) {
        EXPECT_EQ(line.substr(start - 2, 2), "  ") << columns[column];
      }
    }
  }
}

TEST_F(HostListTest, TreeHangsChildrenUnderTheirParentsWithTheirPorts) {
  const HostRun run = host({"--no-log", "--topology", writeMachine(), "list", "--tree"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out,
            "/:  Root Hub A, Class=USB_ROOT_HUB, Location=usb1\n"
            "    |__ Port 1: USB Hub, Class=USB_EXT_HUB, Location=usb1-1\n"
            "        |__ Port 2: Flash Disk, Class=USB_DEVICE, Location=usb1-1-2\n"
            "    |__ Port 3: Keyboard, Class=USB_DEVICE, Location=usb1-3\n"
            "/:  Root Hub B, Class=USB_ROOT_HUB, Location=usb2\n"
            "    |__ Port 1: USB Hub, Class=USB_EXT_HUB, Location=usb2-1, Status=error\n"
            "    |__ Port 2: busy, Key=key-virtual\n"
            "/:  Orphan Device, Class=USB_DEVICE, Location=usb9-1\n");
}

TEST_F(HostListTest, TreeShowsDevicesWhoseParentsPointAtEachOther) {
  const std::string machine = topology::write(
      dir, {topology::device("Left", "a", "b"), topology::device("Right", "b", "a")});
  const HostRun run = host({"--no-log", "--topology", machine, "list", "--tree"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out,
            "/:  Left, Class=USB_DEVICE, Location=a\n"
            "    |__ Right, Class=USB_DEVICE, Location=b\n");
}

TEST_F(HostListTest, JsonHoldsEveryFieldAndTheHubCacheByPort) {
  const HostRun run = host({"--no-log", "--topology", writeMachine(), "list", "--json"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const json document = json::parse(run.out);
  EXPECT_EQ(document["backend"], "simulated");
  const json& devices = document["devices"];
  ASSERT_EQ(devices.size(), 7u);
  std::vector<std::string> names;
  for (const json& device : devices) names.push_back(device["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"Root Hub A", "Flash Disk", "USB Hub", "Keyboard",
                                             "Root Hub B", "USB Hub", "Orphan Device"}));

  const json& rootHub = devices[0];
  EXPECT_EQ(rootHub["class"], "USB_ROOT_HUB");
  EXPECT_EQ(rootHub["status"], 0);
  EXPECT_EQ(rootHub["statusName"], "ok");
  EXPECT_EQ(rootHub["descriptor"], "USB Root Hub");
  EXPECT_EQ(rootHub["description"], "USB Root Hub");
  EXPECT_EQ(rootHub["additionalHardwareInfo"], "Number of Ports:4|");
  EXPECT_EQ(rootHub["devicePath"], dir.file("node-usb1"));
  EXPECT_EQ(rootHub["hubCache"],
            (json{{"1", "key-usb1-1"}, {"3", "USB\\VID_046D&PID_C31C\\kb-0042"}}));

  const json& keyboard = devices[3];
  EXPECT_EQ(keyboard["manufacturer"], "Keys & Co");
  EXPECT_EQ(keyboard["serialNumber"], "KB-0042");
  EXPECT_EQ(keyboard["firmwareRevision"], "2.10");
  EXPECT_EQ(keyboard["parentLocation"], "usb1");
  EXPECT_EQ(keyboard["devicePath"], "");
  EXPECT_EQ(keyboard["hubCache"], json::object());

  const json& failedHub = devices[5];
  EXPECT_EQ(failedHub["status"], 1);
  EXPECT_EQ(failedHub["statusName"], "error");
  EXPECT_EQ(failedHub["description"], "Broken Hub");
  EXPECT_EQ(failedHub["descriptor"], "");
  EXPECT_EQ(failedHub["hubCache"], json::object());
}

TEST_F(HostListTest, DeviceTextsCannotBreakTheLines) {
  const std::string machine = topology::write(
      dir, {topology::device("Two\nLines\tand a tab", "usb1-1", ""),
            topology::device("Plain", "usb1-2", "")});
  for (const std::vector<std::string>& view : {std::vector<std::string>{"list"},
                                               std::vector<std::string>{"list", "--tree"}}) {
    std::vector<std::string> arguments = {"--no-log", "--topology", machine};
    arguments.insert(arguments.end(), view.begin(), view.end());
    const HostRun run = host(arguments);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const std::size_t headerLines = view.size() == 1 ? 1 : 0;
    EXPECT_EQ(linesOf(run.out).size(), 2 + headerLines) << run.out;
    EXPECT_NE(run.out.find("Two Lines and a tab"), std::string::npos) << run.out;
  }
}

TEST_F(HostListTest, NoDeviceIsNoError) {
  const std::string machine = topology::write(dir, {});
  const HostRun table = host({"--no-log", "--topology", machine, "list"});
  EXPECT_EQ(table.exitStatus, 0);
  EXPECT_EQ(linesOf(table.out).size(), 1u) << "only the header";
  const HostRun document = host({"--no-log", "--topology", machine, "list", "--json"});
  EXPECT_EQ(json::parse(document.out)["devices"], json::array());
}

TEST_F(HostListTest, LogsGoWhereThePackageConfigurationLeadsAndNowhereWithNoLog) {
  const std::string machine = writeMachine();
  ASSERT_EQ(host({"--package-config", packageConfig(), "--topology", machine, "list"}).exitStatus,
            0);
  const std::string log = readTraceFile(logDir() + "/HalvexDeviceEnumerator.log");
  EXPECT_NE(log.find("Entering getDevice Vector() method"), std::string::npos);
  EXPECT_FALSE(fileExists(dir.file("HalvexDeviceEnumerator.log")));

  TempDir quiet;
  ASSERT_EQ(runHost({"--no-log", "--topology", machine, "list"}, quiet.path()).exitStatus, 0);
  EXPECT_FALSE(fileExists(quiet.file("HalvexDeviceEnumerator.log")));
}

TEST_F(HostListTest, GlobalOptionsMayFollowTheCommand) {
  const HostRun run = host({"list", "--json", "--no-log", "--topology", writeMachine()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(json::parse(run.out)["devices"].size(), 7u);
}

// Every bundled example lists cleanly, and its three views agree on the devices.
TEST_F(HostListTest, BundledExamplesListInAllThreeViews) {
  std::size_t examples = 0;
  for (const auto& entry : std::filesystem::directory_iterator(HALVEX_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    ++examples;
    const std::string example = entry.path().string();
    SCOPED_TRACE(example);
    const HostRun table = host({"--no-log", "--topology", example, "list"});
    const HostRun tree = host({"--no-log", "--topology", example, "list", "--tree"});
    const HostRun document = host({"--no-log", "--topology", example, "list", "--json"});
    ASSERT_EQ(table.exitStatus, 0) << table.err;
    ASSERT_EQ(tree.exitStatus, 0) << tree.err;
    ASSERT_EQ(document.exitStatus, 0) << document.err;
    const json devices = json::parse(document.out)["devices"];
    EXPECT_FALSE(devices.empty());
    EXPECT_EQ(linesOf(table.out).size(), devices.size() + 1);
    std::size_t deviceLinesInTree = 0;
    for (const std::string& line : linesOf(tree.out)) {
      if (line.find(", Class=") != std::string::npos) ++deviceLinesInTree;
    }
    EXPECT_EQ(deviceLinesInTree, devices.size());
    for (const json& device : devices) {
      EXPECT_NE(table.out.find(device["name"].get<std::string>()), std::string::npos);
    }
  }
  EXPECT_GE(examples, 2u) << "the rack server and the desktop";
}

}  // namespace
