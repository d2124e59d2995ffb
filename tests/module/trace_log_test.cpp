#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <regex>

#include "ModuleFixture.h"

namespace {

using Texts = std::vector<std::string>;

// The identifiers a trace record's stamp carries for the calling thread.
#if defined(_WIN32)
unsigned long currentThreadId() { return ::GetCurrentThreadId(); }
unsigned long currentProcessId() { return ::GetCurrentProcessId(); }
#else
long currentThreadId() { return ::syscall(SYS_gettid); }
long currentProcessId() { return ::getpid(); }
#endif

// What a getDeviceVector call writes when the USB library cannot list the devices.
const Texts kFailedEnumeration = {"Entering getDevice Vector() method", "Enumeration failed",
                                  "Enum Failed :Unknown", "Returning from getDeviceVector"};

TEST_F(ModuleTest, RecordIsEmptyLineStampTabAndText) {
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  enumerator->getDeviceVector("", 0);
  const std::string log = enumeratorLog();

  const std::string ids = "  Thread id: " + std::to_string(currentThreadId()) +
                          "   Process id: " + std::to_string(currentProcessId()) + "\t";
  const std::regex firstRecord(
      "^\n\\*{20} ([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9:]{8} [0-9]{4})\n\n"
      "\nTime: \\1\n" +
      std::regex_replace(ids, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
      "Entering getDevice Vector\\(\\) method\n");
  EXPECT_TRUE(std::regex_search(log, firstRecord)) << log;
}

TEST_F(ModuleTest, BannerIsEmptyLineAsterisksTimeAndEmptyLine) {
  EnumeratorPtr(m_module.getIDeviceEnumerator(true, kNormal)).reset();
  const std::regex banner(
      R"(^\n\*{20} [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n\n$)");
  EXPECT_TRUE(std::regex_match(enumeratorLog(), banner)) << enumeratorLog();
}

TEST_F(ModuleTest, TwoUsersShareOneFileWithTwoBanners) {
  EnumeratorPtr first(m_module.getIDeviceEnumerator(true, kNormal));
  EnumeratorPtr second(m_module.getIDeviceEnumerator(true, kNormal));
  first.reset();
  second->getDeviceVector("", 0);  // the log is still open for the second user
  const auto entries = parseTraceLog(enumeratorLog());
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(entries[0].kind, TraceEntry::Banner);
  EXPECT_EQ(entries[1].kind, TraceEntry::Banner);
  EXPECT_EQ(traceTexts(enumeratorLog()), kFailedEnumeration);
}

TEST_F(ModuleTest, LastUserClosesTheLog) {
  EnumeratorPtr(m_module.getIDeviceEnumerator(true, kNormal)).reset();
  // The current stream is still the enumerator log, now closed: this enumeration is dropped.
  EnumeratorPtr silent(m_module.getIDeviceEnumerator(false, kNormal));
  silent->getDeviceVector("", 0);
  EXPECT_EQ(parseTraceLog(enumeratorLog()).size(), 1u);  // the banner alone
}

TEST_F(ModuleTest, UserWithoutLoggingLeavesTheLogOpenForTheOther) {
  EnumeratorPtr logging(m_module.getIDeviceEnumerator(true, kNormal));
  EnumeratorPtr(m_module.getIDeviceEnumerator(false, kNormal)).reset();
  logging->getDeviceVector("", 0);
  EXPECT_EQ(traceTexts(enumeratorLog()), kFailedEnumeration);
}

TEST_F(ModuleTest, LoggingOffCreatesNoFile) {
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(false, kNormal));
  DiagnosticPtr diagnostic(m_module.getIDiagnostics(false, kNormal));
  enumerator->getDeviceVector("", 0);
  EXPECT_FALSE(fileExists(m_dir.file("HalvexDeviceEnumerator.log")));
  EXPECT_FALSE(fileExists(m_dir.file("HalvexDiagnostic.log")));
}

TEST_F(ModuleTest, DeviceRecordsFollowTheObjectConstructedLast) {
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  DiagnosticPtr diagnostic(m_module.getIDiagnostics(true, kNormal));
  // The host releases a vector once it asks for a newer one.
  std::unique_ptr<std::vector<VirtualDevice>> earlier(enumerator->getDeviceVector("", 0));
  EXPECT_EQ(traceTexts(diagnosticLog()), kFailedEnumeration);
  EXPECT_TRUE(traceTexts(enumeratorLog()).empty());

  EnumeratorPtr later(m_module.getIDeviceEnumerator(false, kNormal));
  enumerator->getDeviceVector("", 0);
  EXPECT_EQ(traceTexts(enumeratorLog()), kFailedEnumeration);
}

TEST_F(ModuleTest, DiagnosticWithoutLoggingSilencesDeviceRecords) {
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  DiagnosticPtr diagnostic(m_module.getIDiagnostics(false, kNormal));
  enumerator->getDeviceVector("", 0);
  EXPECT_EQ(parseTraceLog(enumeratorLog()).size(), 1u);  // the banner alone
}

TEST_F(ModuleTest, BannerOncePerLoggingConstructorOfTheDiagnostic) {
  DiagnosticPtr first(m_module.getIDiagnostics(true, kNormal));
  DiagnosticPtr second(m_module.getIDiagnostics(true, kNormal));
  DiagnosticPtr quiet(m_module.getIDiagnostics(false, kNormal));
  second.reset();
  quiet.reset();
  EnumeratorPtr(m_module.getIDeviceEnumerator(false, kNormal)).reset();
  first.reset();
  // Closed now: a new diagnostic appends its banner after the first two.
  DiagnosticPtr(m_module.getIDiagnostics(true, kNormal)).reset();
  EXPECT_EQ(bannerCount(diagnosticLog()), 3u);
  EXPECT_TRUE(traceTexts(diagnosticLog()).empty());
}

#if defined(_WIN32)
// Text mode ends every line of a log in CRLF on disk; the checks above read them as LF.
TEST_F(ModuleTest, LogLinesEndInCrLfOnDisk) {
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  enumerator->getDeviceVector("", 0);
  const std::string onDisk = readFile(m_dir.file("HalvexDeviceEnumerator.log"));
  EXPECT_EQ(onDisk.rfind("\r\n******************** ", 0), 0u) << onDisk;
  EXPECT_NE(onDisk.find("\r\n\r\n\r\nTime: "), std::string::npos) << onDisk;
  EXPECT_NE(onDisk.find("\tEntering getDevice Vector() method\r\n"), std::string::npos);
  const std::string lastLine = "\tReturning from getDeviceVector\r\n";
  EXPECT_EQ(onDisk.substr(onDisk.size() - lastLine.size()), lastLine);
  EXPECT_NO_THROW(readTraceFile(m_dir.file("HalvexDeviceEnumerator.log")));
}
#else
// Windows has no device whose every write fails, as /dev/full is: Linux only.
TEST_F(ModuleTest, FailedWritesAreDroppedAndChangeNothingElse) {
  ASSERT_EQ(::symlink("/dev/full", m_dir.file("HalvexDeviceEnumerator.log").c_str()), 0);
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  std::unique_ptr<std::vector<VirtualDevice>> earlier(enumerator->getDeviceVector("", 0));
  ASSERT_NE(earlier, nullptr);
  EXPECT_TRUE(earlier->empty());
  EXPECT_EQ(enumerator->getDeviceVector("", 0)->size(), 0u);
}
#endif

#if defined(_WIN32)
// Each load of its own: the test program holds no other reference to the DLL, so dropping the
// last one unloads it, and the next load starts with the module-wide objects as at load.
TEST(ModuleLoadTest, LogsAreAppendedAcrossModuleLoads) {
  TempDir dir;
  const std::filesystem::path previousDir = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  unsetEnvironment("LUDREL_TOPOLOGY");
  for (int load = 0; load < 2; ++load) {
    {
      ModuleUnderTest module;
      EnumeratorPtr enumerator(module.getIDeviceEnumerator(true, kNormal));
      enumerator->getDeviceVector("", 0);
    }
    EXPECT_EQ(::GetModuleHandleA("halvex.dll"), nullptr) << "the module is still loaded";
  }
  std::filesystem::current_path(previousDir);
  const std::string log = readTraceFile(dir.file("HalvexDeviceEnumerator.log"));
  Texts expected = kFailedEnumeration;
  expected.insert(expected.end(), kFailedEnumeration.begin(), kFailedEnumeration.end());
  EXPECT_EQ(traceTexts(log), expected);
  EXPECT_EQ(bannerCount(log), 2u);
  EXPECT_EQ(parseTraceLog(log).front().kind, TraceEntry::Banner);
}
#else
TEST_F(ModuleTest, LogsAreAppendedAcrossModuleLoads) {
  for (int load = 0; load < 2; ++load) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ModuleUnderTest module;
      EnumeratorPtr enumerator(module.getIDeviceEnumerator(true, kNormal));
      enumerator->getDeviceVector("", 0);
      enumerator.reset();
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(status, 0);
  }
  Texts expected = kFailedEnumeration;
  expected.insert(expected.end(), kFailedEnumeration.begin(), kFailedEnumeration.end());
  EXPECT_EQ(traceTexts(enumeratorLog()), expected);
  EXPECT_EQ(bannerCount(enumeratorLog()), 2u);
  EXPECT_EQ(parseTraceLog(enumeratorLog()).front().kind, TraceEntry::Banner);
}
#endif

TEST_F(ModuleTest, UnwritableLogDirectoryNeverStopsTheModule) {
  m_dir.write("pkg/log", "a file where the log directory should be");
  m_dir.write("pkg/cfg/HalvexDeviceEnumerator.log/x", "a directory where the fallback log is");
  m_module.setPackageConfigFile("pkg/cfg/f.xml");
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  DiagnosticPtr diagnostic(m_module.getIDiagnostics(true, kNormal));
  ASSERT_NE(enumerator, nullptr);
  ASSERT_NE(diagnostic, nullptr);
  EXPECT_NE(enumerator->getDeviceVector("", 0), nullptr);
  EXPECT_STREQ(diagnostic->getName(), "Halvex Test");
}

}  // namespace
