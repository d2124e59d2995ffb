#include <algorithm>
#include <cstdio>
#include <memory>

#include "../support/NamedCase.h"
#include "HostSimulation.h"
#include "tessary/IDiagnostics.h"

namespace {

using KestraDiags::DeviceEnum::IDevice;
using KestraDiags::DeviceEnum::IDeviceEnumerator;
using KestraDiags::DeviceEnum::VirtualDevice;
using KestraDiags::Diag::DiagnosticEvent;
using KestraDiags::Diag::DiagnosticResult;
using KestraDiags::Diag::DiagnosticSettings;
using KestraDiags::Diag::IDiagnostics;

constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;

struct Verdict {
  DiagnosticResult::TestResult result;
  unsigned int code;
  DiagnosticEvent::EventType type;
  bool operator==(const Verdict& other) const {
    return result == other.result && code == other.code && type == other.type;
  }
};

// What a run that caught a failure of its own reports.
constexpr Verdict kNoVerdict{DiagnosticResult::TEST_PASSED, 0, DiagnosticEvent::EVENT_WARNING};

// What one whole diagnosis of every supported hub gave the host.
struct Diagnosis {
  bool threw = false;
  bool madeDiagnostic = false;
  std::vector<unsigned int> openResults;
  std::vector<bool> ran;
  std::vector<Verdict> verdicts;
  bool everyResultHasItsTimes = true;
};

struct HubCase {
  const char* name;
  const char* file;
};

ROW_PRINTS_AS_ITS_NAME(HubCase)

class DiagnosisAllocTest : public HostSimulation, public ::testing::WithParamInterface<HubCase> {
 protected:
  void SetUp() override {
    useTopology(GetParam().file);
    m_module.setPackageConfigFile(m_configFile.c_str());
    m_enumerator.reset(m_module.getIDeviceEnumerator(true, kNormal));
    for (const VirtualDevice& wrapper : *m_enumerator->getDeviceVector("host", 7)) {
      if (!wrapper.getDevice()->getDeviceDescriptor().empty())
        m_hubs.push_back(wrapper.getDevice());
    }
  }

  // getIDiagnostics, then open, runDiagnostic and close on every hub, then delete, as the host
  // calls them, with the allocator armed for the calls up to the delete.
  Diagnosis diagnose(FailingAllocator::Plan plan) {
    Diagnosis run;
    IDiagnostics* diagnostic = nullptr;
    const DiagnosticSettings settings;
    run.openResults.assign(m_hubs.size(), 0);
    run.ran.assign(m_hubs.size(), false);
    {
      const FailingAllocator::Armed armed(plan);
      run.threw = throwsOutOf([&] { diagnostic = m_module.getIDiagnostics(true, kNormal); });
      for (std::size_t i = 0; diagnostic != nullptr && i < m_hubs.size(); ++i) {
        IDevice* hub = m_hubs[i];
        run.threw = throwsOutOf([&] { run.openResults[i] = hub->open(0); }) || run.threw;
        run.threw = throwsOutOf([&] { run.ran[i] = diagnostic->runDiagnostic(hub, settings); }) ||
                    run.threw;
        run.threw = throwsOutOf([&] { hub->close(); }) || run.threw;
      }
    }
    run.madeDiagnostic = diagnostic != nullptr;
    if (diagnostic != nullptr) {
      for (const DiagnosticResult* result : diagnostic->getDiagnosticResults()) {
        run.verdicts.push_back(
            {result->getTestResult(), result->getMessageCode(), result->getEventType()});
        const bool noVerdict = run.verdicts.back() == kNoVerdict;
        run.everyResultHasItsTimes = run.everyResultHasItsTimes &&
                                     !result->getTestCompletionTime().empty() &&
                                     (noVerdict || !result->getTestStartTime().empty());
      }
    }
    run.threw = throwsOutOf([&] { delete diagnostic; }) || run.threw;
    return run;
  }

  std::string problemsOf(const Diagnosis& run, const Diagnosis& clean) const {
    std::string problems;
    if (run.threw) problems += "an exception reached the host; ";
    if (!FailingAllocator::failed()) problems += "the planned allocation was never made; ";
    if (!run.madeDiagnostic) return problems;  // the factory's null is the host's to handle
    if (run.openResults != clean.openResults) problems += "open answered differently; ";
    if (run.ran != clean.ran) problems += "runDiagnostic answered differently; ";
    if (run.verdicts.size() > clean.verdicts.size()) problems += "more results than runs; ";
    for (const Verdict& verdict : run.verdicts) {
      if (!(verdict == kNoVerdict) && std::find(clean.verdicts.begin(), clean.verdicts.end(),
                                                verdict) == clean.verdicts.end()) {
        problems += "a verdict the clean run never gave; ";
      }
    }
    if (!run.everyResultHasItsTimes) problems += "a result without its times; ";
    for (const std::string& log : {diagnosticLogPath(), enumeratorLogPath()}) {
      const std::string problem = logProblem(log);
      if (!problem.empty()) problems += problem + "; ";
    }
    return problems;
  }

  std::unique_ptr<IDeviceEnumerator> m_enumerator;
  std::vector<IDevice*> m_hubs;
};

TEST_P(DiagnosisAllocTest, EveryFailedAllocationStillGivesTheHostItsAnswers) {
  ASSERT_FALSE(m_hubs.empty());
  diagnose({});  // the libraries' lazy parts
  const Diagnosis clean = diagnose({});
  const std::size_t allocations = FailingAllocator::disarm();
  ASSERT_FALSE(clean.threw);
  ASSERT_EQ(clean.verdicts.size(), m_hubs.size());
  // Also builds the log parser's lasting parts before the blocks are counted.
  ASSERT_EQ(problemsOf(clean, clean), "the planned allocation was never made; ");

  FailureReport report;
  std::string problems;
  problems.reserve(1024);  // one block throughout, so that it does not count as a leak
  const long liveBefore = FailingAllocator::liveBlocks();
  const std::size_t descriptorsBefore = openDescriptorCount();
  for (std::size_t k = 1; k <= allocations; ++k) {
    problems.clear();
    problems += problemsOf(diagnose({k}), clean);
    diagnose({});  // puts back what the libraries keep between calls
    if (FailingAllocator::liveBlocks() != liveBefore) {
      problems +=
          "blocks leaked: " + std::to_string(FailingAllocator::liveBlocks() - liveBefore) + "; ";
    }
    if (openDescriptorCount() != descriptorsBefore) problems += "a file was left open; ";
    if (!problems.empty()) report.add(k, problems);
    std::remove(diagnosticLogPath().c_str());
  }
  EXPECT_TRUE(report.empty()) << report.text();
}

INSTANTIATE_TEST_SUITE_P(Topologies, DiagnosisAllocTest,
                         ::testing::Values(HubCase{"RackServer", "rack-server.json"},
                                           HubCase{"CheckThrows", "faults/oc-check-throws.json"}),
                         [](const ::testing::TestParamInfo<HubCase>& info) {
                           return info.param.name;
                         });

}  // namespace
