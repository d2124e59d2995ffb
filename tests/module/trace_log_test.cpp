#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "ModuleFixture.h"

// Every log these tests read is taken apart by the exact shapes of banner and record
// (tests/support/TraceLog.cpp); the identifiers in the stamps by trace_stamp_test.cpp.
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

// Each load of its own: the test program holds no other reference to the module, so dropping the
// last one unloads it, and the next load starts with the module-wide objects as at load.
TEST(ModuleLoadTest, LogsAreAppendedAcrossModuleLoads) {
  TempDir dir;
  const std::filesystem::path previousDir = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  setEnvironment("LUDREL_TOPOLOGY", dir.write("topology.json", kFailingTopology));
  for (int load = 0; load < 2; ++load) {
    {
      ModuleUnderTest module;
      EnumeratorPtr(module.getIDeviceEnumerator(true, kNormal))->getDeviceVector("", 0);
    }
    EXPECT_FALSE(moduleIsLoaded()) << "the module is still loaded";
  }
  std::filesystem::current_path(previousDir);
  EXPECT_EQ(logEntries(dir.file("HalvexDeviceEnumerator.log")),
            kBanner + kFailedEnumeration + kBanner + kFailedEnumeration);
}

}  // namespace
