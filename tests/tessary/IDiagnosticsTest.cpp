#include "tessary/IDiagnostics.h"

#include <gmock/gmock.h>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "MockFunctionalTest.h"
#include "TestDevice.h"

namespace KestraDiags {
namespace TessaryTests {
namespace {

using DeviceEnum::IDeviceEnumerator;
using Diag::DiagnosticEvent;
using Diag::DiagnosticStatus;
using Diag::IDiagnostics;
using ::testing::_;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::Throw;
using Codes = std::vector<unsigned int>;
using Events = std::vector<std::pair<unsigned int, DiagnosticEvent::EventType>>;

DiagnosticResult* resultWith(unsigned int code,
                             DiagnosticEvent::EventType type = DiagnosticEvent::EVENT_INFORMATION,
                             DiagnosticResult::TestResult outcome = DiagnosticResult::TEST_PASSED) {
  return new DiagnosticResult(outcome, code, type);
}

Events eventsOf(const IDiagnostics& diagnostics) {
  Events events;
  for (const DiagnosticEvent& event : diagnostics.getDiagnosticEvents()) {
    events.emplace_back(event.getMessageCode(), event.getEventType());
  }
  return events;
}

Codes resultCodesOf(const IDiagnostics& diagnostics) {
  Codes codes;
  for (const DiagnosticResult* result : diagnostics.getDiagnosticResults()) {
    codes.push_back(result->getMessageCode());
  }
  return codes;
}

void expectCompleted(const IDiagnostics& diagnostics) {
  EXPECT_EQ(diagnostics.getDiagnosticStatus().getStatus(), DiagnosticStatus::STATUS_COMPLETED);
  EXPECT_EQ(diagnostics.getDiagnosticStatus().getProgress(), 100u);
}

TEST(IDiagnosticsTest, RunsEverySupportingTestInCatalogueOrder) {
  MockedDiagnostics diagnostics;
  StrictTest& passing = diagnostics.addTest();
  diagnostics.addEmptySlot();
  StrictTest& refusing = diagnostics.addTest();
  StrictTest& throwing = diagnostics.addTest();
  StrictTest& throwingInt = diagnostics.addTest();
  StrictTest& failing = diagnostics.addTest();
  const TestDevice device;
  const DiagnosticSettings settings(true);
  DiagnosticStatus whileRunning;
  {
    InSequence catalogueOrder;
    EXPECT_CALL(passing, isDeviceSupported(&device, 0)).WillOnce(Return(true));
    EXPECT_CALL(passing, run(&device, ::testing::Ref(settings))).WillOnce([&] {
      whileRunning = diagnostics.getDiagnosticStatus();
      return resultWith(111);
    });
    EXPECT_CALL(refusing, isDeviceSupported(&device, 2)).WillOnce(Return(false));
    // A failing test must not stop the run: its exception becomes a warning.
    EXPECT_CALL(throwing, isDeviceSupported(&device, 3)).WillOnce(Return(true));
    EXPECT_CALL(throwing, run(_, _)).WillOnce(Throw(std::runtime_error("broken")));
    EXPECT_CALL(throwingInt, isDeviceSupported(&device, 4)).WillOnce(Throw(42));
    EXPECT_CALL(failing, isDeviceSupported(&device, 5)).WillOnce(Return(true));
    EXPECT_CALL(failing, run(&device, ::testing::Ref(settings)))
        .WillOnce(
            Return(resultWith(113, DiagnosticEvent::EVENT_ERROR, DiagnosticResult::TEST_FAILED)));
  }

  EXPECT_TRUE(diagnostics.runDiagnostic(&device, settings));

  EXPECT_EQ(whileRunning.getStatus(), DiagnosticStatus::STATUS_RUNNING);
  EXPECT_EQ(whileRunning.getProgress(), 0u);
  EXPECT_EQ(resultCodesOf(diagnostics), (Codes{111, 113}));
  EXPECT_EQ(diagnostics.getDiagnosticResults().back()->getTestResult(),
            DiagnosticResult::TEST_FAILED);
  EXPECT_EQ(eventsOf(diagnostics), (Events{{111, DiagnosticEvent::EVENT_INFORMATION},
                                           {0, DiagnosticEvent::EVENT_WARNING},
                                           {0, DiagnosticEvent::EVENT_WARNING},
                                           {113, DiagnosticEvent::EVENT_ERROR}}));
  expectCompleted(diagnostics);
}

TEST(IDiagnosticsTest, RunsWithoutAResultPostNoEvent) {
  const TestDevice device;
  for (int catalogue = 0; catalogue < 4; ++catalogue) {
    SCOPED_TRACE(catalogue);
    MockedDiagnostics diagnostics;  // catalogue 0 is empty
    if (catalogue == 1) diagnostics.addEmptySlot();
    if (catalogue == 2) EXPECT_CALL(diagnostics.addTest(), isDeviceSupported(_, 0));
    if (catalogue == 3) {
      StrictTest& withoutResult = diagnostics.addTest();
      EXPECT_CALL(withoutResult, isDeviceSupported(_, 0)).WillOnce(Return(true));
      EXPECT_CALL(withoutResult, run(_, _)).WillOnce(Return(nullptr));
    }
    // Only a test that ran counts, with or without a result.
    EXPECT_EQ(diagnostics.runDiagnostic(&device, DiagnosticSettings()), catalogue == 3);
    EXPECT_TRUE(diagnostics.getDiagnosticEvents().empty());
    EXPECT_TRUE(diagnostics.getDiagnosticResults().empty());
    expectCompleted(diagnostics);
  }
}

// A result that counts its deletions, to see who frees results and when.
class CountedResult : public DiagnosticResult {
 public:
  CountedResult(unsigned int code, int& deletions)
      : DiagnosticResult(TEST_PASSED, code, EVENT_INFORMATION), m_deletions(deletions) {}
  ~CountedResult() override { ++m_deletions; }

 private:
  int& m_deletions;
};

// A normal run asks no test for its pilot run (the strict tests above).
TEST(IDiagnosticsTest, PilotRunsKeepTheirResultsInOrderUntilTheDiagnosticIsDeleted) {
  int deletions = 0;
  auto diagnostics = std::make_unique<MockedDiagnostics>(IDeviceEnumerator::MODE_PILOT);
  StrictTest& test = diagnostics->addTest();
  const TestDevice device;
  for (unsigned int code = 1; code <= 3; ++code) {
    InSequence pilotThenItsFallBack;
    EXPECT_CALL(test, isDeviceSupported(&device, 0)).WillOnce(Return(true));
    EXPECT_CALL(test, runPilotTest(&device, _));
    EXPECT_CALL(test, run(&device, _)).WillOnce(Return(new CountedResult(code, deletions)));
    diagnostics->runDiagnostic(&device, DiagnosticSettings());
  }
  EXPECT_EQ(resultCodesOf(*diagnostics), (Codes{1, 2, 3}));
  EXPECT_EQ(diagnostics->getDiagnosticEvents().size(), 3u);
  EXPECT_EQ(deletions, 0);
  diagnostics.reset();
  EXPECT_EQ(deletions, 3);
}

TEST(IDiagnosticsTest, RequestsReachOnlyTheTestsThatExist) {
  MockedDiagnostics diagnostics;
  StrictTest& first = diagnostics.addTest();
  diagnostics.addEmptySlot();
  StrictTest& third = diagnostics.addTest();
  const TestDevice device;
  {
    InSequence order;
    EXPECT_CALL(first, abortTest());
    EXPECT_CALL(third, abortTest());
    EXPECT_CALL(first, suspendTest());
    EXPECT_CALL(third, suspendTest());
    EXPECT_CALL(first, resumeTest());
    EXPECT_CALL(third, resumeTest());
    EXPECT_CALL(first, isDeviceSupported(&device, 0)).WillOnce(Return(true));
    EXPECT_CALL(third, isDeviceSupported(&device, 2)).WillOnce(Return(false));
  }
  diagnostics.abortDiagnostic();
  diagnostics.suspendDiagnostic();
  diagnostics.resumeDiagnostic();
  std::vector<bool> supported;
  for (int index = -1; index <= 3; ++index) {
    supported.push_back(diagnostics.isDeviceSupportedByTest(&device, index));
  }
  EXPECT_EQ(supported, (std::vector<bool>{false, true, false, false, false}));
}

}  // namespace
}  // namespace TessaryTests
}  // namespace KestraDiags
