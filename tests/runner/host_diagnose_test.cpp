// halvex-host diagnose: the verdict per hub, the report and the exit status.
#include <filesystem>

#include "HostTest.h"
#include "Topology.h"
#include "tests/support/TraceLog.h"

namespace {

using nlohmann::json;

class HostDiagnoseTest : public HostTest {
 protected:
  json cleanHub(const std::string& name, const std::string& location) const {
    return topology::rootHub(dir, name, location, 2, {{1, "key-" + location + "-1"}});
  }
  json overCurrentHub(const std::string& name, const std::string& location) const {
    return topology::rootHub(dir, name, location, 2,
                             {{1, "key-" + location + "-1"}, {2, "key-" + location + "-2", 2}});
  }
  // A hub whose device node is gone: the module's open answers 503.
  json vanishedHub(const std::string& location) const {
    json hub = topology::externalHub(dir, "Gone Hub", location, "usb1", 2, {});
    hub["devicePath"] = dir.file("no-such-node");
    return hub;
  }
  // A hub whose device node cannot be opened for writing: the module's open answers 500.
  json deniedHub(const std::string& location) const {
    json hub = topology::externalHub(dir, "Locked Hub", location, "usb1", 2, {});
    hub["devicePath"] = dir.makeDir("a-directory");
    return hub;
  }

  json diagnoseJson(const std::vector<json>& devices, int* exitStatus) const {
    const HostRun run =
        host({"--no-log", "--topology", topology::write(dir, devices), "diagnose", "--json"});
    *exitStatus = run.exitStatus;
    return json::parse(run.out);
  }
};

TEST_F(HostDiagnoseTest, ExitStatusFollowsTheWorstVerdict) {
  json throwingHub = cleanHub("Throwing Hub", "usb5");
  throwingHub["portStates"][0]["checkforOCStateThrows"] = {{"type", "int"}, {"value", 7}};
  json stalledHub = cleanHub("Stalled Hub", "usb6");
  stalledHub["portStates"][0]["checkforOCStateFails"] = "control transfer stalled";
  const struct {
    const char* title;
    std::vector<json> devices;
    int exitStatus;
    std::vector<std::string> verdicts;
  } cases[] = {
      {"every hub clean",
       {cleanHub("A", "usb1"), cleanHub("B", "usb2")},
       0,
       {"no-over-current", "no-over-current"}},
      {"one port in over-current",
       {cleanHub("A", "usb1"), overCurrentHub("B", "usb2")},
       2,
       {"no-over-current", "over-current"}},
      {"over-current wins over no verdict",
       {vanishedHub("usb1-1"), overCurrentHub("B", "usb2")},
       2,
       {"no-verdict", "over-current"}},
      {"a hub that cannot be opened",
       {cleanHub("A", "usb1"), vanishedHub("usb1-1")},
       3,
       {"no-over-current", "no-verdict"}},
      {"a check that throws", {throwingHub}, 3, {"no-verdict"}},
      {"a port that cannot be asked",
       {cleanHub("A", "usb1"), stalledHub},
       1,
       {"no-over-current", "no-over-current"}},
      {"no verdict wins over a port that cannot be asked",
       {stalledHub, vanishedHub("usb1-1")},
       3,
       {"no-over-current", "no-verdict"}},
      {"no hub at all", {topology::device("Mouse", "usb1-1", "usb1")}, 3, {}},
  };
  for (const auto& testCase : cases) {
    SCOPED_TRACE(testCase.title);
    int exitStatus = -1;
    const json report = diagnoseJson(testCase.devices, &exitStatus);
    EXPECT_EQ(exitStatus, testCase.exitStatus);
    EXPECT_EQ(report["exitStatus"], testCase.exitStatus);
    std::vector<std::string> verdicts;
    for (const json& hub : report["hubs"]) verdicts.push_back(hub["verdict"]);
    EXPECT_EQ(verdicts, testCase.verdicts);
  }
}

TEST_F(HostDiagnoseTest, PortThatCannotBeAskedIsNamedInTheReport) {
  json stalledHub = cleanHub("Stalled Hub", "usb6");
  stalledHub["portStates"][0]["checkforOCStateFails"] = "control transfer stalled";
  const HostRun run =
      host({"--no-log", "--topology", topology::write(dir, {stalledHub}), "diagnose"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.out.find("not every port could be asked: control transfer stalled"),
            std::string::npos)
      << run.out;
}

TEST_F(HostDiagnoseTest, JsonCarriesTheResultOfEveryHub) {
  int exitStatus = -1;
  const json report =
      diagnoseJson({cleanHub("Root Hub A", "usb1"), overCurrentHub("Root Hub B", "usb2"),
                    deniedHub("usb1-4"), topology::device("Mouse", "usb1-1", "usb1")},
                   &exitStatus);
  EXPECT_EQ(exitStatus, 2);
  EXPECT_EQ(report["diagnostic"], (json{{"name", "Halvex Test"},
                                        {"version", "1.0"},
                                        {"description", "Halvex  Controller Test"}}));
  const json& hubs = report["hubs"];
  ASSERT_EQ(hubs.size(), 3u);

  const struct {
    const char* name;
    unsigned openCode;
    const char* openName;
    int testResult;
    int messageCode;
    int eventType;
  } expected[] = {{"Root Hub A", 0, "DEV_OPEN_SUCCESS", 0, 111, 0},
                  {"Root Hub B", 0, "DEV_OPEN_SUCCESS", 1, 113, 1},
                  {"USB Hub", 500, "DEV_ERR_ACCESS_DENIED", 0, 0, 2}};
  for (std::size_t i = 0; i < hubs.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    const json& hub = hubs[i];
    EXPECT_EQ(hub["name"], expected[i].name);
    EXPECT_EQ(hub["open"]["code"], expected[i].openCode);
    EXPECT_EQ(hub["open"]["name"], expected[i].openName);
    ASSERT_TRUE(hub["result"].is_object());
    EXPECT_EQ(hub["result"]["testResult"], expected[i].testResult);
    EXPECT_EQ(hub["result"]["messageCode"], expected[i].messageCode);
    EXPECT_EQ(hub["result"]["eventType"], expected[i].eventType);
    EXPECT_NE(hub["result"]["startTime"], "");
    EXPECT_NE(hub["result"]["completionTime"], "");
  }
  EXPECT_EQ(hubs[2]["open"]["hint"],
            "run as root or with write access to " + dir.file("a-directory"));
  EXPECT_EQ(report["summary"],
            (json{{"hubs", 3}, {"noOverCurrent", 1}, {"overCurrent", 1}, {"noVerdict", 1}}));
  EXPECT_FALSE(report.contains("error"));
}

TEST_F(HostDiagnoseTest, TextReportHasOneLinePerHubAndASummary) {
  const std::string machine =
      topology::write(dir, {cleanHub("Root Hub A", "usb1"), overCurrentHub("Root Hub B", "usb2"),
                            vanishedHub("usb1-4")});
  const HostRun run = host({"--no-log", "--topology", machine, "diagnose"});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> lines = linesOf(run.out);
  ASSERT_EQ(lines.size(), 5u) << run.out;
  EXPECT_EQ(lines[0].rfind("HUB", 0), 0u);
  const struct {
    const char* name;
    const char* location;
    const char* verdict;
    const char* code;
    const char* note;
  } expected[] = {
      {"Root Hub A", "usb1", "no over-current", "111", "-"},
      {"Root Hub B", "usb2", "OVER-CURRENT", "113", "-"},
      {"USB Hub", "usb1-4", "no verdict", "0", "open failed: 503 DEV_ERR_NOT_CONNECTED: "}};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string& line = lines[i + 1];
    SCOPED_TRACE(line);
    std::size_t at = 0;
    for (const char* cell : {expected[i].name, expected[i].location, expected[i].verdict,
                             expected[i].code, expected[i].note}) {
      at = line.find(cell, at);
      ASSERT_NE(at, std::string::npos) << cell;
    }
    EXPECT_EQ(line.compare(lines[0].find("VERDICT"), std::strlen(expected[i].verdict),
                           expected[i].verdict),
              0);
  }
  EXPECT_EQ(lines[4],
            "Summary: 3 hubs checked, 1 without over-current, 1 in over-current, 1 without "
            "verdict.");
}

// The diagnostic is made after the enumerator, so the hub's own check records go into the
// diagnostic's log, one run per hub; the enumerator log holds the discovery.
TEST_F(HostDiagnoseTest, LogsHoldTheDiscoveryAndOneRunPerHub) {
  const std::string machine =
      topology::write(dir, {cleanHub("Root Hub A", "usb1"), overCurrentHub("Root Hub B", "usb2")});
  ASSERT_EQ(
      host({"--package-config", packageConfig(), "--topology", machine, "diagnose"}).exitStatus, 2);
  const std::string diagnosticLog = readTraceFile(logDir() + "/HalvexDiagnostic.log");
  EXPECT_EQ(countOf(diagnosticLog, "\nHalvex::USBOCAlertTest::run()\n"), 2u);
  EXPECT_EQ(countOf(diagnosticLog, "Entering HalvexDevice::isOCStateExist"), 2u);
  EXPECT_EQ(countOf(diagnosticLog, "Over current condition exists"), 1u);
  EXPECT_EQ(countOf(diagnosticLog, "No over current condition"), 1u);
  const std::string enumeratorLog = readTraceFile(logDir() + "/HalvexDeviceEnumerator.log");
  EXPECT_EQ(countOf(enumeratorLog, "Returning from getDeviceVector"), 1u);
  EXPECT_EQ(countOf(enumeratorLog, "isOCStateExist"), 0u);
}

}  // namespace
