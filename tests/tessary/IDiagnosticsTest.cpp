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

ScriptedTest::Run resultWith(unsigned int code, DiagnosticEvent::EventType type,
                             DiagnosticResult::TestResult outcome = DiagnosticResult::TEST_PASSED) {
  return [=] { return new DiagnosticResult(outcome, code, type); };
}

std::vector<std::pair<unsigned int, DiagnosticEvent::EventType>> eventsOf(
    const IDiagnostics& diagnostics) {
  std::vector<std::pair<unsigned int, DiagnosticEvent::EventType>> events;
  for (const DiagnosticEvent& event : diagnostics.getDiagnosticEvents()) {
    events.emplace_back(event.getMessageCode(), event.getEventType());
  }
  return events;
}

std::vector<unsigned int> resultCodesOf(const IDiagnostics& diagnostics) {
  std::vector<unsigned int> codes;
  for (const DiagnosticResult* result : diagnostics.getDiagnosticResults()) {
    codes.push_back(result->getMessageCode());
  }
  return codes;
}

void expectCompleted(const IDiagnostics& diagnostics) {
  EXPECT_EQ(diagnostics.getDiagnosticStatus().getStatus(), DiagnosticStatus::STATUS_COMPLETED);
  EXPECT_EQ(diagnostics.getDiagnosticStatus().getProgress(), 100u);
}

TEST(IDiagnosticsTest, KeepsItsIdentityAndStartsNotStarted) {
  const ScriptedDiagnostics named("Halvex Test", "1.0", "Halvex  Controller Test", true,
                                  IDeviceEnumerator::MODE_PILOT);
  EXPECT_STREQ(named.getName(), "Halvex Test");
  EXPECT_STREQ(named.getVersion(), "1.0");
  EXPECT_STREQ(named.getDescription(), "Halvex  Controller Test");
  EXPECT_TRUE(named.logEnabled());
  EXPECT_EQ(named.getDiagnosticMode(), IDeviceEnumerator::MODE_PILOT);
  EXPECT_EQ(named.getDiagnosticStatus().getStatus(), DiagnosticStatus::STATUS_NOT_STARTED);
  EXPECT_EQ(named.getDiagnosticStatus().getProgress(), 0u);

  const ScriptedDiagnostics unnamed(nullptr, nullptr, nullptr, false,
                                    IDeviceEnumerator::MODE_NORMAL);
  EXPECT_STREQ(unnamed.getName(), "");
  EXPECT_STREQ(unnamed.getVersion(), "");
  EXPECT_STREQ(unnamed.getDescription(), "");
  EXPECT_FALSE(unnamed.logEnabled());
}

TEST(IDiagnosticsTest, RunsEverySupportingTestInCatalogueOrder) {
  ScriptedDiagnostics diagnostics;
  diagnostics.addTest(true, resultWith(111, DiagnosticEvent::EVENT_INFORMATION));
  diagnostics.addEmptySlot();
  diagnostics.addTest(false, resultWith(999, DiagnosticEvent::EVENT_WARNING));
  const ScriptedTest& last = diagnostics.addTest(
      true, resultWith(113, DiagnosticEvent::EVENT_ERROR, DiagnosticResult::TEST_FAILED));
  const TestDevice device;
  const DiagnosticSettings settings(true);

  EXPECT_TRUE(diagnostics.runDiagnostic(&device, settings));

  EXPECT_EQ(diagnostics.journal(),
            (Journal{"0.supported(0)", "0.run", "2.supported(2)", "3.supported(3)", "3.run"}));
  EXPECT_EQ(last.lastDevice, &device);
  EXPECT_EQ(last.lastSettings, &settings);
  EXPECT_EQ(resultCodesOf(diagnostics), (std::vector<unsigned int>{111, 113}));
  EXPECT_EQ(diagnostics.getDiagnosticResults().back()->getTestResult(),
            DiagnosticResult::TEST_FAILED);
  EXPECT_EQ(eventsOf(diagnostics),
            (decltype(eventsOf(diagnostics)){{111, DiagnosticEvent::EVENT_INFORMATION},
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
    diagnostics.addTest(true, resultWith(111, DiagnosticEvent::EVENT_INFORMATION));
    const TestDevice device;
    EXPECT_TRUE(diagnostics.runDiagnostic(&device, DiagnosticSettings()));
    EXPECT_EQ(diagnostics.journal(), c.calls) << "mode " << c.mode;
    EXPECT_EQ(resultCodesOf(diagnostics), std::vector<unsigned int>{111}) << "mode " << c.mode;
  }
}

TEST(IDiagnosticsTest, ReportsRunningWithNoProgressWhileATestRuns) {
  ScriptedDiagnostics diagnostics;
  DiagnosticStatus seen;
  seen.setStatus(DiagnosticStatus::STATUS_COMPLETED);
  seen.setProgress(55);
  diagnostics.addTest(true, [&] {
    seen = diagnostics.getDiagnosticStatus();
    return nullptr;
  });
  const TestDevice device;
  diagnostics.runDiagnostic(&device, DiagnosticSettings());

  EXPECT_EQ(seen.getStatus(), DiagnosticStatus::STATUS_RUNNING);
  EXPECT_EQ(seen.getProgress(), 0u);
  expectCompleted(diagnostics);
}

TEST(IDiagnosticsTest, ReturnsFalseWhenNoTestRuns) {
  const struct {
    const char* catalogue;
    std::function<void(ScriptedDiagnostics&)> fill;
  } cases[] = {
      {"empty", [](ScriptedDiagnostics&) {}},
      {"empty slot", [](ScriptedDiagnostics& d) { d.addEmptySlot(); }},
      {"refusing test",
       [](ScriptedDiagnostics& d) {
         d.addTest(false, resultWith(111, DiagnosticEvent::EVENT_INFORMATION));
       }},
  };
  for (const auto& c : cases) {
    ScriptedDiagnostics diagnostics;
    c.fill(diagnostics);
    const TestDevice device;
    EXPECT_FALSE(diagnostics.runDiagnostic(&device, DiagnosticSettings())) << c.catalogue;
    EXPECT_TRUE(diagnostics.getDiagnosticEvents().empty()) << c.catalogue;
    EXPECT_TRUE(diagnostics.getDiagnosticResults().empty()) << c.catalogue;
    expectCompleted(diagnostics);
  }
}

TEST(IDiagnosticsTest, TestWithoutResultStillCountsAsRun) {
  ScriptedDiagnostics diagnostics;
  diagnostics.addTest(true, [] { return nullptr; });
  const TestDevice device;
  EXPECT_TRUE(diagnostics.runDiagnostic(&device, DiagnosticSettings()));
  EXPECT_TRUE(diagnostics.getDiagnosticEvents().empty());
  EXPECT_TRUE(diagnostics.getDiagnosticResults().empty());
}

TEST(IDiagnosticsTest, ExceptionFromATestBecomesAWarningAndTheRunGoesOn) {
  const struct {
    const char* kind;
    ScriptedTest::Run run;
  } cases[] = {
      {"standard exception", []() -> DiagnosticResult* { throw std::runtime_error("broken"); }},
      {"other exception", []() -> DiagnosticResult* { throw 42; }},
  };
  for (const auto& c : cases) {
    ScriptedDiagnostics diagnostics;
    diagnostics.addTest(true, c.run);
    diagnostics.addTest(true, resultWith(111, DiagnosticEvent::EVENT_INFORMATION));
    const TestDevice device;

    EXPECT_TRUE(diagnostics.runDiagnostic(&device, DiagnosticSettings())) << c.kind;

    EXPECT_EQ(eventsOf(diagnostics),
              (decltype(eventsOf(diagnostics)){{0, DiagnosticEvent::EVENT_WARNING},
                                               {111, DiagnosticEvent::EVENT_INFORMATION}}))
        << c.kind;
    EXPECT_EQ(resultCodesOf(diagnostics), std::vector<unsigned int>{111}) << c.kind;
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

  diagnostics->runDiagnostic(&device, DiagnosticSettings());
  diagnostics->runDiagnostic(&device, DiagnosticSettings());
  diagnostics->runDiagnostic(&device, DiagnosticSettings());

  EXPECT_EQ(resultCodesOf(*diagnostics), (std::vector<unsigned int>{1, 2, 3}));
  EXPECT_EQ(diagnostics->getDiagnosticEvents().size(), 3u);
  EXPECT_EQ(deletions, 0);
  diagnostics.reset();
  EXPECT_EQ(deletions, 3);
}

TEST(IDiagnosticsTest, SupportQuestionReachesOnlyAnExistingTest) {
  ScriptedDiagnostics diagnostics;
  diagnostics.addTest(true, resultWith(111, DiagnosticEvent::EVENT_INFORMATION));
  diagnostics.addEmptySlot();
  const ScriptedTest& refusing =
      diagnostics.addTest(false, resultWith(111, DiagnosticEvent::EVENT_INFORMATION));
  const TestDevice device;

  const struct {
    int index;
    bool supported;
    Journal calls;
  } cases[] = {
      {-1, false, {}}, {0, true, {"0.supported(0)"}},
      {1, false, {}},  {2, false, {"2.supported(2)"}},
      {3, false, {}},
  };
  std::size_t callsBefore = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(diagnostics.isDeviceSupportedByTest(&device, c.index), c.supported)
        << "index " << c.index;
    const Journal calls(diagnostics.journal().begin() + callsBefore, diagnostics.journal().end());
    EXPECT_EQ(calls, c.calls) << "index " << c.index;
    callsBefore = diagnostics.journal().size();
  }
  EXPECT_EQ(refusing.lastDevice, &device);
}

TEST(IDiagnosticsTest, AbortSuspendAndResumeReachEveryTest) {
  const struct {
    void (IDiagnostics::*request)();
    Journal calls;
  } cases[] = {
      {&IDiagnostics::abortDiagnostic, {"0.abort", "2.abort"}},
      {&IDiagnostics::suspendDiagnostic, {"0.suspend", "2.suspend"}},
      {&IDiagnostics::resumeDiagnostic, {"0.resume", "2.resume"}},
  };
  for (const auto& c : cases) {
    ScriptedDiagnostics diagnostics;
    diagnostics.addTest(true, resultWith(111, DiagnosticEvent::EVENT_INFORMATION));
    diagnostics.addEmptySlot();
    diagnostics.addTest(false, resultWith(111, DiagnosticEvent::EVENT_INFORMATION));
    (diagnostics.*c.request)();
    EXPECT_EQ(diagnostics.journal(), c.calls);
  }
}

TEST(IDiagnosticsTest, WritesNothingIntoTheLogFile) {
  const std::filesystem::path logPath =
      std::filesystem::path(::testing::TempDir()) / "tessary_untouched.log";
  {
    std::ofstream log(logPath, std::ios::trunc);
    ASSERT_TRUE(log.is_open());
    ScriptedDiagnostics diagnostics;
    diagnostics.setLogFile(&log);
    diagnostics.addTest(true, resultWith(111, DiagnosticEvent::EVENT_INFORMATION));
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
