#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>
#include <utility>

#include "ModuleFixture.h"

// Every log these tests read is taken apart by the exact shapes of banner and record
// (tests/support/TraceLog.cpp).
namespace {

// The USB library cannot list the devices, so that every enumeration writes the same records.
const char* const kFailingTopology = R"({"getAllUSBDevicesFails": "bus gone", "devices": []})";
const Texts kFailedEnumeration = {"Entering getDevice Vector() method", "Enumeration failed",
                                  "Enum Failed :Unknown", "Returning from getDeviceVector"};

const Texts kBanner = {"(banner)"};
const Texts kNoFile = {"(no file)"};

// The banners, as "(banner)", and the texts of the records of a log's content.
Texts entriesOf(const std::string& content) {
  Texts entries;
  for (const TraceEntry& entry : parseTraceLog(content)) {
    if (entry.kind == TraceEntry::Banner) entries.push_back(kBanner.front());
    if (entry.kind == TraceEntry::Record) entries.push_back(entry.text);
  }
  return entries;
}

Texts logEntries(const std::string& path) {
  return fileExists(path) ? entriesOf(readTraceFile(path)) : kNoFile;
}

class TraceLogTest : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    useTopology(kFailingTopology);
  }
};

struct LifecycleCase {
  const char* name;
  const char* steps;
  Texts enumeratorLog;
  Texts diagnosticLog;
};
ROW_PRINTS_AS_ITS_NAME(LifecycleCase)

class LifecycleTest : public TraceLogTest, public ::testing::WithParamInterface<LifecycleCase> {};

TEST_P(LifecycleTest, OpensClosesAndFillsTheLogs) {
  play(GetParam().steps);
  EXPECT_EQ(logEntries(m_dir.file("HalvexDeviceEnumerator.log")), GetParam().enumeratorLog);
  EXPECT_EQ(logEntries(m_dir.file("HalvexDiagnostic.log")), GetParam().diagnosticLog);
}

const LifecycleCase kLifecycles[] = {
    {"TwoUsersShareOneFileWithTwoBanners", "enumerator; enumerator; drop enumerator 1; enumerate 2",
     kBanner + kBanner + kFailedEnumeration, kNoFile},
    // The current stream is still the closed enumerator log: the enumeration is dropped.
    {"LastUserClosesTheLog", "enumerator; drop enumerator 1; quiet enumerator; enumerate 2",
     kBanner, kNoFile},
    {"QuietUserLeavesTheLogOpenForTheOther",
     "enumerator; quiet enumerator; drop enumerator 2; enumerate 1", kBanner + kFailedEnumeration,
     kNoFile},
    {"LoggingOffCreatesNoFile", "quiet enumerator; quiet diagnostic; enumerate 1", kNoFile,
     kNoFile},
    {"DeviceRecordsFollowTheObjectConstructedLast",
     "enumerator; diagnostic; enumerate 1; quiet enumerator; enumerate 2",
     kBanner + kFailedEnumeration, kBanner + kFailedEnumeration},
    {"QuietDiagnosticSilencesDeviceRecords", "enumerator; quiet diagnostic; enumerate 1", kBanner,
     kNoFile},
    // Closed by the first diagnostic's deletion: the last one appends a third banner.
    {"BannerOncePerLoggingConstructorOfTheDiagnostic",
     "diagnostic; diagnostic; quiet diagnostic; drop diagnostic 2; drop diagnostic 3; "
     "quiet enumerator; drop enumerator 1; drop diagnostic 1; diagnostic",
     kNoFile, kBanner + kBanner + kBanner},
    // A file where the log directory should be, a directory where the fallback log should be.
    {"UnwritableLogDirectoryNeverStopsTheModule",
     "file pkg/log; file pkg/cfg/HalvexDeviceEnumerator.log/x; config pkg/cfg/f.xml; "
     "enumerator; diagnostic; enumerate 1",
     kNoFile, kNoFile},
};
INSTANTIATE_TEST_SUITE_P(Scenarios, LifecycleTest, ::testing::ValuesIn(kLifecycles), RowName());

#if !defined(_WIN32)
// A log on a full device drops the records, and the module goes on; what an earlier run left in a
// log stays, its last record cut off by a crash of its host, and the banner's leading newline ends
// the cut line.
TEST_F(TraceLogTest, AFullDeviceOrACutRecordLosesNothingElse) {
  std::filesystem::create_symlink("/dev/full", m_dir.file("HalvexDiagnostic.log"));
  const std::string earlier =
      "\n******************** Fri Dec  4 19:30:48 2026\n\n\nTime: Fri Dec  4";
  m_dir.write("HalvexDeviceEnumerator.log", earlier);
  play("enumerator; diagnostic; enumerate 1; quiet enumerator; enumerate 2");
  const std::string content = readTraceFile(m_dir.file("HalvexDeviceEnumerator.log"));
  ASSERT_EQ(content.rfind(earlier, 0), 0u);
  EXPECT_EQ(entriesOf(content.substr(earlier.size())), kBanner + kFailedEnumeration);
}
#endif

bool moduleIsLoaded() {
#if defined(_WIN32)
  return ::GetModuleHandleA("halvex.dll") != nullptr;
#else
  void* const library = ::dlopen(HALVEX_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
  if (library != nullptr) ::dlclose(library);
  return library != nullptr;
#endif
}

// The test program holds no other reference to the module, so dropping this one must unload it,
// for a host's next load to start with the module-wide objects as at load. That a later opening
// appends to a log is the lifecycle tests' and the full device test's.
TEST(ModuleLoadTest, DroppingTheLastReferenceUnloadsTheModule) {
  TempDir dir;
  setEnvironment("LUDREL_TOPOLOGY", dir.write("topology.json", kFailingTopology));
  {
    ModuleUnderTest module;
    dir.makeDir("log");
    module.setPackageConfigFile(dir.file("package/f.xml").c_str());
    EnumeratorPtr(module.getIDeviceEnumerator(true, kNormal))->getDeviceVector("", 0);
  }
  EXPECT_FALSE(moduleIsLoaded());
  EXPECT_EQ(logEntries(dir.file("log/HalvexDeviceEnumerator.log")), kBanner + kFailedEnumeration);
}

using Ids = std::pair<long, long>;  // thread, process

// The thread and process identifiers of every record in the log.
std::set<Ids> stampIds(const std::string& log) {
  std::set<Ids> found;
  for (auto at = log.find("Thread id: "); at != std::string::npos;
       at = log.find("Thread id: ", at + 1)) {
    Ids ids;
    std::sscanf(log.c_str() + at, "Thread id: %ld   Process id: %ld", &ids.first, &ids.second);
    found.insert(ids);
  }
  return found;
}

#if defined(_WIN32)
long threadId() { return static_cast<long>(::GetCurrentThreadId()); }
long processId() { return static_cast<long>(::GetCurrentProcessId()); }
#else
long threadId() { return static_cast<long>(::syscall(SYS_gettid)); }
long processId() { return static_cast<long>(::getpid()); }
#endif

// The module knows the first thread's identifiers before the second thread and, on POSIX, before
// the fork.
TEST_F(TraceLogTest, EachThreadAndAForkedChildStampItsOwnIdentifiers) {
  enumerate();
  long otherThread = 0;
  std::thread([&] {
    otherThread = threadId();
    enumerate();
  }).join();
  std::set<Ids> expected = {{threadId(), processId()}, {otherThread, processId()}};
#if !defined(_WIN32)
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    enumerate();
    std::_Exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // A child's only thread has the child's process identifier as its thread identifier.
  expected.insert({child, child});
#endif
  enumerate();
  EXPECT_EQ(stampIds(enumeratorLog()), expected);
}

}  // namespace
