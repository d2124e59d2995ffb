// Log locations that cannot take the module's logs: the host works as usual and says nothing
// about it (the module reports no log failure), the enumerator log falls back to the package
// folder where it can, and nothing already in a file is lost.
#include <filesystem>

#include "HostTest.h"
#include "tests/support/TraceLog.h"

namespace {

class LogLocationTest : public HostTest {
 protected:
  // list and diagnose with logging on, both as on a clean machine.
  void expectBothCommandsWork(const std::string& packageConfig) const {
    const std::string topology = machine(cleanHub);
    for (const char* command : {"list", "diagnose"}) {
      SCOPED_TRACE(command);
      const HostRun run =
          host({"--package-config", packageConfig, "--topology", topology, command});
      EXPECT_EQ(run.exitStatus, 0) << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_NE(run.out.find("Clean"), std::string::npos) << run.out;
    }
  }
};

TEST_F(LogLocationTest, ALogFolderThatIsAFileSendsTheLogsToThePackageFolder) {
  dir.write("log", "a file of the operator's\n");
  expectBothCommandsWork(dir.makeDir("package") + "/package.cfg");
  EXPECT_EQ(readFile(dir.file("log")), "a file of the operator's\n");
  for (const char* log : {"package/HalvexDeviceEnumerator.log", "package/HalvexDiagnostic.log"}) {
    EXPECT_GE(bannerCount(readTraceFile(dir.file(log))), 1u) << log;
  }
}

TEST_F(LogLocationTest, AFolderNobodyMayWriteLeavesTheRunWithoutLogs) {
  // Neither the log folder nor the package folder can be made. Not even root can create files in
  // /proc; Windows has no such folder for every user, but makes no folder below a file either.
#if defined(_WIN32)
  expectBothCommandsWork(dir.write("a-file", "") + "/config/package.cfg");
#else
  expectBothCommandsWork("/proc/halvex-no-such-process/config/package.cfg");
#endif
  EXPECT_FALSE(fileExists(dir.file("HalvexDeviceEnumerator.log")));
  EXPECT_FALSE(fileExists(dir.file("HalvexDiagnostic.log")));
}

#if !defined(_WIN32)  // Windows has no device on which every write fails, as /dev/full
// A log on a full device drops its records; what an earlier run left in a log stays.
TEST_F(LogLocationTest, NoLogLosesWhatWasWrittenBefore) {
  const std::string config = packageConfig();
  std::filesystem::create_symlink("/dev/full", dir.file("log/HalvexDiagnostic.log"));
  // An earlier run's log, its last record cut off by a crash of its host.
  const std::string earlier =
      "\n******************** Fri Dec  4 19:30:48 2026\n\n\nTime: Fri Dec  4";
  dir.write("log/HalvexDeviceEnumerator.log", earlier);
  expectBothCommandsWork(config);
  const std::string content = readFile(dir.file("log/HalvexDeviceEnumerator.log"));
  ASSERT_EQ(content.rfind(earlier, 0), 0u);
  // The banner's leading newline ends the cut line, and the two runs follow whole.
  const std::string added = content.substr(earlier.size());
  EXPECT_EQ(bannerCount(added), 2u);
  EXPECT_EQ(traceTexts(added).back(), "Returning from getDeviceVector");
}
#endif

}  // namespace
