// The module driven as the host drives it while each allocation of a whole enumeration, the read
// of its topology included, or of a whole diagnosis fails in turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <set>

#include "../support/ModuleUnderTest.h"
#include "../support/NamedCase.h"
#include "../support/TempDir.h"
#include "../support/TraceLog.h"
#include "FailingAllocator.h"
#include "device/HalvexDevice.h"
#include "tessary/IDiagnostics.h"

namespace {

using KestraDiags::DeviceEnum::IDeviceEnumerator;
using KestraDiags::DeviceEnum::VirtualDevice;
using Texts = std::vector<std::string>;

constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;
constexpr const char* kEnumFailed = "Enum Failed :Unknown";
// The test result, message code and event type of a diagnosis that caught a failure of its own.
constexpr const char* kCaught = "0 0 2";

struct Case {
  const char* name;
  std::string file;  // in the bundled examples
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

// Descriptors this process holds open: a log left open by a miscounted user shows up here.
std::ptrdiff_t openDescriptorCount() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

// What one session gave the host, rendered as lines: what the host keeps of each device (or each
// hub's open and runDiagnostic answers), each result and each log record (the diagnostic log's
// bare lines too).
struct Session {
  bool threw = false, nullVector = false, gotVector = false;
  Texts answers, results, log;
  std::string maskedLog;

  Texts lines() const {
    Texts lines;
    for (const Texts* part : {&answers, &results, &log}) {
      lines.insert(lines.end(), part->begin(), part->end());
      lines.push_back("--");
    }
    return lines;
  }
  bool sameAs(const Session& other) const {
    return !threw && lines() == other.lines() && maskedLog == other.maskedLog;
  }
};

// Where the n-th record of text (from 0) lies in log, or the log's size.
std::ptrdiff_t indexOf(const Texts& log, const std::string& text, std::size_t n) {
  for (std::size_t i = 0; i < log.size(); ++i) {
    if (log[i] == text && n-- == 0) return static_cast<std::ptrdiff_t>(i);
  }
  return static_cast<std::ptrdiff_t>(log.size());
}

// The texts a diagnosis may give when one allocation fails: the clean text; the clean results
// without a log (it could not be opened); nothing (the factory's null is the host's to handle);
// or the clean text less one hub's work. Failing inside the test, which catches it, the hub's
// result is kCaught and the log lacks its records from the failure up to the test's last,
// "Leaving USBOCAlertTest::run". Failing after that catch (the result object, its times, the
// host's event or results list), the hub has no result and the log lacks at most that record.
std::set<Texts> diagnosisTexts(const Session& clean) {
  Session unlogged = clean;
  unlogged.log.clear();
  std::set<Texts> texts{clean.lines(), unlogged.lines(), Session().lines()};
  for (std::size_t hub = 0; hub < clean.results.size(); ++hub) {
    const std::ptrdiff_t leaving = indexOf(clean.log, "Leaving USBOCAlertTest::run", hub);
    if (leaving == static_cast<std::ptrdiff_t>(clean.log.size())) break;
    for (auto from = indexOf(clean.log, "Entering USBOCAlertTest::run", hub) + 1; from <= leaving;
         ++from) {
      Session caught = clean;
      caught.results[hub] = kCaught;
      caught.log.erase(caught.log.begin() + from, caught.log.begin() + leaving);
      texts.insert(caught.lines());
    }
    Session dropped = clean;
    dropped.results.erase(dropped.results.begin() + static_cast<std::ptrdiff_t>(hub));
    texts.insert(dropped.lines());
    dropped.log.erase(dropped.log.begin() + leaving);
    texts.insert(dropped.lines());
  }
  return texts;
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

// The bundled topologies copied into a temporary folder, a package configuration whose log
// folder exists, and the real module, driven through one session of the row's kind at a time.
class AllocTest : public ::testing::TestWithParam<Case> {
 protected:
  AllocTest() {
    std::filesystem::copy(HALVEX_EXAMPLES_DIR, m_dir.file("examples"),
                          std::filesystem::copy_options::recursive);
    m_module.setPackageConfigFile(m_configFile.c_str());
    // Makes every enumeration a first read: each names the other of two copies of the topology,
    // so that the library parses it again. The names are as long, so that each run allocates alike.
    const std::filesystem::path file = m_dir.file("examples/" + GetParam().file);
    for (const char* copy : {"a-", "b-"}) {
      m_copies.push_back((file.parent_path() / copy).string() + file.filename().string());
      std::filesystem::copy_file(file, m_copies.back());
    }
    ::setenv("LUDREL_TOPOLOGY", file.c_str(), 1);
  }

  // One session as the host calls the module, with the allocator armed for the calls that
  // allocate; its log is read and removed.
  Session run(std::size_t failAt) {
    const bool diagnosis = GetParam().diagnosis;
    if (!diagnosis) ::setenv("LUDREL_TOPOLOGY", m_copies[m_reads++ % 2].c_str(), 1);
    Session run;
    try {
      diagnosis ? diagnose(run, failAt) : enumerate(run, failAt);
    } catch (...) {  // fails the test; what the session held is not put back
      FailingAllocator::disarm();
      run.threw = true;
    }
    const std::string& log = diagnosis ? m_diagnosticLog : m_enumeratorLog;
    if (diagnosis && fileExists(m_enumeratorLog)) parseTraceLog(readFile(m_enumeratorLog));
    if (fileExists(log)) {
      run.log = (diagnosis ? traceLines : traceTexts)(readFile(log));
      run.maskedLog = maskStamps(readFile(log));
    }
    std::filesystem::remove(log);
    return run;
  }

  // setPackageConfigFile, getIDeviceEnumerator, getDeviceVector, then delete unarmed.
  void enumerate(Session& run, std::size_t failAt) {
    FailingAllocator::arm(failAt);
    m_module.setPackageConfigFile(m_configFile.c_str());
    const std::unique_ptr<IDeviceEnumerator> enumerator(
        m_module.getIDeviceEnumerator(true, kNormal));
    const std::vector<VirtualDevice>* devices =
        enumerator ? enumerator->getDeviceVector("host", 7) : nullptr;
    FailingAllocator::disarm();
    run.nullVector = enumerator != nullptr && devices == nullptr;
    run.gotVector = devices != nullptr;
    for (std::size_t i = 0; devices != nullptr && i < devices->size(); ++i) {
      const auto* device =
          static_cast<const KestraDiags::Halvex::HalvexDevice*>((*devices)[i].getDevice());
      run.answers.push_back(device->getDeviceName() + "|" + device->getDeviceDescription() + "|" +
                            device->getDeviceClass() + "|" + device->getDeviceDescriptor() + "|" +
                            std::to_string(device->getHubCache().size()));
    }
  }

  // getIDiagnostics, then open, runDiagnostic and close on every hub, then delete unarmed.
  void diagnose(Session& run, std::size_t failAt) {
    std::vector<std::pair<unsigned int, int>> answers(m_hubs.size());
    FailingAllocator::arm(failAt);
    const std::unique_ptr<KestraDiags::Diag::IDiagnostics> diagnostic(
        m_module.getIDiagnostics(true, kNormal));
    for (std::size_t i = 0; diagnostic != nullptr && i < m_hubs.size(); ++i) {
      answers[i] = {m_hubs[i]->open(0), diagnostic->runDiagnostic(m_hubs[i], m_settings)};
      m_hubs[i]->close();
    }
    FailingAllocator::disarm();
    if (diagnostic == nullptr) return;
    for (const auto& [opened, ran] : answers) {
      run.answers.push_back(std::to_string(opened) + " " + std::to_string(ran));
    }
    for (const auto* result : diagnostic->getDiagnosticResults()) {
      const std::string verdict = std::to_string(result->getTestResult()) + " " +
                                  std::to_string(result->getMessageCode()) + " " +
                                  std::to_string(result->getEventType());
      const bool timed = !result->getTestCompletionTime().empty() &&
                         (verdict == kCaught || !result->getTestStartTime().empty());
      run.results.push_back(verdict + (timed ? "" : " without its times"));
    }
  }

  // Everything that must hold after a session whose planned allocation failed.
  std::string problemsOf(const Session& run, const Session& clean) const {
    std::string problems =
        FailingAllocator::failed() ? "" : "the planned allocation was never made; ";
    if (run.threw) problems += "an exception reached the host; ";
    if (GetParam().diagnosis) {
      return problems +
             (diagnosisTexts(clean).count(run.lines()) ? "" : "beyond one hub's work lost; ");
    }
    // A factory gives null when its object cannot be made; the vector is null only when the very
    // first one cannot be allocated.
    if (run.nullVector && FailingAllocator::failedSize() != sizeof(std::vector<VirtualDevice>)) {
      problems += "a null vector, yet the vector's allocation did not fail; ";
    }
    // The loop stops at the failure: the host gets the clean run's first devices, complete, and
    // its records in its order, with the handler's before the last, "Returning from
    // getDeviceVector".
    if (run.answers.size() > clean.answers.size() ||
        !std::equal(run.answers.begin(), run.answers.end(), clean.answers.begin())) {
      problems += "the devices are not the clean run's first ones; ";
    }
    Session expected = clean;
    if (!expected.log.empty()) expected.log.insert(expected.log.end() - 1, kEnumFailed);
    if (!isSubsequence(run.lines(), expected.lines())) problems += "more than the clean run's; ";
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
  std::vector<KestraDiags::DeviceEnum::IDevice*> m_hubs;
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
      if (!wrapper.getDevice()->getDeviceDescriptor().empty())
        m_hubs.push_back(wrapper.getDevice());
    }
    ASSERT_FALSE(m_hubs.empty());
  }
  run(0);  // loads the libraries' lazy parts, as a host's first session does
  const Session clean = run(0);
  const std::size_t allocations = FailingAllocator::disarm();
  ASSERT_GT(allocations, 0u);
  ASSERT_EQ(clean.results.size(), GetParam().diagnosis ? m_hubs.size() : 0);
  ASSERT_EQ(problemsOf(clean, clean), "the planned allocation was never made; ");
  for (const std::string& result : clean.results)
    ASSERT_EQ(result.find(" without its times"), std::string::npos) << result;
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
    if (!run(0).sameAs(clean)) problems += "the clean session after it went otherwise; ";
    const long leaked = FailingAllocator::liveBlocks() - blocks;
    if (leaked != 0) problems += "blocks leaked: " + std::to_string(leaked) + "; ";
    if (openDescriptorCount() != descriptors) problems += "a file was left open; ";
    if (!problems.empty()) problems.insert(0, "allocation " + std::to_string(k) + ": ");
  }
  EXPECT_EQ(problems, "");
}

INSTANTIATE_TEST_SUITE_P(Sessions, AllocTest, ::testing::ValuesIn(kCases), RowName());

}  // namespace
