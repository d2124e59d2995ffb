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
  HalvexDevice& hub(const Json& portStates, const std::string& addlHWInfo = "Number of Ports:4|") {
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
  // The diagnostic log's records and bare lines from the test's entry on.
  Texts runRecords() const {
    return from(traceLines(diagnosticLog()), "Entering USBOCAlertTest::run");
  }

  DiagnosticPtr m_diagnostic;
};

TEST_F(DiagnosticTest, NamesItselfAndOffersOneTest) {
  DiagnosticPtr diagnostic(m_module.getIDiagnostics(false, kNormal));
  EXPECT_STREQ(diagnostic->getName(), "Halvex Test");
  EXPECT_STREQ(diagnostic->getVersion(), "1.0");
  EXPECT_STREQ(diagnostic->getDescription(), "Halvex  Controller Test");
  EXPECT_NE(Catalogue::only(diagnostic.get()), nullptr);
  EXPECT_EQ(diagnostic->getDiagnosticStatus().getStatus(), DiagnosticStatus::STATUS_NOT_STARTED);
  EXPECT_NE(DiagnosticPtr(m_module.getIDiagnostics(false, kNormal)).get(), diagnostic.get());
}

enum class Handling { NeverOpened, Opened, Closed, OpenedAfterRequests };

struct RunCase {
  const char* name;
  Json portStates;
  Handling handling;
  Verdict verdict;
  Texts records;
};
ROW_PRINTS_AS_ITS_NAME(RunCase)

class RunTest : public DiagnosticTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunTest, GivesTheVerdictWithItsRecords) {
  const RunCase& c = GetParam();
  HalvexDevice& device = hub(c.portStates);
  if (c.handling != Handling::NeverOpened) {
    ASSERT_EQ(device.open(0), 0u);
  }
  if (c.handling == Handling::Closed) device.close();
  if (c.handling == Handling::OpenedAfterRequests) {
    m_diagnostic->resumeDiagnostic();
    m_diagnostic->abortDiagnostic();
    m_diagnostic->suspendDiagnostic();
  }
  EXPECT_EQ(runOn(device), c.verdict);
  EXPECT_EQ(runRecords(), c.records);
}

// The records of a run on the 4-port hub up to its first port, and from the check's result on.
const Texts kRunStart = {"Entering USBOCAlertTest::run", "Halvex::USBOCAlertTest::run()",
                         "Entering HalvexDevice::isOCStateExist",
                         "Creating object of USBDeviceFinder",
                         "Number of ports on this device are : 4"};
Texts runEnd(const std::string& state, const char* verdictRecord) {
  return {"Result from isOCStateExist: " + state, "Leaving HalvexDevice::isOCStateExist",
          "Result returned by pHalvexDev->isOCStateExist: " + state, verdictRecord,
          "Leaving USBOCAlertTest::run"};
}
const Texts kAllFourAsked = {asked(1), asked(2), kFree, asked(3), asked(4), kFree};
const Json kTwoBusyPorts = Json::array({port(1, "a"), port(3, "c")});

const RunCase kRuns[] = {
    {"CleanHub", kTwoBusyPorts, Handling::Opened, kClean,
     kRunStart + kAllFourAsked + runEnd("0", "No over current condition")},
    {"RequestsChangeNothing", kTwoBusyPorts, Handling::OpenedAfterRequests, kClean,
     kRunStart + kAllFourAsked + runEnd("0", "No over current condition")},
    {"OverCurrentStopsAtThatPort",
     Json::array({port(1, "a"), with(port(2, "b"), "overCurrent", 2), port(3, "c")}),
     Handling::Opened, kOverCurrent,
     kRunStart + Texts{asked(1), asked(2)} + runEnd("2", "Over current condition exists")},
    {"OtherAnswersThanTwoAreNoOverCurrent",
     Json::array({with(port(1, "a"), "overCurrent", 1), {{"port", 2}, {"overCurrent", 7}}}),
     Handling::Opened, kClean,
     kRunStart + Texts{asked(1), asked(2), asked(3), kFree, asked(4), kFree} +
         runEnd("0", "No over current condition")},
    {"ThrowingCheck",
     Json::array({port(1, "a"), with(port(2, "b"), "checkforOCStateThrows", thrown("int", 9))}),
     Handling::Opened, kNoVerdict,
     kRunStart + Texts{asked(1), asked(2), "Leaving USBOCAlertTest::run"}},
    {"NeverOpened", kTwoBusyPorts, Handling::NeverOpened, kNoVerdict, kNoQuery},
    {"Closed", kTwoBusyPorts, Handling::Closed, kNoVerdict, kNoQuery},
};
INSTANTIATE_TEST_SUITE_P(Hubs, RunTest, ::testing::ValuesIn(kRuns), RowName());

TEST_F(DiagnosticTest, NullDeviceGetsNoVerdict) {
  hub(Json::array());
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
  EXPECT_FALSE(m_diagnostic->isDeviceSupportedByTest(deviceAt(devices, 0), 1));
  EXPECT_EQ(traceTexts(diagnosticLog()),
            (Texts{"Enabling test for  Root Hub Name", "Disabling test for  Failing Hub",
                   "Disabling test for  Pad"}));
}

struct PortCountCase {
  const char* name;
  std::string addlHWInfo;
  int count;
};
ROW_PRINTS_AS_ITS_NAME(PortCountCase)

class PortCountTest : public DiagnosticTest, public ::testing::WithParamInterface<PortCountCase> {};

TEST_P(PortCountTest, ReadsTheCountAndAsksThatManyPorts) {
  HalvexDevice& device = hub(Json::array(), GetParam().addlHWInfo);
  ASSERT_EQ(device.open(0), 0u);
  EXPECT_EQ(runOn(device), kClean);
  const Texts records = runRecords();
  const std::string count =
      "Number of ports on this device are : " + std::to_string(GetParam().count);
  EXPECT_EQ(std::count(records.begin(), records.end(), count), 1);
  EXPECT_EQ(std::count(records.begin(), records.end(), kFree), std::max(GetParam().count, 0));
}

const PortCountCase kPortCounts[] = {
    {"LabelAndBar", "Speed:High|Number of Ports:4|Power:Self|", 4},
    {"BlankAndNoBar", "Number of Ports: 7", 7},
    {"Negative", "Number of Ports:-3|", -3},
    {"NoLabelNoNumber", "Speed:High|", 0},
    {"NoLabelLeadingNumber", "5 ports|Number of 3", 5},
    {"NoLabelNoBar", " 2 ports", 2},
    {"Empty", "", 0},
};
INSTANTIATE_TEST_SUITE_P(Texts, PortCountTest, ::testing::ValuesIn(kPortCounts), RowName());

}  // namespace
