// Log locations that cannot take the module's logs: the host works as usual and says nothing
// about it (the module reports no log failure), the enumerator log falls back to the package
// folder where it can, and nothing already in a file is lost.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "HostTest.h"
#include "Topology.h"
#include "tests/support/TraceLog.h"

namespace {

namespace fs = std::filesystem;

class LogLocationTest : public HostTest {
 protected:
  void SetUp() override {
    m_topology = topology::write(
        dir, {topology::rootHub(dir, "Root Hub", "usb1", 2, {{1, "04d9:1702 Keyboard"}}),
              topology::device("Keyboard", "1-1", "usb1")});
  }

  // list and diagnose with logging on, both as on a clean machine.
  void expectBothCommandsWork(const std::string& packageConfig) const {
    for (const char* command : {"list", "diagnose"}) {
      SCOPED_TRACE(command);
      const HostRun run =
          host({"--package-config", packageConfig, "--topology", m_topology, command});
      EXPECT_EQ(run.exitStatus, 0) << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_NE(run.out.find("Root Hub"), std::string::npos) << run.out;
    }
  }

  std::string m_topology;
};

TEST_F(LogLocationTest, ALogFolderThatIsAFileSendsTheLogsToThePackageFolder) {
  const std::string notAFolder = dir.write("log", "a file of the operator's\n");
  dir.makeDir("package");
  expectBothCommandsWork(dir.file("package/package.cfg"));
  EXPECT_EQ(readFile(notAFolder), "a file of the operator's\n");
  for (const char* log : {"HalvexDeviceEnumerator.log", "HalvexDiagnostic.log"}) {
    SCOPED_TRACE(log);
    const std::string content = readFile(dir.file(std::string("package/") + log));
    EXPECT_GE(bannerCount(content), 1u);
  }
}

TEST_F(LogLocationTest, AFolderNobodyMayWriteLeavesTheRunWithoutLogs) {
  // Not even root can create files in /proc: neither the log folder nor the package folder.
  expectBothCommandsWork("/proc/halvex-no-such-process/config/package.cfg");
  EXPECT_FALSE(fileExists(dir.file("HalvexDeviceEnumerator.log")));
  EXPECT_FALSE(fileExists(dir.file("HalvexDiagnostic.log")));
}

TEST_F(LogLocationTest, LogsOnAFullDeviceDropTheirRecords) {
  const std::string config = packageConfig();
  for (const char* log : {"HalvexDeviceEnumerator.log", "HalvexDiagnostic.log"}) {
    fs::create_symlink("/dev/full", logDir() + "/" + log);
  }
  expectBothCommandsWork(config);
}

TEST_F(LogLocationTest, EarlierContentOfALogIsKept) {
  const std::string config = packageConfig();
  // What an earlier run left, its last record cut off by a crash of its host.
  const std::string earlier =
      "\n******************** Fri Dec  4 19:30:48 2026\n\n\nTime: Fri Dec  4";
  const std::string enumeratorLog = dir.write("log/HalvexDeviceEnumerator.log", earlier);
  expectBothCommandsWork(config);
  const std::string content = readFile(enumeratorLog);
  ASSERT_EQ(content.rfind(earlier, 0), 0u);
  // The banner's leading newline ends the cut line, and the two runs follow whole.
  const std::string added = content.substr(earlier.size());
  EXPECT_EQ(bannerCount(added), 2u);
  EXPECT_EQ(traceTexts(added).back(), "Returning from getDeviceVector");
}

}  // namespace
