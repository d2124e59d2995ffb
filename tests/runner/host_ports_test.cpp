// halvex-host ports, and what diagnose names beyond the module's verdict per hub, on the bundled
// example of over-current per port (a USB 2 and a SuperSpeed root hub with a port in
// over-current each, a hub in over-current of its own, a latched change bit, a count of 3, two
// ports that cannot be asked) and on machines written for each case.
#include <nlohmann/json.hpp>

#include "HostTest.h"

namespace {

using nlohmann::json;

class HostPortsTest : public HostTest {
 protected:
  const std::string example = HALVEX_EXAMPLES_DIR "/port-status.json";
  const std::string nodes = HALVEX_EXAMPLES_DIR "/nodes/";

  // The two hubs' blocks of the SuperSpeed bus.
  std::string superSpeedBlocks() const {
    return "Hub usb2: USB Root Hub (USB 3.0), " + nodes +
           "002/001, 4 ports\n"
           "  Hub status: 0000 0000 over-current: none\n"
           "  Port 1: 020b 0000 power U0 oc enable connect [090c:1000 USB Flash Drive, key "
           "\"090c:1000 USB Flash Drive\"] over-current: now\n"
           "  Port 2: 0203 0000 power U0 enable connect [2109:0817 USB Hub, key \"2109:0817 "
           "USB3.0 Hub\"] over-current: none\n"
           "  Port 3: 0203 0000 power U0 enable connect [0bda:8153 USB Ethernet, key \"0bda:8153 "
           "USB Ethernet\"] over-current: past, count 3\n"
           "  Port 4: 02a0 0000 power Rx.Detect over-current: none\n"
           "\n" +
           twoPortsNotAsked();
  }

  std::string twoPortsNotAsked() const {
    return "Hub 2-2: USB Hub, " + nodes +
           "002/002, 4 ports\n"
           "  Hub status: 0000 0000 over-current: none\n"
           "  Port 1: not asked: port 1 of hub 2-2 did not answer: timed out [058f:9540 Smart "
           "Card Reader, key \"058f:9540 Smart Card Reader\"]\n"
           "  Port 2: not asked: port 2 of hub 2-2 did not answer: broken pipe\n"
           "  Port 3: 02a0 0000 power Rx.Detect over-current: none\n"
           "  Port 4: 02a0 0000 power Rx.Detect over-current: none\n";
  }
};

TEST_F(HostPortsTest, OneBlockPerHubOneLinePerPort) {
  const std::string usb2Blocks =
      "Hub usb1: USB Root Hub, " + nodes +
      "001/001, 4 ports\n"
      "  Hub status: 0000 0000 over-current: none\n"
      "  Port 1: 0103 0000 power enable connect [05e3:0610 USB Hub, key \"05e3:0610 USB2.0 "
      "Hub\"] over-current: none\n"
      "  Port 2: 050b 0000 power oc enable connect [04d9:1702 USB Keyboard, key \"04d9:1702 USB "
      "Keyboard\"] over-current: now\n"
      "  Port 3: 0103 0008 power enable connect oc-change [093a:2510 USB Optical Mouse, key "
      "\"093a:2510 USB Optical Mouse\"] over-current: past, latched\n"
      "  Port 4: 0100 0000 power over-current: none\n"
      "\n"
      "Hub 1-1: USB Hub, " +
      nodes +
      "001/002, 4 ports\n"
      "  Hub status: 0002 0002 over-current: now, latched\n"
      "  Port 1: 0000 0000 over-current: none\n"
      "  Port 2: 0000 0000 over-current: none\n"
      "  Port 3: 0000 0000 over-current: none\n"
      "  Port 4: 0000 0000 over-current: none\n";
  const std::string snapshot = dir.file("snapshot.json");
  ASSERT_EQ(host(on(example, {"snapshot", snapshot})).exitStatus, 0);
  expectRuns({
      {"every hub", on(example, {"ports"}), 2, usb2Blocks + "\n" + superSpeedBlocks(), ""},
      {"the snapshot replays them", on(snapshot, {"ports"}), 2,
       usb2Blocks + "\n" + superSpeedBlocks(), ""},
      {"two ports not asked", on(example, {"ports", "--location", "2-2"}), 1, twoPortsNotAsked(),
       ""},
  });
}

TEST_F(HostPortsTest, JsonGivesEachFlagAndTheCount) {
  const HostRun run = host(on(example, {"ports", "--json", "--location", "usb2"}));
  EXPECT_EQ(run.exitStatus, 2);
  const json document = json::parse(run.out);
  EXPECT_EQ(document["exitStatus"], 2);
  EXPECT_EQ(document["hubs"][0]["ports"][2], json::parse(R"({"port": 3,
      "device": {"key": "0bda:8153 USB Ethernet", "name": "USB Ethernet", "vendorId": "0bda",
                 "productId": "8153"},
      "status": {"statusWord": "0203", "changeWord": "0000", "superSpeed": true, "connected": true,
                 "enabled": true, "powered": true, "overCurrent": false,
                 "overCurrentChange": false, "reset": false, "suspended": null, "linkState": 0,
                 "overCurrentCount": 3},
      "error": null})"));
}

TEST_F(HostPortsTest, DiagnoseNamesThePortsTheVerdictsCannot) {
  const std::string latched = machine(R"({"type": "root-hub", "name": "Latched",
      "location": "usb1", "ports": 2, "devicePath": "n1",
      "portStates": [{"port": 1, "key": "k1", "portChange": 8}]})",
                                      "latched.json");
  const std::string ganged = machine(R"({"type": "root-hub", "name": "Ganged",
      "location": "usb2", "ports": 2, "devicePath": "n2", "hubStatus": 2})",
                                     "ganged.json");
  expectRuns({
      {"the example", on(example, {"diagnose"}), 2,
       "HUB                     LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
       "USB Root Hub            usb1      OVER-CURRENT     113   *  *  -\n"
       "USB Hub                 1-1       no over-current  111   *  *  -\n"
       "USB Root Hub (USB 3.0)  usb2      OVER-CURRENT     113   *  *  -\n"
       "USB Hub                 2-2       no over-current  111   *  *  not every port could be "
       "asked: port 2 of hub 2-2 did not answer: broken pipe\n"
       "usb1 port 2: OVER-CURRENT now [04d9:1702 USB Keyboard, key \"04d9:1702 USB Keyboard\"]\n"
       "usb1 port 3: past over-current (latched) [093a:2510 USB Optical Mouse, key \"093a:2510 "
       "USB Optical Mouse\"]\n"
       "1-1: OVER-CURRENT now at hub level, port power: 1 off, 2 off, 3 off, 4 off\n"
       "usb2 port 1: OVER-CURRENT now [090c:1000 USB Flash Drive, key \"090c:1000 USB Flash "
       "Drive\"]\n"
       "usb2 port 3: past over-current (count 3) [0bda:8153 USB Ethernet, key \"0bda:8153 USB "
       "Ethernet\"]\n"
       "2-2 port 1: not asked: port 1 of hub 2-2 did not answer: timed out [058f:9540 Smart "
       "Card Reader, key \"058f:9540 Smart Card Reader\"]\n"
       "2-2 port 2: not asked: port 2 of hub 2-2 did not answer: broken pipe\n"
       "Summary: 4 hubs checked, 2 without over-current, 2 in over-current, 0 without verdict.\n",
       ""},
      {"only the change bit latched", on(latched, {"diagnose"}), 1,
       "HUB      LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
       "Latched  usb1      no over-current  111   *  *  -\n"
       "usb1 port 1: past over-current (latched) [key \"k1\"]\n"
       "Summary: 1 hub checked, 1 without over-current, 0 in over-current, 0 without verdict.\n",
       ""},
      {"the hub's own over-current, which the verdict misses", on(ganged, {"diagnose"}), 2,
       "HUB     LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
       "Ganged  usb2      no over-current  111   *  *  -\n"
       "usb2: OVER-CURRENT now at hub level, port power: 1 off, 2 off\n"
       "Summary: 1 hub checked, 1 without over-current, 0 in over-current, 0 without verdict.\n",
       ""},
  });
}

TEST_F(HostPortsTest, DiagnoseJsonNamesThemToo) {
  const HostRun run = host(on(example, {"diagnose", "--json"}));
  EXPECT_EQ(run.exitStatus, 2);
  const json document = json::parse(run.out);
  json findings = json::array();
  for (const json& hub : document["hubs"]) findings.push_back(hub["ports"]);
  const auto device = [](const char* key, const char* name, const char* vendor,
                         const char* product) {
    return json{{"key", key}, {"name", name}, {"vendorId", vendor}, {"productId", product}};
  };
  const auto finding = [](json port, const char* kind, bool latched, json count, json device) {
    return json{{"port", port},   {"finding", kind},  {"latched", latched},
                {"count", count}, {"device", device}, {"error", nullptr}};
  };
  json hubLevel = finding(nullptr, "over-current", true, nullptr, nullptr);
  hubLevel["portPower"] = {{"1", false}, {"2", false}, {"3", false}, {"4", false}};
  json timedOut =
      finding(1, "not-asked", false, nullptr,
              device("058f:9540 Smart Card Reader", "Smart Card Reader", "058f", "9540"));
  timedOut["error"] = {{"name", "LUDREL_ERROR_IO"},
                       {"message", "port 1 of hub 2-2 did not answer: timed out"}};
  json brokenPipe = finding(2, "not-asked", false, nullptr, nullptr);
  brokenPipe["error"] = {{"name", "LUDREL_ERROR_IO"},
                         {"message", "port 2 of hub 2-2 did not answer: broken pipe"}};
  EXPECT_EQ(
      findings,
      json::array(
          {{finding(2, "over-current", false, nullptr,
                    device("04d9:1702 USB Keyboard", "USB Keyboard", "04d9", "1702")),
            finding(3, "past-over-current", true, nullptr,
                    device("093a:2510 USB Optical Mouse", "USB Optical Mouse", "093a", "2510"))},
           {hubLevel},
           {finding(1, "over-current", false, nullptr,
                    device("090c:1000 USB Flash Drive", "USB Flash Drive", "090c", "1000")),
            finding(3, "past-over-current", false, 3,
                    device("0bda:8153 USB Ethernet", "USB Ethernet", "0bda", "8153"))},
           {timedOut, brokenPipe}}));
}

}  // namespace
