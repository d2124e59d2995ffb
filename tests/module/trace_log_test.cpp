#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "ModuleFixture.h"

// Every log these tests read is taken apart by the exact shapes of banner and record
// (tests/support/TraceLog.cpp); the identifiers in the stamps are checked by the trace_stamp suite.
namespace {

// The USB library cannot list the devices, so that every enumeration writes the same records.
const char* const kFailingTopology = R"({"getAllUSBDevicesFails": "bus gone", "devices": []})";
const Texts kFailedEnumeration = {"Entering getDevice Vector() method", "Enumeration failed",
                                  "Enum Failed :Unknown", "Returning from getDeviceVector"};

const Texts kBanner = {"(banner)"};
const Texts kNoFile = {"(no file)"};

// A log's banners, as "(banner)", and the texts of its records.
Texts entriesOf(const std::string& path) {
  if (!fileExists(path)) return kNoFile;
  Texts entries;
  for (const TraceEntry& entry : parseTraceLog(readTraceFile(path))) {
    if (entry.kind == TraceEntry::Banner) entries.push_back(kBanner.front());
    if (entry.kind == TraceEntry::Record) entries.push_back(entry.text);
  }
  return entries;
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
  EXPECT_EQ(entriesOf(m_dir.file("HalvexDeviceEnumerator.log")), GetParam().enumeratorLog);
  EXPECT_EQ(entriesOf(m_dir.file("HalvexDiagnostic.log")), GetParam().diagnosticLog);
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
  EXPECT_EQ(entriesOf(dir.file("HalvexDeviceEnumerator.log")),
            kBanner + kFailedEnumeration + kBanner + kFailedEnumeration);
}

}  // namespace
