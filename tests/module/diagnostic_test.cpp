#include "ModuleFixture.h"
#include "Topology.h"
#include "tessary/DiagnosticSettings.h"

#include "../support/NamedCase.h"

namespace {

using KestraDiags::Diag::DiagnosticResult;
using KestraDiags::Diag::DiagnosticSettings;
using KestraDiags::Diag::DiagnosticStatus;
using KestraDiags::Diag::IFunctionalTest;
using Texts = std::vector<std::string>;

// The framework keeps the catalogue protected; a host-side view of it for the tests.
struct Catalogue : IDiagnostics {
  static IFunctionalTest* only(IDiagnostics* diagnostic) {
    auto& tests = static_cast<Catalogue*>(diagnostic)->m_functionalTests;
    return tests.size() == 1 ? tests.front() : nullptr;
  }
};

struct Verdict {
  int testResult;
  unsigned int messageCode;
  int eventType;
  bool operator==(const Verdict& other) const {
    return testResult == other.testResult && messageCode == other.messageCode &&
           eventType == other.eventType;
  }
};

std::ostream& operator<<(std::ostream& out, const Verdict& v) {
  return out << "(" << v.testResult << ", " << v.messageCode << ", " << v.eventType << ")";
}

Verdict verdictOf(const DiagnosticResult& result) {
  return {result.getTestResult(), result.getMessageCode(), result.getEventType()};
}

const Verdict kClean{0, 111, 0};
const Verdict kOverCurrent{1, 113, 1};
const Verdict kNoVerdict{0, 0, 2};

class DiagnosticTest : public ModuleTest {
 protected:
  // One root hub on a real node, with the given port answers, as the host sees it: enumerator
  // first, then the diagnostic (so device records land in the diagnostic log).
  HalvexDevice& hub(const Json& portStates, const std::string& addlHWInfo = "Number of Ports:4|") {
    Json record = rootHub(m_dir.write("hub-node", ""), 4);
    record["portStates"] = portStates;
    record["addlHWInfo"] = addlHWInfo;
    useTopology(topology(Json::array({record})));
    m_enumerator.reset(m_module.getIDeviceEnumerator(true, kNormal));
    HalvexDevice& device = *deviceAt(*m_enumerator->getDeviceVector("", 0), 0);
    m_diagnostic.reset(m_module.getIDiagnostics(true, kNormal));
    return device;
  }
  Verdict runOn(HalvexDevice& device) {
    EXPECT_TRUE(m_diagnostic->runDiagnostic(&device, DiagnosticSettings()));
    const auto results = m_diagnostic->getDiagnosticResults();
    EXPECT_FALSE(results.empty());
    const DiagnosticResult& last = *results.back();
    EXPECT_FALSE(last.getTestStartTime().empty());
    EXPECT_FALSE(last.getTestCompletionTime().empty());
    return verdictOf(last);
  }
  // Records of the diagnostic log from the test's entry on.
  Texts runRecords() const {
    const Texts all = traceLines(diagnosticLog());
    return Texts(std::find(all.begin(), all.end(), "Entering USBOCAlertTest::run"), all.end());
  }

  EnumeratorPtr m_enumerator;
  DiagnosticPtr m_diagnostic;
};

TEST_F(DiagnosticTest, NamesItselfAndOffersOneTest) {
  DiagnosticPtr diagnostic(m_module.getIDiagnostics(false, kNormal));
  EXPECT_STREQ(diagnostic->getName(), "Halvex Test");
  EXPECT_STREQ(diagnostic->getVersion(), "1.0");
  EXPECT_STREQ(diagnostic->getDescription(), "Halvex  Controller Test");
  EXPECT_NE(Catalogue::only(diagnostic.get()), nullptr);
  EXPECT_EQ(diagnostic->getDiagnosticStatus().getStatus(), DiagnosticStatus::STATUS_NOT_STARTED);
  DiagnosticPtr other(m_module.getIDiagnostics(false, kNormal));
  EXPECT_NE(diagnostic.get(), other.get());
}

TEST_F(DiagnosticTest, CleanHubPassesWithTheRecordsInOrder) {
  HalvexDevice& device = hub(Json::array({port(1, "a"), port(3, "c")}));
  ASSERT_EQ(device.open(0), 0u);
  EXPECT_EQ(runOn(device), kClean);
  EXPECT_EQ(runRecords(),
            (Texts{"Entering USBOCAlertTest::run", "Halvex::USBOCAlertTest::run()",
                   "Entering HalvexDevice::isOCStateExist", "Creating object of USBDeviceFinder",
                   "Number of ports on this device are : 4",
                   "------------ Check OC State on Root Hub Port  1",
                   "------------ Check OC State on Root Hub Port  2",
                   "No device conncted to this port, continue",
                   "------------ Check OC State on Root Hub Port  3",
                   "------------ Check OC State on Root Hub Port  4",
                   "No device conncted to this port, continue", "Result from isOCStateExist: 0",
                   "Leaving HalvexDevice::isOCStateExist",
                   "Result returned by pHalvexDev->isOCStateExist: 0", "No over current condition",
                   "Leaving USBOCAlertTest::run"}));
}

TEST_F(DiagnosticTest, OverCurrentStopsAtThatPortAndFails) {
  Json overCurrent = port(2, "b");
  overCurrent["overCurrent"] = 2;
  HalvexDevice& device = hub(Json::array({port(1, "a"), overCurrent, port(3, "c")}));
  ASSERT_EQ(device.open(0), 0u);
  EXPECT_EQ(runOn(device), kOverCurrent);
  const Texts records = runRecords();
  EXPECT_EQ(std::count_if(records.begin(), records.end(),
                          [](const std::string& t) { return t.find("Root Hub Port") != t.npos; }),
            2);
  EXPECT_NE(std::find(records.begin(), records.end(), "Over current condition exists"),
            records.end());
}

TEST_F(DiagnosticTest, UnopenedHubGetsNoVerdictAndNoQuery) {
  HalvexDevice& device = hub(Json::array({port(1, "a")}));
  EXPECT_EQ(runOn(device), kNoVerdict);
  EXPECT_EQ(runRecords(), (Texts{"Entering USBOCAlertTest::run", "Halvex::USBOCAlertTest::run()",
                                 "Leaving USBOCAlertTest::run"}));
}

TEST_F(DiagnosticTest, ClosedHubGetsNoVerdict) {
  HalvexDevice& device = hub(Json::array({port(1, "a")}));
  ASSERT_EQ(device.open(0), 0u);
  device.close();
  EXPECT_EQ(runOn(device), kNoVerdict);
}

TEST_F(DiagnosticTest, ThrowingCheckGetsNoVerdict) {
  HalvexDevice& device = hub(Json::array(
      {port(1, "a"), {{"port", 2}, {"key", "b"}, {"checkforOCStateThrows", thrown("int", 9)}}}));
  ASSERT_EQ(device.open(0), 0u);
  EXPECT_EQ(runOn(device), kNoVerdict);
  const Texts records = runRecords();
  EXPECT_EQ(records.back(), "Leaving USBOCAlertTest::run");
  EXPECT_EQ(std::find(records.begin(), records.end(), "Leaving HalvexDevice::isOCStateExist"),
            records.end());
}

TEST_F(DiagnosticTest, OtherAnswersThanTwoAreNoOverCurrent) {
  Json odd = port(1, "a");
  odd["overCurrent"] = 1;
  Json free = {{"port", 2}, {"overCurrent", 7}};
  HalvexDevice& device = hub(Json::array({odd, free}));
  ASSERT_EQ(device.open(0), 0u);
  EXPECT_EQ(runOn(device), kClean);
}

TEST_F(DiagnosticTest, NullDeviceGetsNoVerdictWithTimesAndEndsCompleted) {
  hub(Json::array());
  IFunctionalTest* test = Catalogue::only(m_diagnostic.get());
  std::unique_ptr<DiagnosticResult> result(test->run(nullptr, DiagnosticSettings()));
  EXPECT_EQ(verdictOf(*result), kNoVerdict);
  EXPECT_FALSE(result->getTestStartTime().empty());
  EXPECT_FALSE(result->getTestCompletionTime().empty());
  EXPECT_EQ(test->getStatus().getStatus(), DiagnosticStatus::STATUS_COMPLETED);
  EXPECT_EQ(test->getStatus().getProgress(), 100u);
  EXPECT_EQ(runRecords(), (Texts{"Entering USBOCAlertTest::run", "Invalid parameters",
                                 "Leaving USBOCAlertTest::run"}));
}

TEST_F(DiagnosticTest, AbortSuspendAndResumeChangeNoResult) {
  HalvexDevice& device = hub(Json::array({port(1, "a")}));
  ASSERT_EQ(device.open(0), 0u);
  m_diagnostic->resumeDiagnostic();
  m_diagnostic->abortDiagnostic();
  m_diagnostic->suspendDiagnostic();
  EXPECT_EQ(runOn(device), kClean);
  EXPECT_EQ(Catalogue::only(m_diagnostic.get())->getStatus().getProgress(), 100u);
}

TEST_F(DiagnosticTest, SupportsExactlyTheHubsWithADescriptor) {
  Json failingHub = rootHub("/other", 2, 5);
  failingHub["name"] = "Failing Hub";
  useTopology(topology(Json::array({rootHub("/hub", 2), failingHub, usbDevice("Keyboard")})));
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(false, kNormal));
  DiagnosticPtr diagnostic(m_module.getIDiagnostics(true, kNormal));
  std::vector<VirtualDevice>& devices = *enumerator->getDeviceVector("", 0);
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_TRUE(diagnostic->isDeviceSupportedByTest(deviceAt(devices, 0), 0));
  EXPECT_FALSE(diagnostic->isDeviceSupportedByTest(deviceAt(devices, 1), 0));
  EXPECT_FALSE(diagnostic->isDeviceSupportedByTest(deviceAt(devices, 2), 0));
  EXPECT_FALSE(diagnostic->isDeviceSupportedByTest(deviceAt(devices, 0), 1));
  const Texts texts = traceTexts(diagnosticLog());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Enabling test for  Root Hub Name"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Disabling test for  Failing Hub"), texts.end());
}

struct PortCountCase {
  const char* name;
  std::string addlHWInfo;
  int count;
};

ROW_PRINTS_AS_ITS_NAME(PortCountCase)

class PortCountTextTest : public DiagnosticTest,
                          public ::testing::WithParamInterface<PortCountCase> {};

TEST_P(PortCountTextTest, ReadsTheCountAndAsksThatManyPorts) {
  HalvexDevice& device = hub(Json::array(), GetParam().addlHWInfo);
  ASSERT_EQ(device.open(0), 0u);
  EXPECT_EQ(runOn(device), kClean);
  const Texts records = runRecords();
  EXPECT_NE(std::find(records.begin(), records.end(),
                      "Number of ports on this device are : " + std::to_string(GetParam().count)),
            records.end());
  const long asked = std::count_if(records.begin(), records.end(), [](const std::string& t) {
    return t.find("Root Hub Port") != t.npos;
  });
  EXPECT_EQ(asked, std::max(GetParam().count, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PortCountTextTest,
    ::testing::Values(PortCountCase{"LabelAndBar", "Speed:High|Number of Ports:4|Power:Self|", 4},
                      PortCountCase{"BlankAndNoBar", "Number of Ports: 7", 7},
                      PortCountCase{"Negative", "Number of Ports:-3|", -3},
                      PortCountCase{"NoLabelNoNumber", "Speed:High|", 0},
                      PortCountCase{"NoLabelLeadingNumber", "5 ports|Number of 3", 5},
                      PortCountCase{"NoLabelNoBar", " 2 ports", 2}, PortCountCase{"Empty", "", 0}),
    [](const ::testing::TestParamInfo<PortCountCase>& info) { return info.param.name; });

}  // namespace
