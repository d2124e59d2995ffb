#include "tessary/IDiagnostics.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ScriptedDiagnostics.h"
#include "TestDevice.h"

namespace KestraDiags {
namespace TessaryTests {
namespace {

using DeviceEnum::IDeviceEnumerator;
using Diag::DiagnosticEvent;
using Diag::DiagnosticResult;
using Diag::DiagnosticSettings;
using Diag::DiagnosticStatus;
using Diag::IDiagnostics;
using Codes = std::vector<unsigned int>;
using Events = std::vector<std::pair<unsigned int, DiagnosticEvent::EventType>>;

ScriptedTest::Run resultWith(unsigned int code,
                             DiagnosticEvent::EventType type = DiagnosticEvent::EVENT_INFORMATION,
                             DiagnosticResult::TestResult outcome = DiagnosticResult::TEST_PASSED) {
  return [=] { return new DiagnosticResult(outcome, code, type); };
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
  ScriptedDiagnostics diagnostics;
  DiagnosticStatus whileRunning;
  diagnostics.addTest(true, [&] {
    whileRunning = diagnostics.getDiagnosticStatus();
    return new DiagnosticResult(DiagnosticResult::TEST_PASSED, 111,
                                DiagnosticEvent::EVENT_INFORMATION);
  });
  diagnostics.addEmptySlot();
  diagnostics.addTest(false, resultWith(999, DiagnosticEvent::EVENT_WARNING));
  // A failing test must not stop the run: its exception becomes a warning.
  diagnostics.addTest(true, []() -> DiagnosticResult* { throw std::runtime_error("broken"); });
  diagnostics.addTest(true, []() -> DiagnosticResult* { throw 42; });
  const ScriptedTest& last = diagnostics.addTest(
      true, resultWith(113, DiagnosticEvent::EVENT_ERROR, DiagnosticResult::TEST_FAILED));
  const TestDevice device;
  const DiagnosticSettings settings(true);

  EXPECT_TRUE(diagnostics.runDiagnostic(&device, settings));

  EXPECT_EQ(whileRunning.getStatus(), DiagnosticStatus::STATUS_RUNNING);
  EXPECT_EQ(whileRunning.getProgress(), 0u);
  EXPECT_EQ(diagnostics.journal(),
            (Journal{"0.supported(0)", "0.run", "2.supported(2)", "3.supported(3)", "3.run",
                     "4.supported(4)", "4.run", "5.supported(5)", "5.run"}));
  EXPECT_EQ(last.lastDevice, &device);
  EXPECT_EQ(last.lastSettings, &settings);
  EXPECT_EQ(resultCodesOf(diagnostics), (Codes{111, 113}));
  EXPECT_EQ(diagnostics.getDiagnosticResults().back()->getTestResult(),
            DiagnosticResult::TEST_FAILED);
  EXPECT_EQ(eventsOf(diagnostics), (Events{{111, DiagnosticEvent::EVENT_INFORMATION},
                                           {0, DiagnosticEvent::EVENT_WARNING},
                                           {0, DiagnosticEvent::EVENT_WARNING},
                                           {113, DiagnosticEvent::EVENT_ERROR}}));
  expectCompleted(diagnostics);
}

TEST(IDiagnosticsTest, ModeChoosesPilotOrFullRun) {
  const struct {
    IDeviceEnumerator::DiagnosticMode mode;
    Journal calls;
  } cases[] = {
      {IDeviceEnumerator::MODE_NORMAL, {"0.supported(0)", "0.run"}},
      // The pilot run of the base falls back to the full run.
      {IDeviceEnumerator::MODE_PILOT, {"0.supported(0)", "0.pilot", "0.run"}},
  };
  for (const auto& c : cases) {
    ScriptedDiagnostics diagnostics(c.mode);
    diagnostics.addTest(true, resultWith(111));
    const TestDevice device;
    EXPECT_TRUE(diagnostics.runDiagnostic(&device, DiagnosticSettings()));
    EXPECT_EQ(diagnostics.journal(), c.calls) << "mode " << c.mode;
    EXPECT_EQ(resultCodesOf(diagnostics), Codes{111}) << "mode " << c.mode;
  }
}

TEST(IDiagnosticsTest, RunsWithoutAResultPostNoEvent) {
  const struct {
    const char* catalogue;
    std::function<void(ScriptedDiagnostics&)> fill;
    bool anyTestRan;
  } cases[] = {
      {"empty", [](ScriptedDiagnostics&) {}, false},
      {"empty slot", [](ScriptedDiagnostics& d) { d.addEmptySlot(); }, false},
      {"refusing test", [](ScriptedDiagnostics& d) { d.addTest(false, resultWith(111)); }, false},
      {"test without result",
       [](ScriptedDiagnostics& d) { d.addTest(true, [] { return nullptr; }); }, true},
  };
  for (const auto& c : cases) {
    ScriptedDiagnostics diagnostics;
    c.fill(diagnostics);
    const TestDevice device;
    EXPECT_EQ(diagnostics.runDiagnostic(&device, DiagnosticSettings()), c.anyTestRan)
        << c.catalogue;
    EXPECT_TRUE(diagnostics.getDiagnosticEvents().empty()) << c.catalogue;
    EXPECT_TRUE(diagnostics.getDiagnosticResults().empty()) << c.catalogue;
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

TEST(IDiagnosticsTest, KeepsResultsOfEveryRunInOrderUntilItIsDeleted) {
  int deletions = 0;
  unsigned int nextCode = 1;
  auto diagnostics = std::make_unique<ScriptedDiagnostics>();
  diagnostics->addTest(true, [&] { return new CountedResult(nextCode++, deletions); });
  const TestDevice device;
  for (int run = 0; run < 3; ++run) diagnostics->runDiagnostic(&device, DiagnosticSettings());

  EXPECT_EQ(resultCodesOf(*diagnostics), (Codes{1, 2, 3}));
  EXPECT_EQ(diagnostics->getDiagnosticEvents().size(), 3u);
  EXPECT_EQ(deletions, 0);
  diagnostics.reset();
  EXPECT_EQ(deletions, 3);
}

TEST(IDiagnosticsTest, RequestsReachOnlyTheTestsThatExist) {
  ScriptedDiagnostics diagnostics;
  diagnostics.addTest(true, resultWith(111));
  diagnostics.addEmptySlot();
  const ScriptedTest& refusing = diagnostics.addTest(false, resultWith(111));
  const TestDevice device;
  diagnostics.abortDiagnostic();
  diagnostics.suspendDiagnostic();
  diagnostics.resumeDiagnostic();
  std::vector<bool> supported;
  for (int index = -1; index <= 3; ++index) {
    supported.push_back(diagnostics.isDeviceSupportedByTest(&device, index));
  }
  EXPECT_EQ(supported, (std::vector<bool>{false, true, false, false, false}));
  EXPECT_EQ(diagnostics.journal(),
            (Journal{"0.abort", "2.abort", "0.suspend", "2.suspend", "0.resume", "2.resume",
                     "0.supported(0)", "2.supported(2)"}));
  EXPECT_EQ(refusing.lastDevice, &device);
}

TEST(IDiagnosticsTest, WritesNothingIntoTheLogFile) {
  const std::filesystem::path logPath =
      std::filesystem::path(::testing::TempDir()) / "tessary_untouched.log";
  {
    std::ofstream log(logPath, std::ios::trunc);
    ASSERT_TRUE(log.is_open());
    ScriptedDiagnostics diagnostics;
    diagnostics.setLogFile(&log);
    diagnostics.addTest(true, resultWith(111));
    diagnostics.addTest(true, []() -> DiagnosticResult* { throw 1; });
    const TestDevice device;
    diagnostics.runDiagnostic(&device, DiagnosticSettings());
    diagnostics.isDeviceSupportedByTest(&device, 0);
    diagnostics.abortDiagnostic();
    diagnostics.suspendDiagnostic();
    diagnostics.resumeDiagnostic();
  }
  EXPECT_EQ(std::filesystem::file_size(logPath), 0u);
  std::filesystem::remove(logPath);
}

}  // namespace
}  // namespace TessaryTests
}  // namespace KestraDiags
