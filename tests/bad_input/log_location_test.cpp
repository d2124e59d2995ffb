// A log location that cannot take the module's records: the host works as usual and says nothing
// about it, and nothing already in a log is lost. Where the logs land is the module's suite.
#include <filesystem>

#include "HostTest.h"
#include "tests/support/TraceLog.h"

namespace {

using LogLocationTest = HostTest;

// A log on a full device drops its records; what an earlier run left in a log stays.
TEST_F(LogLocationTest, NoLogLosesWhatWasWrittenBefore) {
  const std::string config = packageConfig();
  std::filesystem::create_symlink("/dev/full", dir.file("log/HalvexDiagnostic.log"));
  // An earlier run's log, its last record cut off by a crash of its host.
  const std::string earlier =
      "\n******************** Fri Dec  4 19:30:48 2026\n\n\nTime: Fri Dec  4";
  dir.write("log/HalvexDeviceEnumerator.log", earlier);
  const std::string topology = machine(cleanHub);
  for (const char* command : {"list", "diagnose"}) {
    SCOPED_TRACE(command);
    const HostRun run = host({"--package-config", config, "--topology", topology, command});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("Clean"), std::string::npos) << run.out;
  }
  const std::string content = readFile(dir.file("log/HalvexDeviceEnumerator.log"));
  ASSERT_EQ(content.rfind(earlier, 0), 0u);
  // The banner's leading newline ends the cut line, and the two runs follow whole.
  const std::string added = content.substr(earlier.size());
  EXPECT_EQ(bannerCount(added), 2u);
  EXPECT_EQ(traceTexts(added).back(), "Returning from getDeviceVector");
}

}  // namespace
