// halvex-host list: the table, the tree and the JSON document, on machines written for each test
// and on the bundled examples.
#include <filesystem>

#include <nlohmann/json.hpp>

#include "HostTest.h"

namespace {

using nlohmann::json;

class HostListTest : public HostTest {
 protected:
  // A host controller; two root hubs; an external hub listed after the disk on its port; a
  // keyboard known to its hub by serial number; a hidden virtual device on a busy port; an external
  // hub that failed; a device whose parent is not in the list and whose name holds control
  // characters, which cannot break the lines.
  std::string listMachine() const {
    return machine(R"(
      {"type": "host-controller", "name": "xHCI Controller", "status": 0},
      {"type": "root-hub", "name": "Root Hub A", "location": "usb1", "ports": 4, "devicePath": "n1",
       "vendor": "0x1D6B", "product": "0x0002",
       "manufacturer": "Simulated", "portStates": [{"port": 1, "key": "key-usb1-1"},
       {"port": 3, "key": "USB\\VID_046D&PID_C31C\\kb-0042"}]},
      {"name": "Flash Disk", "location": "usb1-1-2", "parentLocation": "usb1-1"},
      {"type": "hub", "description": "Four Port Hub", "location": "usb1-1", "parentLocation": "usb1",
       "ports": 4, "devicePath": "n2", "portStates": [{"port": 2, "key": "key-usb1-1-2"}]},
      {"name": "Keyboard", "location": "usb1-3", "parentLocation": "usb1", "serial": "KB-0042",
       "vendor": "0x046D", "product": "0xC31C",
       "manufacturer": "Keys & Co", "firmware": "2.10"},
      {"type": "root-hub", "name": "Root Hub B", "location": "usb2", "ports": 2, "devicePath": "n3",
       "manufacturer": "Simulated", "portStates": [{"port": 2, "key": "key-virtual"}]},
      {"name": "Virtual Keyboard", "location": "usb2-2", "parentLocation": "usb2"},
      {"type": "hub", "status": 1, "description": "Broken Hub", "ports": 4, "location": "usb2-1",
       "parentLocation": "usb2"},
      {"name": "Orphan\nDevice\t9", "location": "usb9-1", "parentLocation": "usb9"})");
  }
};

TEST_F(HostListTest, TableAndTreeShowTheShownDevicesInLibraryOrder) {
  const std::string full = listMachine();
  const std::string tree =
      "/:  Root Hub A, Class=USB_ROOT_HUB, Location=usb1\n"
      "    |__ Port 1: USB Hub, Class=USB_EXT_HUB, Location=usb1-1\n"
      "        |__ Port 2: Flash Disk, Class=USB_DEVICE, Location=usb1-1-2\n"
      "    |__ Port 3: Keyboard, Class=USB_DEVICE, Location=usb1-3\n"
      "/:  Root Hub B, Class=USB_ROOT_HUB, Location=usb2\n"
      "    |__ Port 1: USB Hub, Class=USB_EXT_HUB, Location=usb2-1, Status=error\n"
      "    |__ Port 2: busy, Key=key-virtual\n"
      "/:  Orphan Device 9, Class=USB_DEVICE, Location=usb9-1\n";
  const std::string cycle = machine(R"({"name": "Left", "location": "a", "parentLocation": "b"},
      {"name": "Right", "location": "b", "parentLocation": "a"})",
                                    "cycle.json");
  const std::string empty = machine("", "empty.json");
  expectRuns({
      {"columns two blanks apart", on(full, {"list"}), 0,
       "NAME             CLASS         STATUS  ID         LOCATION  PARENT LOCATION  DESCRIPTOR    "
       "   "
       "MANUFACTURER  SERIAL   FIRMWARE\n"
       "Root Hub A       USB_ROOT_HUB  ok      1d6b:0002  usb1      -                USB Root Hub  "
       "   "
       "Simulated     -        -\n"
       "Flash Disk       USB_DEVICE    ok      -          usb1-1-2  usb1-1           -             "
       "   "
       "-             -        -\n"
       "USB Hub          USB_EXT_HUB   ok      -          usb1-1    usb1             Generic USB "
       "Hub  "
       "-             -        -\n"
       "Keyboard         USB_DEVICE    ok      046d:c31c  usb1-3    usb1             -             "
       "   "
       "Keys & Co     KB-0042  2.10\n"
       "Root Hub B       USB_ROOT_HUB  ok      -          usb2      -                USB Root Hub  "
       "   "
       "Simulated     -        -\n"
       "USB Hub          USB_EXT_HUB   error   -          usb2-1    usb2             -             "
       "   "
       "-             -        -\n"
       "Orphan Device 9  USB_DEVICE    ok      -          usb9-1    usb9             -             "
       "   "
       "-             -        -\n",
       ""},
      {"by vendor, in either case", on(full, {"list", "--id", "046D"}), 0,
       "NAME      CLASS       STATUS  ID         LOCATION  PARENT LOCATION  DESCRIPTOR  "
       "MANUFACTURER  "
       "SERIAL   FIRMWARE\n"
       "Keyboard  USB_DEVICE  ok      046d:c31c  usb1-3    usb1             -           Keys & Co  "
       "   "
       "KB-0042  2.10\n",
       ""},
      {"by vendor and product, and location",
       on(full, {"list", "--tree", "--id", "1d6b:2", "--location", "usb1"}), 0,
       "/:  Root Hub A, Class=USB_ROOT_HUB, Location=usb1\n"
       "    |__ Port 1: busy, Key=key-usb1-1\n"
       "    |__ Port 3: busy, Key=USB\\VID_046D&PID_C31C\\kb-0042\n",
       ""},
      {"a product no device has", on(full, {"list", "--json", "--id", "1d6b:0003"}), 0,
       "{\n  \"backend\": \"simulated\",\n  \"devices\": []\n}\n", ""},
      {"children under their parents", on(full, {"list", "--tree"}), 0, tree, ""},
      {"global options last", {"list", "--tree", "--no-log", "--topology", full}, 0, tree, ""},
      {"parents that point at each other", on(cycle, {"list", "--tree"}), 0,
       "/:  Left, Class=USB_DEVICE, Location=a\n    |__ Right, Class=USB_DEVICE, Location=b\n", ""},
      {"no device: the header alone", on(empty, {"list"}), 0,
       "NAME  CLASS  STATUS  ID  LOCATION  PARENT LOCATION  DESCRIPTOR  MANUFACTURER  SERIAL  "
       "FIRMWARE\n",
       ""},
      {"no device in JSON", on(empty, {"list", "--json"}), 0,
       "{\n  \"backend\": \"simulated\",\n  \"devices\": []\n}\n", ""},
  });
  EXPECT_FALSE(fileExists(dir.file("HalvexDeviceEnumerator.log"))) << "--no-log";
}

TEST_F(HostListTest, JsonHoldsEveryFieldAndTheHubCacheByPort) {
  const HostRun run = host(on(listMachine(), {"list", "--json"}));
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const json document = json::parse(run.out);
  EXPECT_EQ(document["backend"], "simulated");
  ASSERT_EQ(document["devices"].size(), 7u);
  json rootHub = json::parse(R"({"name": "Root Hub A", "class": "USB_ROOT_HUB", "status": 0,
      "statusName": "ok", "vendorId": "1d6b", "productId": "0002", "location": "usb1", "parentLocation": "", "descriptor": "USB Root Hub",
      "description": "USB Root Hub", "manufacturer": "Simulated", "serialNumber": "",
      "firmwareRevision": "", "modelNumber": "", "additionalHardwareInfo": "Number of Ports:4|",
      "hubCache": {"1": "key-usb1-1", "3": "USB\\VID_046D&PID_C31C\\kb-0042"}})");
  rootHub["devicePath"] = dir.file("n1");
  EXPECT_EQ(document["devices"][0], rootHub);
  EXPECT_EQ(document["devices"][3], json::parse(R"({"name": "Keyboard", "class": "USB_DEVICE",
      "status": 0, "statusName": "ok", "vendorId": "046d", "productId": "c31c", "location": "usb1-3", "parentLocation": "usb1",
      "descriptor": "", "description": "", "manufacturer": "Keys & Co", "serialNumber": "KB-0042",
      "firmwareRevision": "2.10", "modelNumber": "", "additionalHardwareInfo": "",
      "devicePath": "", "hubCache": {}})"));
  EXPECT_EQ(document["devices"][5], json::parse(R"({"name": "USB Hub", "class": "USB_EXT_HUB",
      "status": 1, "statusName": "error", "vendorId": null, "productId": null, "location": "usb2-1", "parentLocation": "usb2",
      "descriptor": "", "description": "Broken Hub", "manufacturer": "", "serialNumber": "",
      "firmwareRevision": "", "modelNumber": "", "additionalHardwareInfo": "Number of Ports:4|",
      "devicePath": "", "hubCache": {}})"));
}

// Every bundled example lists cleanly, and its three views agree on the devices.
TEST_F(HostListTest, BundledExamplesListInAllThreeViews) {
  std::size_t examples = 0;
  for (const auto& entry : std::filesystem::directory_iterator(HALVEX_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    ++examples;
    const std::string example = entry.path().string();
    SCOPED_TRACE(example);
    const HostRun table = host(on(example, {"list"}));
    const HostRun tree = host(on(example, {"list", "--tree"}));
    const HostRun document = host(on(example, {"list", "--json"}));
    for (const HostRun* run : {&table, &tree, &document}) ASSERT_EQ(run->exitStatus, 0) << run->err;
    const json devices = json::parse(document.out)["devices"];
    EXPECT_FALSE(devices.empty());
    EXPECT_EQ(countOf(table.out, "\n"), devices.size() + 1);
    EXPECT_EQ(countOf(tree.out, ", Class="), devices.size());
    for (const json& device : devices) {
      EXPECT_NE(table.out.find(device["name"].get<std::string>()), std::string::npos);
    }
  }
  EXPECT_GE(examples, 2u) << "the rack server and the desktop";
}

}  // namespace
