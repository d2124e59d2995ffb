// The module driven as the host drives it while each allocation of a whole enumeration, the read
// of its topology included, or of a whole diagnosis fails in turn.
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
#include "tessary/IDiagnostics.h"

namespace {

using KestraDiags::DeviceEnum::IDevice;
using KestraDiags::DeviceEnum::IDeviceEnumerator;
using KestraDiags::DeviceEnum::VirtualDevice;
using KestraDiags::Diag::DiagnosticEvent;
using KestraDiags::Diag::DiagnosticResult;
using KestraDiags::Diag::IDiagnostics;
using Texts = std::vector<std::string>;
// Test result, message code and event type of a result.
using Verdict = std::tuple<int, unsigned int, int>;

constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;
constexpr const char* kEnumFailed = "Enum Failed :Unknown";
constexpr const char* kEnteringTest = "Entering USBOCAlertTest::run";
constexpr const char* kLeavingTest = "Leaving USBOCAlertTest::run";
// What a diagnosis that caught a failure of its own reports.
constexpr Verdict kNoVerdict{DiagnosticResult::TEST_PASSED, 0, DiagnosticEvent::EVENT_WARNING};

struct Case {
  const char* name;
  std::string file;
  bool diagnosis;
};
ROW_PRINTS_AS_ITS_NAME(Case)

const Case kCases[] = {
    {"DiagnosisRackServer", "rack-server.json", true},
    {"DiagnosisCheckThrows", "faults/oc-check-throws.json", true},
    {"EnumerationRackServer", "rack-server.json", false},
    {"NextThrowsString", "faults/next-throws-string.json", false},
    {"NextThrowsUnsignedLong", "faults/next-throws-unsigned-long.json", false},
    {"NextThrowsInt", "faults/next-throws-int.json", false},
    {"PortBusyThrowsInt", "faults/port-busy-throws-int.json", false},
    {"EnumerationFails", "faults/enumeration-fails.json", false},
};

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

// What one session gave the host.
struct Session {
  bool threw = false;
  bool madeObject = false;  // the enumerator or the diagnostic object
  bool gotVector = false;
  Texts answers;  // what the host keeps of each device; each hub's open and runDiagnostic answers
  std::vector<Verdict> verdicts;
  bool everyResultHasItsTimes = true;
  Texts log;  // the enumeration log's records; the diagnostic log's records and bare lines
  std::string maskedLog;

  bool answersAs(const Session& other) const {
    return std::tie(threw, answers, verdicts, maskedLog) ==
           std::tie(other.threw, other.answers, other.verdicts, other.maskedLog);
  }
};

// A failed allocation costs the work of one hub's test, and nothing else: the results and the
// log are the clean run's but for that hub. Failing inside the test, which catches it, the hub's
// result is (0, 0, 2) and the log lacks its records from the failure up to the test's last,
// "Leaving USBOCAlertTest::run". Failing after that catch (the result object, its times, the
// host's event or results list), the hub has no result and the log lacks at most that record.
// A log that cannot be opened holds nothing, and the results are the clean ones.
bool costsOneHubsWork(const Session& run, const Session& clean) {
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

// The bundled topologies copied into a temporary folder, a package configuration whose log
// folder exists, and the real module, driven through one session of the row's kind at a time.
class AllocTest : public ::testing::TestWithParam<Case> {
 protected:
  AllocTest() {
    std::filesystem::copy(HALVEX_EXAMPLES_DIR, m_dir.file("examples"),
                          std::filesystem::copy_options::recursive);
    m_module.setPackageConfigFile(m_configFile.c_str());
    useTopology(GetParam().file);
    // Makes every enumeration a first read: each names the other of two copies of the topology,
    // so that the library parses it again. The names are as long, so that each run allocates alike.
    const std::filesystem::path file = GetParam().file;
    for (const char* copy : {"a-", "b-"}) {
      const std::filesystem::path name = file.parent_path() / (copy + file.filename().string());
      std::filesystem::copy_file(m_dir.file("examples/" + file.string()),
                                 m_dir.file("examples/" + name.string()));
      m_copies.push_back(name.string());
    }
  }

  void useTopology(const std::string& file) {
    ::setenv("LUDREL_TOPOLOGY", m_dir.file("examples/" + file).c_str(), 1);
  }

  Session run(std::size_t failAt) {
    if (GetParam().diagnosis) return diagnose(failAt);
    useTopology(m_copies[m_reads++ % 2]);
    return enumerate(failAt);
  }

  // setPackageConfigFile, getIDeviceEnumerator, getDeviceVector and delete, as the host calls
  // them, with the allocator armed for the calls that allocate. The log is read and removed.
  Session enumerate(std::size_t failAt) {
    Session run;
    IDeviceEnumerator* enumerator = nullptr;
    std::vector<VirtualDevice>* devices = nullptr;
    FailingAllocator::arm(failAt);
    run.threw = throwsOutOf([&] { m_module.setPackageConfigFile(m_configFile.c_str()); }) ||
                throwsOutOf([&] { enumerator = m_module.getIDeviceEnumerator(true, kNormal); }) ||
                (enumerator != nullptr &&
                 throwsOutOf([&] { devices = enumerator->getDeviceVector("host", 7); }));
    FailingAllocator::disarm();
    run.madeObject = enumerator != nullptr;
    run.gotVector = devices != nullptr;
    for (std::size_t i = 0; devices != nullptr && i < devices->size(); ++i) {
      const auto* device =
          static_cast<const KestraDiags::Halvex::HalvexDevice*>((*devices)[i].getDevice());
      run.answers.push_back(device->getDeviceName() + "|" + device->getDeviceDescription() + "|" +
                            device->getDeviceClass() + "|" + device->getDeviceDescriptor() + "|" +
                            std::to_string(device->getHubCache().size()));
    }
    run.threw = throwsOutOf([&] { delete enumerator; }) || run.threw;
    readLog(m_enumeratorLog, traceTexts, run);
    return run;
  }

  // getIDiagnostics, then open, runDiagnostic and close on every hub, then delete, as the host
  // calls them, with the allocator armed for the calls up to the delete.
  Session diagnose(std::size_t failAt) {
    Session run;
    IDiagnostics* diagnostic = nullptr;
    std::vector<unsigned int> opened(m_hubs.size(), 0);
    std::vector<int> ran(m_hubs.size(), 0);
    FailingAllocator::arm(failAt);
    run.threw = throwsOutOf([&] { diagnostic = m_module.getIDiagnostics(true, kNormal); });
    for (std::size_t i = 0; diagnostic != nullptr && i < m_hubs.size(); ++i) {
      run.threw = throwsOutOf([&] {
                    opened[i] = m_hubs[i]->open(0);
                    ran[i] = diagnostic->runDiagnostic(m_hubs[i], m_settings);
                    m_hubs[i]->close();
                  }) ||
                  run.threw;
    }
    FailingAllocator::disarm();
    for (std::size_t i = 0; diagnostic != nullptr && i < m_hubs.size(); ++i) {
      run.answers.push_back(std::to_string(opened[i]) + " " + std::to_string(ran[i]));
    }
    run.madeObject = diagnostic != nullptr;
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
    if (fileExists(m_enumeratorLog)) parseTraceLog(readFile(m_enumeratorLog));
    readLog(m_diagnosticLog, traceLines, run);
    return run;
  }

  static void readLog(const std::string& path, Texts (*texts)(const std::string&), Session& run) {
    if (fileExists(path)) {
      run.log = texts(readFile(path));
      run.maskedLog = maskStamps(readFile(path));
    }
    std::remove(path.c_str());
  }

  // Everything that must hold after a session whose planned allocation failed.
  std::string problemsOf(const Session& run, const Session& clean) const {
    std::string problems;
    if (!FailingAllocator::failed()) problems += "the planned allocation was never made; ";
    if (run.threw) problems += "an exception reached the host; ";
    if (GetParam().diagnosis) {
      // The factory's null is the host's to handle; no hub was asked.
      if (!run.madeObject) return problems + (run.log.empty() ? "" : "records, yet no object; ");
      if (run.answers != clean.answers) problems += "open or runDiagnostic answered otherwise; ";
      if (!costsOneHubsWork(run, clean)) problems += "beyond one hub's work lost; ";
      if (!run.everyResultHasItsTimes) problems += "a result without its times; ";
      return problems;
    }
    // A factory gives null when its object cannot be made; the vector is null only when the very
    // first one cannot be allocated.
    if (run.madeObject && !run.gotVector &&
        FailingAllocator::failedSize() != sizeof(std::vector<VirtualDevice>)) {
      problems += "a null vector, yet the vector's allocation did not fail; ";
    }
    // The loop stops at the failure: the host gets the devices appended before it, complete.
    if (run.answers.size() > clean.answers.size() ||
        !std::equal(run.answers.begin(), run.answers.end(), clean.answers.begin())) {
      problems += "the devices are not the clean run's first ones; ";
    }
    Texts expected = clean.log;
    // The handler's record comes before the last one, "Returning from getDeviceVector".
    if (!expected.empty()) expected.insert(expected.end() - 1, kEnumFailed);
    if (!isSubsequence(run.log, expected)) problems += "the log holds records out of place; ";
    if (run.gotVector && run.answers.size() < clean.answers.size() &&
        std::find(run.log.begin(), run.log.end(), kEnumFailed) == run.log.end()) {
      problems += "a short vector without \"Enum Failed :Unknown\" in the log; ";
    }
    return problems;
  }

  TempDir m_dir;
  const std::string m_configFile = m_dir.makeDir("package/config") + "/halvex.xml";
  const std::string m_enumeratorLog = m_dir.makeDir("package/log") + "/HalvexDeviceEnumerator.log";
  const std::string m_diagnosticLog = m_dir.file("package/log/HalvexDiagnostic.log");
  ModuleUnderTest m_module;
  std::unique_ptr<IDeviceEnumerator> m_enumerator;  // owns the hubs
  const KestraDiags::Diag::DiagnosticSettings m_settings;
  std::vector<IDevice*> m_hubs;
  std::vector<std::string> m_copies;
  std::size_t m_reads = 0;
};

// One session per allocation of a clean one, failing that allocation, each followed by a clean
// session, so that what the libraries keep between calls is put back and only what the failed
// one lost counts as leaked. Reports the first allocation whose failure went wrong.
TEST_P(AllocTest, EveryFailedAllocationLeavesTheHostWhole) {
  if (GetParam().diagnosis) {
    m_enumerator.reset(m_module.getIDeviceEnumerator(true, kNormal));
    for (const VirtualDevice& wrapper : *m_enumerator->getDeviceVector("host", 7)) {
      if (!wrapper.getDevice()->getDeviceDescriptor().empty()) {
        m_hubs.push_back(wrapper.getDevice());
      }
    }
    ASSERT_FALSE(m_hubs.empty());
  }
  run(0);  // loads the libraries' lazy parts, as a host's first session does
  const Session clean = run(0);
  const std::size_t allocations = FailingAllocator::disarm();
  ASSERT_GT(allocations, 0u);
  ASSERT_FALSE(clean.threw);
  ASSERT_EQ(clean.verdicts.size(), GetParam().diagnosis ? m_hubs.size() : 0);
  ASSERT_EQ(problemsOf(clean, clean), "the planned allocation was never made; ");
  std::string problems;  // one block, taken before the blocks are counted
  problems.reserve(4096);
  const long blocks = FailingAllocator::liveBlocks();
  const std::ptrdiff_t descriptors = openDescriptorCount();
  for (std::size_t k = 1; k <= allocations && problems.empty(); ++k) {
    try {
      problems += problemsOf(run(k), clean);
    } catch (const std::exception& error) {  // a log out of shape, its first bad byte named
      problems += error.what();
    }
    if (!run(0).answersAs(clean)) problems += "the clean session after it went otherwise; ";
    const long leaked = FailingAllocator::liveBlocks() - blocks;
    if (leaked != 0) problems += "blocks leaked: " + std::to_string(leaked) + "; ";
    if (openDescriptorCount() != descriptors) problems += "a file was left open; ";
    if (!problems.empty()) problems.insert(0, "allocation " + std::to_string(k) + ": ");
  }
  EXPECT_EQ(problems, "");
}

INSTANTIATE_TEST_SUITE_P(Sessions, AllocTest, ::testing::ValuesIn(kCases), RowName());

}  // namespace
