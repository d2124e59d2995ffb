// halvex-host diagnose: the verdict per hub, the report, the exit status and the logs.
#include <nlohmann/json.hpp>

#include "HostTest.h"
#include "tests/support/TraceLog.h"

namespace {

using nlohmann::json;
using HostDiagnoseTest = HostTest;

TEST_F(HostDiagnoseTest, ReportAndExitStatusFollowTheWorstVerdict) {
  const std::string examples = HALVEX_EXAMPLES_DIR;
  const std::string metrics = dir.file("no-such-directory/halvex.prom");
  const std::string desktopReport =
      "HUB           LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
      "USB Root Hub  usb1      no over-current  111   *  *  -\n"
      "USB Hub       1-4       no over-current  111   *  *  -\n"
      "Summary: 2 hubs checked, 2 without over-current, 0 in over-current, 0 without verdict.\n";
  expectRuns({
      {"every hub clean", on(examples + "/desktop.json", {"diagnose"}), 0, desktopReport, ""},
      {"over-current wins over no verdict",
       on(machine(cleanHub + "," + hotHub + "," + goneHub, "hot.json"), {"diagnose"}), 2,
       "HUB      LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
       "Clean    usb1      no over-current  111   *  *  -\n"
       "Hot      usb2      OVER-CURRENT     113   *  *  -\n"
       "USB Hub  usb1-4    no verdict       0     *  *  open failed: 503 DEV_ERR_NOT_CONNECTED: " +
           dir.file("gone") + " is not there: the hub is gone\n" +
           "usb2 port 2: OVER-CURRENT now [key \"k2\"]\n"
           "Summary: 3 hubs checked, 1 without over-current, 1 in over-current, 1 without "
           "verdict.\n",
       ""},
      {"a check that throws", on(examples + "/faults/oc-check-throws.json", {"diagnose"}), 3,
       "HUB           LOCATION  VERDICT     CODE  STARTED*COMPLETED*NOTE\n"
       "USB Root Hub  usb1      no verdict  0     *  *  -\n"
       "Summary: 1 hub checked, 0 without over-current, 0 in over-current, 1 without verdict.\n",
       ""},
      {"a port that cannot be asked",
       on(machine(cleanHub + "," + stalledHub, "stalled.json"), {"diagnose"}), 1,
       "HUB      LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
       "Clean    usb1      no over-current  111   *  *  -\n"
       "Stalled  usb3      no over-current  111   *  *  not every port could be asked: control "
       "transfer stalled\n"
       "usb3 port 1: not asked: control transfer stalled [key \"k3\"]\n"
       "Summary: 2 hubs checked, 2 without over-current, 0 in over-current, 0 without verdict.\n",
       ""},
      {"no verdict wins over a port that cannot be asked",
       on(machine(stalledHub + "," + goneHub, "stalled-gone.json"), {"diagnose"}), 3,
       "HUB      LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
       "Stalled  usb3      no over-current  111   *  *  not every port could be asked: control "
       "transfer stalled\n"
       "USB Hub  usb1-4    no verdict       0     *  *  open failed: 503 DEV_ERR_NOT_CONNECTED: *\n"
       "usb3 port 1: not asked: control transfer stalled [key \"k3\"]\n"
       "Summary: 2 hubs checked, 1 without over-current, 0 in over-current, 1 without verdict.\n",
       ""},
      {"no hub at all",
       on(machine(R"({"name": "Mouse", "location": "usb1-1"})", "mouse.json"), {"diagnose"}), 3,
       "Summary: no hub to check.\n", ""},
      {"metrics file that cannot be written",
       on(examples + "/desktop.json", {"diagnose", "--prometheus", metrics}), 3, desktopReport,
       "halvex-host: cannot write " + metrics + ": *\n"},
      {"metrics file that cannot be written, with a port that cannot be asked",
       on(machine(stalledHub, "stalled-only.json"), {"diagnose", "--prometheus", metrics}), 3,
       "HUB      LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
       "Stalled  usb3      no over-current  111   *  *  not every port could be asked: control "
       "transfer stalled\n"
       "usb3 port 1: not asked: control transfer stalled [key \"k3\"]\n"
       "Summary: 1 hub checked, 1 without over-current, 0 in over-current, 0 without verdict.\n",
       "halvex-host: cannot write " + metrics + ": *\n"},
      {"over-current wins over a metrics file that cannot be written",
       on(machine(hotHub, "hot-only.json"), {"diagnose", "--prometheus", metrics}), 2,
       "HUB  LOCATION  VERDICT       CODE  STARTED*COMPLETED*NOTE\n"
       "Hot  usb2      OVER-CURRENT  113   *  *  -\n"
       "usb2 port 2: OVER-CURRENT now [key \"k2\"]\n"
       "Summary: 1 hub checked, 0 without over-current, 1 in over-current, 0 without verdict.\n",
       "halvex-host: cannot write " + metrics + ": *\n"},
  });
}

TEST_F(HostDiagnoseTest, JsonCarriesTheResultOfEveryHub) {
  const std::string locked = dir.makeDir("locked");
  const HostRun run = host(on(machine(cleanHub + "," + hotHub + R"(,
      {"type": "hub", "location": "usb1-5", "parentLocation": "usb1", "ports": 2,
       "devicePath": "locked"}, {"name": "Mouse", "location": "usb1-1", "parentLocation": "usb1"})"),
                              {"diagnose", "--json"}));
  EXPECT_EQ(run.exitStatus, 2);
  json report = json::parse(run.out);
  for (json& hub : report["hubs"]) {
    for (const char* time : {"startTime", "completionTime"}) {
      EXPECT_NE(hub["result"][time], "") << time;
      hub["result"].erase(time);
    }
  }
  report.erase("durationSeconds");
  report.erase("finishedAt");
  json expected = json::parse(R"({
      "diagnostic": {"name": "Halvex Test", "version": "1.0", "description": "Halvex  Controller Test"},
      "hubs": [{"name": "Clean", "location": "usb1", "open": {"code": 0, "name": "DEV_OPEN_SUCCESS"},
                "verdict": "no-over-current", "verdictText": "no over-current", "unverified": null,
                "result": {"testResult": 0, "messageCode": 111, "eventType": 0}, "ports": []},
               {"name": "Hot", "location": "usb2", "open": {"code": 0, "name": "DEV_OPEN_SUCCESS"},
                "verdict": "over-current", "verdictText": "OVER-CURRENT", "unverified": null,
                "result": {"testResult": 1, "messageCode": 113, "eventType": 1},
                "ports": [{"port": 2, "finding": "over-current", "latched": false, "count": null,
                           "device": {"key": "k2", "name": "", "vendorId": null, "productId": null},
                           "error": null}]},
               {"name": "USB Hub", "location": "usb1-5",
                "open": {"code": 500, "name": "DEV_ERR_ACCESS_DENIED"},
                "verdict": "no-verdict", "verdictText": "no verdict", "unverified": null,
                "result": {"testResult": 0, "messageCode": 0, "eventType": 2}, "ports": []}],
      "summary": {"hubs": 3, "noOverCurrent": 1, "overCurrent": 1, "noVerdict": 1},
      "exitStatus": 2})");
  expected["hubs"][0]["devicePath"] = dir.file("n1");
  expected["hubs"][1]["devicePath"] = dir.file("n2");
  expected["hubs"][2]["devicePath"] = locked;
  // Root could not open a directory either.
  expected["hubs"][2]["open"]["hint"] = locked + " is a directory, not a device node";
  EXPECT_EQ(report, expected);
}

// The document and the exit status agree, and the one line on stderr is the document's error.
TEST_F(HostDiagnoseTest, JsonCarriesTheReasonForStatus3) {
  const struct {
    const char* what;
    std::vector<std::string> arguments;
    std::size_t hubs;
    const char* error;
  } runs[] = {
      {"no module",
       {"--module", dir.file("missing.so"), "diagnose", "--json"},
       0,
       "MODULE_LOAD_FAILED"},
      {"metrics file that cannot be written",
       on(HALVEX_EXAMPLES_DIR "/desktop.json",
          {"diagnose", "--json", "--prometheus", dir.file("missing/halvex.prom")}),
       2, "OUTPUT_WRITE_FAILED"},
  };
  for (const auto& expected : runs) {
    SCOPED_TRACE(expected.what);
    const HostRun run = host(expected.arguments);
    EXPECT_EQ(run.exitStatus, 3);
    const json report = json::parse(run.out);
    EXPECT_EQ(report["exitStatus"], 3);
    EXPECT_EQ(report["error"]["name"], expected.error);
    EXPECT_EQ(report["hubs"].size(), expected.hubs);
    EXPECT_EQ(run.err, "halvex-host: " + report["error"]["message"].get<std::string>() + "\n");
  }
}

// The diagnostic is made after the enumerator, so the hubs' own check records go into the
// diagnostic's log, one run per hub; the enumerator log holds the discovery.
TEST_F(HostDiagnoseTest, LogsGoWhereThePackageConfigurationLeads) {
  ASSERT_EQ(host({"--package-config", packageConfig(), "--topology",
                  machine(cleanHub + "," + hotHub), "diagnose"})
                .exitStatus,
            2);
  const std::string diagnosticLog = readTraceFile(dir.file("log/HalvexDiagnostic.log"));
  EXPECT_EQ(countOf(diagnosticLog, "\nHalvex::USBOCAlertTest::run()\n"), 2u);
  EXPECT_EQ(countOf(diagnosticLog, "Entering HalvexDevice::isOCStateExist"), 2u);
  EXPECT_EQ(countOf(diagnosticLog, "Over current condition exists"), 1u);
  EXPECT_EQ(countOf(diagnosticLog, "No over current condition"), 1u);
  const std::string enumeratorLog = readTraceFile(dir.file("log/HalvexDeviceEnumerator.log"));
  EXPECT_EQ(countOf(enumeratorLog, "Entering getDevice Vector() method"), 1u);
  EXPECT_EQ(countOf(enumeratorLog, "Returning from getDeviceVector"), 1u);
  EXPECT_EQ(countOf(enumeratorLog, "isOCStateExist"), 0u);
  EXPECT_FALSE(fileExists(dir.file("HalvexDeviceEnumerator.log")));
}

}  // namespace
