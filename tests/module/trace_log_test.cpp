#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>

#include "ModuleFixture.h"

namespace {

using Texts = std::vector<std::string>;

// What a getDeviceVector call writes when the USB library cannot list the devices.
const Texts kFailedEnumeration = {"Entering getDevice Vector() method", "Enumeration failed",
                                  "Enum Failed :Unknown", "Returning from getDeviceVector"};

TEST_F(ModuleTest, RecordIsEmptyLineStampTabAndText) {
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  enumerator->getDeviceVector("", 0);
  const std::string log = enumeratorLog();

  const std::string ids = "  Thread id: " + std::to_string(::syscall(SYS_gettid)) +
                          "   Process id: " + std::to_string(::getpid()) + "\t";
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

TEST_F(ModuleTest, FailedWritesAreDroppedAndChangeNothingElse) {
  ASSERT_EQ(::symlink("/dev/full", m_dir.file("HalvexDeviceEnumerator.log").c_str()), 0);
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  std::unique_ptr<std::vector<VirtualDevice>> earlier(enumerator->getDeviceVector("", 0));
  ASSERT_NE(earlier, nullptr);
  EXPECT_TRUE(earlier->empty());
  EXPECT_EQ(enumerator->getDeviceVector("", 0)->size(), 0u);
}

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
