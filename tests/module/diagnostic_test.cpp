#include <tuple>

#include "ModuleFixture.h"
#include "tessary/DiagnosticSettings.h"

namespace {

using KestraDiags::Diag::DiagnosticResult;
using KestraDiags::Diag::DiagnosticSettings;
using KestraDiags::Diag::DiagnosticStatus;
using KestraDiags::Diag::IFunctionalTest;

// The framework keeps the catalogue protected; a host-side view of it for the tests.
struct Catalogue : IDiagnostics {
  static IFunctionalTest* only(IDiagnostics* diagnostic) {
    auto& tests = static_cast<Catalogue*>(diagnostic)->m_functionalTests;
    return tests.size() == 1 ? tests.front() : nullptr;
  }
};

// Test result, message code and event type of a result.
using Verdict = std::tuple<int, unsigned int, int>;
const Verdict kClean{0, 111, 0};
const Verdict kOverCurrent{1, 113, 1};
const Verdict kNoVerdict{0, 0, 2};

// A result with both times that leaves its test completed.
Verdict verdictOf(const DiagnosticResult& result, const IFunctionalTest& test) {
  EXPECT_FALSE(result.getTestStartTime().empty());
  EXPECT_FALSE(result.getTestCompletionTime().empty());
  EXPECT_EQ(test.getStatus().getStatus(), DiagnosticStatus::STATUS_COMPLETED);
  EXPECT_EQ(test.getStatus().getProgress(), 100u);
  return {result.getTestResult(), result.getMessageCode(), result.getEventType()};
}

std::string asked(int port) {
  return "------------ Check OC State on Root Hub Port  " + std::to_string(port);
}
const char* const kFree = "No device conncted to this port, continue";
const Texts kNoQuery = {"Entering USBOCAlertTest::run", "Halvex::USBOCAlertTest::run()",
                        "Leaving USBOCAlertTest::run"};

class DiagnosticTest : public ModuleTest {
 protected:
  // One root hub on a real node, as the host sees it: enumerator first, then the diagnostic
  // (so device records land in the diagnostic log).
  HalvexDevice& hub(const Json& portStates, const std::string& addlHWInfo) {
    Json record = with(rootHub(m_dir.write("hub-node", ""), 4), "portStates", portStates);
    HalvexDevice& device =
        *deviceAt(enumerate(Json::array({with(record, "addlHWInfo", addlHWInfo)})), 0);
    m_diagnostic.reset(m_module.getIDiagnostics(true, kNormal));
    return device;
  }
  Verdict runOn(HalvexDevice& device) {
    EXPECT_TRUE(m_diagnostic->runDiagnostic(&device, DiagnosticSettings()));
    const auto results = m_diagnostic->getDiagnosticResults();
    EXPECT_EQ(results.size(), 1u);
    return verdictOf(*results.back(), *Catalogue::only(m_diagnostic.get()));
  }
  // The diagnostic log's records and bare lines: the framework writes none of its own.
  Texts runRecords() const { return traceLines(diagnosticLog()); }

  DiagnosticPtr m_diagnostic;
};

TEST_F(DiagnosticTest, NamesItselfAndStartsNotStarted) {
  DiagnosticPtr diagnostic(m_module.getIDiagnostics(false, kNormal));
  EXPECT_STREQ(diagnostic->getName(), "Halvex Test");
  EXPECT_STREQ(diagnostic->getVersion(), "1.0");
  EXPECT_STREQ(diagnostic->getDescription(), "Halvex  Controller Test");
  EXPECT_EQ(diagnostic->getDiagnosticStatus().getStatus(), DiagnosticStatus::STATUS_NOT_STARTED);
  EXPECT_NE(DiagnosticPtr(m_module.getIDiagnostics(false, kNormal)).get(), diagnostic.get());
}

enum class Handling { NeverOpened, Opened, OpenedAfterRequests };

struct RunCase {
  const char* name;
  Json portStates;
  Handling handling;
  Verdict verdict;
  Texts records;
  std::string addlHWInfo = "Number of Ports:4|";
};
ROW_PRINTS_AS_ITS_NAME(RunCase)

class RunTest : public DiagnosticTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunTest, GivesTheVerdictWithItsRecords) {
  const RunCase& c = GetParam();
  HalvexDevice& device = hub(c.portStates, c.addlHWInfo);
  if (c.handling != Handling::NeverOpened) {
    ASSERT_EQ(device.open(0), 0u);
  }
  if (c.handling == Handling::OpenedAfterRequests) {
    m_diagnostic->resumeDiagnostic();
    m_diagnostic->abortDiagnostic();
    m_diagnostic->suspendDiagnostic();
  }
  EXPECT_EQ(runOn(device), c.verdict);
  m_diagnostic.reset();  // closes the log with whatever is still buffered
  const Texts opened = {"m_PrideviceDescriptor:  " + m_dir.file("hub-node"), "CreateFile passed",
                        "Return status of open: 0"};
  EXPECT_EQ(runRecords(), (c.handling == Handling::NeverOpened ? Texts{} : opened) +
                              Texts{"Enabling test for  Root Hub Name"} + c.records);
}

// The records of a run up to its first port, and from the check's result on.
Texts runStart(int ports) {
  return {"Entering USBOCAlertTest::run", "Halvex::USBOCAlertTest::run()",
          "Entering HalvexDevice::isOCStateExist", "Creating object of USBDeviceFinder",
          "Number of ports on this device are : " + std::to_string(ports)};
}
Texts runEnd(const std::string& state, const char* verdictRecord) {
  return {"Result from isOCStateExist: " + state, "Leaving HalvexDevice::isOCStateExist",
          "Result returned by pHalvexDev->isOCStateExist: " + state, verdictRecord,
          "Leaving USBOCAlertTest::run"};
}
const Texts kCleanEnd = runEnd("0", "No over current condition");
const Texts kAllFourAsked = {asked(1), asked(2), kFree, asked(3), asked(4), kFree};
const Json kTwoBusyPorts = Json::array({port(1, "a"), port(3, "c")});

// A clean run on a hub without devices whose hardware information gives that many ports.
RunCase portCount(const char* name, const std::string& addlHWInfo, int ports) {
  Texts records = runStart(ports);
  for (int number = 1; number <= ports; ++number) records = records + Texts{asked(number), kFree};
  return {name, Json::array(), Handling::Opened, kClean, records + kCleanEnd, addlHWInfo};
}

const RunCase kRuns[] = {
    {"CleanHub", kTwoBusyPorts, Handling::Opened, kClean, runStart(4) + kAllFourAsked + kCleanEnd},
    {"RequestsChangeNothing", kTwoBusyPorts, Handling::OpenedAfterRequests, kClean,
     runStart(4) + kAllFourAsked + kCleanEnd},
    {"OverCurrentStopsAtThatPort",
     Json::array({port(1, "a"), with(port(2, "b"), "overCurrent", 2), port(3, "c")}),
     Handling::Opened, kOverCurrent,
     runStart(4) + Texts{asked(1), asked(2)} + runEnd("2", "Over current condition exists")},
    {"OtherAnswersThanTwoAreNoOverCurrent",
     Json::array({with(port(1, "a"), "overCurrent", 1), {{"port", 2}, {"overCurrent", 7}}}),
     Handling::Opened, kClean,
     runStart(4) + Texts{asked(1), asked(2), asked(3), kFree, asked(4), kFree} + kCleanEnd},
    {"ThrowingCheck",
     Json::array({port(1, "a"), with(port(2, "b"), "checkforOCStateThrows", thrown("int", 9))}),
     Handling::Opened, kNoVerdict,
     runStart(4) + Texts{asked(1), asked(2), "Leaving USBOCAlertTest::run"}},
    // A closed device is not open either (device_open_test.cpp).
    {"NeverOpened", kTwoBusyPorts, Handling::NeverOpened, kNoVerdict, kNoQuery},
    // How the port count is read from the hub's hardware information.
    portCount("CountAmongOtherFields", "Speed:High|Number of Ports:2|Power:Self|", 2),
    portCount("BlankAndNoBar", "Number of Ports: 3", 3),
    portCount("NegativeCount", "Number of Ports:-3|", -3),
    portCount("NoLabelNoNumber", "Speed:High|", 0),
    portCount("NoLabelLeadingNumber", "5 ports|Number of 3", 5),
    portCount("NoLabelNoBar", " 2 ports", 2),
    portCount("EmptyInformation", "", 0),
};
INSTANTIATE_TEST_SUITE_P(Hubs, RunTest, ::testing::ValuesIn(kRuns), RowName());

TEST_F(DiagnosticTest, NullDeviceGetsNoVerdict) {
  m_diagnostic.reset(m_module.getIDiagnostics(true, kNormal));
  IFunctionalTest& test = *Catalogue::only(m_diagnostic.get());
  const std::unique_ptr<DiagnosticResult> result(test.run(nullptr, DiagnosticSettings()));
  EXPECT_EQ(verdictOf(*result, test), kNoVerdict);
  EXPECT_EQ(runRecords(), (Texts{"Entering USBOCAlertTest::run", "Invalid parameters",
                                 "Leaving USBOCAlertTest::run"}));
}

TEST_F(DiagnosticTest, SupportsExactlyTheHubsWithADescriptor) {
  Devices& devices = enumerate(
      Json::array({rootHub("/hub", 2), with(rootHub("/other", 2, 5), "name", "Failing Hub"),
                   usbDevice("Pad")}));
  m_diagnostic.reset(m_module.getIDiagnostics(true, kNormal));
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_TRUE(m_diagnostic->isDeviceSupportedByTest(deviceAt(devices, 0), 0));
  EXPECT_FALSE(m_diagnostic->isDeviceSupportedByTest(deviceAt(devices, 1), 0));
  EXPECT_FALSE(m_diagnostic->isDeviceSupportedByTest(deviceAt(devices, 2), 0));
  m_diagnostic.reset();
  EXPECT_EQ(traceLines(diagnosticLog()),
            (Texts{"Enabling test for  Root Hub Name", "Disabling test for  Failing Hub",
                   "Disabling test for  Pad"}));
}

}  // namespace
