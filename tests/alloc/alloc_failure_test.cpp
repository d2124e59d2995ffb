// The module driven as the host drives it while each allocation of a whole enumeration, or of a
// whole diagnosis, fails in turn; and the library while memory runs out for good in turn at each
// allocation of a first read of the topology.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <tuple>

#include "../support/ModuleUnderTest.h"
#include "../support/NamedCase.h"
#include "../support/TempDir.h"
#include "../support/TraceLog.h"
#include "FailingAllocator.h"
#include "device/HalvexDevice.h"
#include "ludrel/USBDeviceFinder.h"
#include "tessary/IDiagnostics.h"

namespace {

using KestraDiags::DeviceEnum::IDevice;
using KestraDiags::DeviceEnum::IDeviceEnumerator;
using KestraDiags::DeviceEnum::VirtualDevice;
using KestraDiags::Diag::DiagnosticEvent;
using KestraDiags::Diag::DiagnosticResult;
using KestraDiags::Diag::DiagnosticSettings;
using KestraDiags::Diag::IDiagnostics;
using KestraDiags::Halvex::HalvexDevice;
using Texts = std::vector<std::string>;

constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;
constexpr const char* kEnumFailed = "Enum Failed :Unknown";

template <typename Call>
bool throwsOutOf(Call call) noexcept {
  try {
    call();
    return false;
  } catch (...) {
    return true;
  }
}

// Descriptors this process holds open: a log left open by a miscounted user shows up here.
std::ptrdiff_t openDescriptorCount() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

// What the host keeps of a device, to compare a run under a failed allocation with a clean one.
std::string summaryOf(const VirtualDevice& wrapper) {
  const auto* device = static_cast<const HalvexDevice*>(wrapper.getDevice());
  return device->getDeviceName() + "|" + device->getDeviceDescription() + "|" +
         device->getDeviceClass() + "|" + device->getDeviceDescriptor() + "|" +
         std::to_string(device->getHubCache().size());
}

// Empty when the log is well formed or absent, else what is wrong with it.
std::string logProblem(const std::string& path) {
  try {
    if (fileExists(path)) parseTraceLog(readFile(path));
    return "";
  } catch (const std::exception& error) {
    return path + ": " + error.what() + "; ";
  }
}

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

struct TopologyCase {
  const char* name;
  const char* file;
};

ROW_PRINTS_AS_ITS_NAME(TopologyCase)

// The bundled topologies and their stand-in nodes copied into a temporary folder, a package
// configuration whose log folder exists, and the real module.
class HostSimulation : public ::testing::Test {
 protected:
  HostSimulation() {
    std::filesystem::copy(HALVEX_EXAMPLES_DIR, m_dir.file("examples"),
                          std::filesystem::copy_options::recursive);
    m_module.setPackageConfigFile(m_configFile.c_str());
  }

  void useTopology(const std::string& file) {
    ::setenv("LUDREL_TOPOLOGY", m_dir.file("examples/" + file).c_str(), 1);
  }

  // Runs a host session once per allocation of a clean one, failing that allocation:
  // failing(k, problems) runs it and appends what went wrong. A clean session follows each, so
  // that what the libraries keep between calls is put back and only what the failed one lost
  // counts as leaked; sameAsClean() runs it and tells whether it answered as the first did.
  // Returns what went wrong with the first allocation whose failure went wrong.
  template <typename Failing, typename Clean>
  std::string eachAllocationFailing(std::size_t allocations, Failing failing, Clean sameAsClean) {
    std::string problems;  // one block, taken before the blocks are counted
    problems.reserve(4096);
    const long blocks = FailingAllocator::liveBlocks();
    const std::ptrdiff_t descriptors = openDescriptorCount();
    for (std::size_t k = 1; k <= allocations && problems.empty(); ++k) {
      failing(k, problems);
      if (!sameAsClean()) problems += "the clean session after it went otherwise; ";
      const long leaked = FailingAllocator::liveBlocks() - blocks;
      if (leaked != 0) problems += "blocks leaked: " + std::to_string(leaked) + "; ";
      if (openDescriptorCount() != descriptors) problems += "a file was left open; ";
      if (!problems.empty()) problems.insert(0, "allocation " + std::to_string(k) + ": ");
    }
    return problems;
  }

  TempDir m_dir;
  const std::string m_configFile = m_dir.makeDir("package/config") + "/halvex.xml";
  const std::string m_enumeratorLog = m_dir.makeDir("package/log") + "/HalvexDeviceEnumerator.log";
  const std::string m_diagnosticLog = m_dir.file("package/log/HalvexDiagnostic.log");
  ModuleUnderTest m_module;
};

// What one whole enumeration gave the host.
struct Enumeration {
  bool threw = false;
  bool madeEnumerator = false;
  bool gotVector = false;
  Texts devices;  // what the host keeps of each
  Texts log;
  std::string logProblem;
};

class EnumerationAllocTest : public HostSimulation,
                             public ::testing::WithParamInterface<TopologyCase> {
 protected:
  // setPackageConfigFile, getIDeviceEnumerator, getDeviceVector and delete, as the host calls
  // them, with the allocator armed for the calls that allocate. The log is read and removed.
  Enumeration enumerate(std::size_t failAt) {
    Enumeration run;
    IDeviceEnumerator* enumerator = nullptr;
    std::vector<VirtualDevice>* devices = nullptr;
    if (!m_coldCopies.empty()) useNextCopy();
    FailingAllocator::arm(failAt);
    run.threw = throwsOutOf([&] { m_module.setPackageConfigFile(m_configFile.c_str()); }) ||
                throwsOutOf([&] { enumerator = m_module.getIDeviceEnumerator(true, kNormal); }) ||
                (enumerator != nullptr &&
                 throwsOutOf([&] { devices = enumerator->getDeviceVector("host", 7); }));
    FailingAllocator::disarm();
    run.madeEnumerator = enumerator != nullptr;
    run.gotVector = devices != nullptr;
    if (devices != nullptr) {
      for (const VirtualDevice& device : *devices) run.devices.push_back(summaryOf(device));
    }
    run.threw = throwsOutOf([&] { delete enumerator; }) || run.threw;
    run.logProblem = logProblem(m_enumeratorLog);
    if (run.logProblem.empty() && fileExists(m_enumeratorLog)) {
      run.log = traceTexts(readFile(m_enumeratorLog));
    }
    std::remove(m_enumeratorLog.c_str());
    return run;
  }

  // Makes every enumeration a first read: each names the other of two copies of the topology,
  // so that the library parses it again. The names are as long, so that each run allocates alike.
  void readEachTimeAfresh() {
    const std::filesystem::path file = GetParam().file;
    for (const char* copy : {"a-", "b-"}) {
      const std::filesystem::path name = file.parent_path() / (copy + file.filename().string());
      std::filesystem::copy_file(m_dir.file("examples/" + file.string()),
                                 m_dir.file("examples/" + name.string()));
      m_coldCopies.push_back(name.string());
    }
  }

  void useNextCopy() { useTopology(m_coldCopies[m_reads++ % 2]); }

  // Runs an enumeration per allocation of a clean one, that allocation failing.
  void expectEveryFailedAllocationToLeaveTheHostWhole() {
    useTopology(GetParam().file);
    enumerate(0);  // loads the libraries' lazy parts, as a host's first enumeration does
    const Enumeration clean = enumerate(0);
    const std::size_t allocations = FailingAllocator::disarm();
    ASSERT_EQ(clean.logProblem, "");
    ASSERT_TRUE(clean.gotVector);
    ASSERT_GT(allocations, 0u);
    EXPECT_EQ(eachAllocationFailing(
                  allocations,
                  [&](std::size_t k, std::string& problems) {
                    addProblems(enumerate(k), clean, problems);
                  },
                  [&] {
                    const Enumeration again = enumerate(0);
                    return again.devices == clean.devices && again.log == clean.log;
                  }),
              "");
  }

  std::vector<std::string> m_coldCopies;
  std::size_t m_reads = 0;

  // Everything that must hold after a run whose planned allocation failed.
  static void addProblems(const Enumeration& run, const Enumeration& clean, std::string& problems) {
    if (run.threw) problems += "an exception reached the host; ";
    if (!FailingAllocator::failed()) problems += "the planned allocation was never made; ";
    // A factory gives null when its object cannot be made; the vector is null only when the very
    // first one cannot be allocated.
    if (run.madeEnumerator && !run.gotVector &&
        FailingAllocator::failedSize() != sizeof(std::vector<VirtualDevice>)) {
      problems += "a null vector, yet the vector's allocation did not fail; ";
    }
    // The loop stops at the failure: the host gets the devices appended before it, complete.
    if (run.devices.size() > clean.devices.size() ||
        !std::equal(run.devices.begin(), run.devices.end(), clean.devices.begin())) {
      problems += "the devices are not the clean run's first ones; ";
    }
    problems += run.logProblem;
    Texts expected = clean.log;
    // The handler's record comes before the last one, "Returning from getDeviceVector".
    if (!expected.empty()) expected.insert(expected.end() - 1, kEnumFailed);
    if (!isSubsequence(run.log, expected)) problems += "the log holds records out of place; ";
    if (run.gotVector && run.devices.size() < clean.devices.size() &&
        std::find(run.log.begin(), run.log.end(), kEnumFailed) == run.log.end()) {
      problems += "a short vector without \"Enum Failed :Unknown\" in the log; ";
    }
  }
};

TEST_P(EnumerationAllocTest, EveryFailedAllocationLeavesTheHostWhole) {
  expectEveryFailedAllocationToLeaveTheHostWhole();
}

// The topology not yet read: its parse, and the parsed document's end, fail in turn too.
TEST_P(EnumerationAllocTest, EveryFailedAllocationOfAFirstReadLeavesTheHostWhole) {
  readEachTimeAfresh();
  expectEveryFailedAllocationToLeaveTheHostWhole();
}

// Memory that runs out while the library reads the topology for the first time, and stays out:
// whichever allocation is the first to fail, the read fails (with an exception or a false
// answer) and gives back what it took; the process goes on.
TEST_P(EnumerationAllocTest, MemoryRunningOutInAFirstReadFailsOnlyThatRead) {
  readEachTimeAfresh();
  const auto firstRead = [&](std::size_t runsOutAt) {
    useNextCopy();
    KestraDiags::Ludrel::USBDeviceFinder finder(nullptr);
    bool read = false;
    FailingAllocator::arm(runsOutAt, true);
    const bool threw = throwsOutOf([&] { read = finder.getAllUSBDevices(); });
    FailingAllocator::disarm();
    return read && !threw;
  };
  firstRead(0);  // the libraries' lazy parts
  const bool clean = firstRead(0);
  const std::size_t allocations = FailingAllocator::disarm();
  EXPECT_EQ(eachAllocationFailing(
                allocations,
                [&](std::size_t k, std::string& problems) {
                  firstRead(k);
                  if (!FailingAllocator::failed()) problems += "memory never ran out; ";
                },
                [&] { return firstRead(0) == clean; }),
            "");
}

INSTANTIATE_TEST_SUITE_P(
    Topologies, EnumerationAllocTest,
    ::testing::Values(TopologyCase{"RackServer", "rack-server.json"},
                      TopologyCase{"NextThrowsString", "faults/next-throws-string.json"},
                      TopologyCase{"NextThrowsUnsignedLong",
                                   "faults/next-throws-unsigned-long.json"},
                      TopologyCase{"NextThrowsInt", "faults/next-throws-int.json"},
                      TopologyCase{"PortBusyThrowsInt", "faults/port-busy-throws-int.json"},
                      TopologyCase{"EnumerationFails", "faults/enumeration-fails.json"}),
    ::testing::PrintToStringParamName());

// Test result, message code and event type of a result.
using Verdict = std::tuple<int, unsigned int, int>;

// What a run that caught a failure of its own reports.
constexpr Verdict kNoVerdict{DiagnosticResult::TEST_PASSED, 0, DiagnosticEvent::EVENT_WARNING};

constexpr const char* kEnteringTest = "Entering USBOCAlertTest::run";
constexpr const char* kLeavingTest = "Leaving USBOCAlertTest::run";

// What one whole diagnosis of every supported hub gave the host.
struct Diagnosis {
  bool threw = false;
  bool madeDiagnostic = false;
  std::vector<unsigned int> openResults;
  std::vector<bool> ran;
  std::vector<Verdict> verdicts;
  bool everyResultHasItsTimes = true;
  Texts log;  // the diagnostic log's records and bare lines
  std::string logProblem;
  std::size_t banners = 0;

  bool answersAs(const Diagnosis& other) const {
    return openResults == other.openResults && ran == other.ran && verdicts == other.verdicts &&
           log == other.log;
  }
};

// Where the n-th record of text (from 0) lies in log, or the log's size.
std::size_t indexOf(const Texts& log, const std::string& text, std::size_t n) {
  for (std::size_t i = 0; i < log.size(); ++i) {
    if (log[i] == text && n-- == 0) return i;
  }
  return log.size();
}

Texts without(Texts log, std::size_t from, std::size_t to) {
  log.erase(log.begin() + static_cast<std::ptrdiff_t>(from),
            log.begin() + static_cast<std::ptrdiff_t>(to));
  return log;
}

// A failed allocation costs the work of one hub's test, and nothing else: the results and the
// log are the clean run's but for that hub. Failing inside the test, which catches it, the hub's
// result is (0, 0, 2) and the log lacks its records from the failure up to the test's last,
// "Leaving USBOCAlertTest::run". Failing after that catch (the result object, its times, the
// host's event or results list), the hub has no result and the log lacks at most that record.
// A log that cannot be opened holds nothing, and the results are the clean ones.
bool costsOneHubsWork(const Diagnosis& run, const Diagnosis& clean) {
  if (run.verdicts == clean.verdicts && (run.log == clean.log || run.log.empty())) return true;
  if (run.log.size() > clean.log.size()) return false;
  const std::size_t lost = clean.log.size() - run.log.size();
  for (std::size_t hub = 0; hub < clean.verdicts.size(); ++hub) {
    const std::size_t entering = indexOf(clean.log, kEnteringTest, hub);
    const std::size_t leaving = indexOf(clean.log, kLeavingTest, hub);
    std::vector<Verdict> caught = clean.verdicts;
    caught[hub] = kNoVerdict;
    if (run.verdicts == caught && entering + lost < leaving &&
        run.log == without(clean.log, leaving - lost, leaving)) {
      return true;
    }
    std::vector<Verdict> dropped = clean.verdicts;
    dropped.erase(dropped.begin() + static_cast<std::ptrdiff_t>(hub));
    if (run.verdicts == dropped && lost <= 1 && leaving < clean.log.size() &&
        run.log == without(clean.log, leaving + 1 - lost, leaving + 1)) {
      return true;
    }
  }
  return false;
}

class DiagnosisAllocTest : public HostSimulation,
                           public ::testing::WithParamInterface<TopologyCase> {
 protected:
  // getIDiagnostics, then open, runDiagnostic and close on every hub, then delete, as the host
  // calls them, with the allocator armed for the calls up to the delete.
  Diagnosis diagnose(std::size_t failAt) {
    Diagnosis run;
    IDiagnostics* diagnostic = nullptr;
    const DiagnosticSettings settings;
    run.openResults.assign(m_hubs.size(), 0);
    run.ran.assign(m_hubs.size(), false);
    FailingAllocator::arm(failAt);
    run.threw = throwsOutOf([&] { diagnostic = m_module.getIDiagnostics(true, kNormal); });
    for (std::size_t i = 0; diagnostic != nullptr && i < m_hubs.size(); ++i) {
      run.threw = throwsOutOf([&] {
                    run.openResults[i] = m_hubs[i]->open(0);
                    run.ran[i] = diagnostic->runDiagnostic(m_hubs[i], settings);
                    m_hubs[i]->close();
                  }) ||
                  run.threw;
    }
    FailingAllocator::disarm();
    run.madeDiagnostic = diagnostic != nullptr;
    if (diagnostic != nullptr) {
      for (const DiagnosticResult* result : diagnostic->getDiagnosticResults()) {
        run.verdicts.push_back(
            {result->getTestResult(), result->getMessageCode(), result->getEventType()});
        run.everyResultHasItsTimes =
            run.everyResultHasItsTimes && !result->getTestCompletionTime().empty() &&
            (run.verdicts.back() == kNoVerdict || !result->getTestStartTime().empty());
      }
    }
    run.threw = throwsOutOf([&] { delete diagnostic; }) || run.threw;
    run.logProblem = logProblem(m_diagnosticLog);
    if (run.logProblem.empty() && fileExists(m_diagnosticLog)) {
      const std::string content = readFile(m_diagnosticLog);
      run.log = traceLines(content);
      run.banners = bannerCount(content);
    }
    std::remove(m_diagnosticLog.c_str());
    return run;
  }

  void addProblems(const Diagnosis& run, const Diagnosis& clean, std::string& problems) const {
    if (run.threw) problems += "an exception reached the host; ";
    if (!FailingAllocator::failed()) problems += "the planned allocation was never made; ";
    problems += run.logProblem + logProblem(m_enumeratorLog);
    if (!run.madeDiagnostic) {
      // The factory's null is the host's to handle; no hub was asked.
      if (!run.log.empty()) problems += "records without a diagnostic object; ";
      return;
    }
    if (run.openResults != clean.openResults) problems += "open answered differently; ";
    if (run.ran != clean.ran) problems += "runDiagnostic answered differently; ";
    if (!costsOneHubsWork(run, clean)) {
      problems += "results or log differ from the clean run's beyond one hub's lost work; ";
    }
    if (!run.everyResultHasItsTimes) problems += "a result without its times; ";
  }

  std::vector<IDevice*> m_hubs;
};

TEST_P(DiagnosisAllocTest, EveryFailedAllocationStillGivesTheHostItsAnswers) {
  useTopology(GetParam().file);
  const std::unique_ptr<IDeviceEnumerator> enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  for (const VirtualDevice& wrapper : *enumerator->getDeviceVector("host", 7)) {
    if (!wrapper.getDevice()->getDeviceDescriptor().empty()) m_hubs.push_back(wrapper.getDevice());
  }
  ASSERT_FALSE(m_hubs.empty());
  diagnose(0);  // the libraries' lazy parts
  const Diagnosis clean = diagnose(0);
  const std::size_t allocations = FailingAllocator::disarm();
  ASSERT_FALSE(clean.threw);
  ASSERT_EQ(clean.verdicts.size(), m_hubs.size());
  // Also builds the log parser's lasting parts before the blocks are counted.
  std::string cleanProblems;
  addProblems(clean, clean, cleanProblems);
  ASSERT_EQ(cleanProblems, "the planned allocation was never made; ");
  EXPECT_EQ(
      eachAllocationFailing(
          allocations,
          [&](std::size_t k, std::string& problems) { addProblems(diagnose(k), clean, problems); },
          [&] {
            // The next diagnostic object opens the log again, with a banner of its own.
            const Diagnosis again = diagnose(0);
            return again.answersAs(clean) && again.banners == 1;
          }),
      "");
}

INSTANTIATE_TEST_SUITE_P(Topologies, DiagnosisAllocTest,
                         ::testing::Values(TopologyCase{"RackServer", "rack-server.json"},
                                           TopologyCase{"CheckThrows",
                                                        "faults/oc-check-throws.json"}),
                         ::testing::PrintToStringParamName());

}  // namespace
