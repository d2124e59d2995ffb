#include <algorithm>
#include <cstdio>

#include "../support/NamedCase.h"
#include "../support/TraceLog.h"
#include "HostSimulation.h"

namespace {

using KestraDiags::DeviceEnum::IDeviceEnumerator;
using KestraDiags::DeviceEnum::VirtualDevice;
using DeviceVector = std::vector<VirtualDevice>;
using Texts = std::vector<std::string>;

struct TopologyCase {
  const char* name;
  const char* file;
};

ROW_PRINTS_AS_ITS_NAME(TopologyCase)

// What one whole enumeration gave the host.
struct Enumeration {
  bool threw = false;
  bool madeEnumerator = false;
  bool gotVector = false;
  std::vector<DeviceSummary> devices;
  Texts log;
};

// True when every text of part appears in whole, in the same order.
bool isSubsequence(const Texts& part, const Texts& whole) {
  auto next = whole.begin();
  for (const std::string& text : part) {
    next = std::find(next, whole.end(), text);
    if (next == whole.end()) return false;
    ++next;
  }
  return true;
}

class EnumerationAllocTest : public HostSimulation,
                             public ::testing::WithParamInterface<TopologyCase> {
 protected:
  void SetUp() override { useTopology(GetParam().file); }

  // setPackageConfigFile, getIDeviceEnumerator, getDeviceVector and delete, as the host calls
  // them, with the allocator armed for the calls that allocate. The log is read and removed
  // afterwards.
  Enumeration enumerate(FailingAllocator::Plan plan) {
    Enumeration run;
    IDeviceEnumerator* enumerator = nullptr;
    DeviceVector* devices = nullptr;
    {
      const FailingAllocator::Armed armed(plan);
      run.threw = throwsOutOf([&] { m_module.setPackageConfigFile(m_configFile.c_str()); }) ||
                  throwsOutOf([&] { enumerator = m_module.getIDeviceEnumerator(true, kNormal); }) ||
                  (enumerator != nullptr &&
                   throwsOutOf([&] { devices = enumerator->getDeviceVector("host", 7); }));
    }
    run.madeEnumerator = enumerator != nullptr;
    run.gotVector = devices != nullptr;
    if (devices != nullptr) run.devices = summarise(*devices);
    run.threw = throwsOutOf([&] { delete enumerator; }) || run.threw;
    m_logProblem = logProblem(enumeratorLogPath());
    if (m_logProblem.empty() && fileExists(enumeratorLogPath())) {
      run.log = traceTexts(readFile(enumeratorLogPath()));
    }
    std::remove(enumeratorLogPath().c_str());
    return run;
  }

  // Everything that must hold after a run whose planned allocation failed.
  std::string problemsOf(const Enumeration& run, const Enumeration& clean) const {
    std::string problems;
    if (run.threw) problems += "an exception reached the host; ";
    if (!FailingAllocator::failed()) problems += "the planned allocation was never made; ";
    // A factory gives null when its object cannot be made; the vector is null only when the very
    // first one cannot be allocated.
    if (run.madeEnumerator && !run.gotVector &&
        FailingAllocator::failedSize() != sizeof(DeviceVector)) {
      problems += "a null vector, yet the vector's allocation did not fail; ";
    }
    // The loop stops at the failure: the host gets the devices appended before it, complete.
    if (run.devices.size() > clean.devices.size() ||
        !std::equal(run.devices.begin(), run.devices.end(), clean.devices.begin())) {
      problems += "the devices are not the clean run's first ones; ";
    }
    if (!m_logProblem.empty()) problems += m_logProblem + "; ";
    Texts expected = clean.log;
    // The handler's record comes before the last one, "Returning from getDeviceVector".
    if (!expected.empty()) expected.insert(expected.end() - 1, "Enum Failed :Unknown");
    if (!isSubsequence(run.log, expected)) problems += "the log holds records out of place; ";
    if (run.gotVector && run.devices.size() < clean.devices.size() &&
        std::find(run.log.begin(), run.log.end(), "Enum Failed :Unknown") == run.log.end()) {
      problems += "a short vector without \"Enum Failed :Unknown\" in the log; ";
    }
    return problems;
  }

  static constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;
  std::string m_logProblem;
};

TEST_P(EnumerationAllocTest, EveryFailedAllocationLeavesTheHostWhole) {
  enumerate({});  // loads the libraries' lazy parts, as a host's first enumeration does
  const Enumeration clean = enumerate({});
  const std::size_t allocations = FailingAllocator::disarm();
  ASSERT_EQ(m_logProblem, "");
  ASSERT_TRUE(clean.gotVector);
  ASSERT_GT(allocations, 0u);

  FailureReport report;
  std::string problems;
  problems.reserve(1024);  // one block throughout, so that it does not count as a leak
  const long liveBefore = FailingAllocator::liveBlocks();
  const std::size_t descriptorsBefore = openDescriptorCount();
  for (std::size_t k = 1; k <= allocations; ++k) {
    problems.clear();
    problems += problemsOf(enumerate({k}), clean);
    // A clean run puts back what the libraries keep between calls (the USB library's last
    // failure, for one), so that only what the failed run lost is counted.
    enumerate({});
    if (FailingAllocator::liveBlocks() != liveBefore) {
      problems +=
          "blocks leaked: " + std::to_string(FailingAllocator::liveBlocks() - liveBefore) + "; ";
    }
    if (openDescriptorCount() != descriptorsBefore) problems += "a file was left open; ";
    if (!problems.empty()) report.add(k, problems);
  }
  EXPECT_TRUE(report.empty()) << report.text();
  RecordProperty("allocations", static_cast<int>(allocations));
}

INSTANTIATE_TEST_SUITE_P(
    Topologies, EnumerationAllocTest,
    ::testing::Values(TopologyCase{"RackServer", "rack-server.json"},
                      TopologyCase{"Desktop", "desktop.json"},
                      TopologyCase{"NextThrowsString", "faults/next-throws-string.json"},
                      TopologyCase{"NextThrowsUnsignedLong",
                                   "faults/next-throws-unsigned-long.json"},
                      TopologyCase{"NextThrowsInt", "faults/next-throws-int.json"},
                      TopologyCase{"PortBusyThrowsInt", "faults/port-busy-throws-int.json"},
                      TopologyCase{"EnumerationFails", "faults/enumeration-fails.json"}),
    [](const ::testing::TestParamInfo<TopologyCase>& info) { return info.param.name; });

}  // namespace
