// Outputs onto paths that are not plain files: a device node is refused in one line and stays one
// (a FIFO and a folder are rows of host_runs.txt); a symbolic link is written through.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "HostTest.h"

namespace {

namespace fs = std::filesystem;

using HostSpecialFileTest = HostTest;

TEST_F(HostSpecialFileTest, ADeviceIsNoOutput) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node takes root";
  // /dev/null's numbers under a name of our own: the machine's /dev/null is never at stake.
  const std::string device = dir.file("null");
  ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  const HostRun run = host(on(machine(cleanHub), {"snapshot", device}));
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_EQ(run.err, "halvex-host: cannot write " + device + ": it is a character device\n");
  EXPECT_TRUE(fs::is_character_file(device));
}

TEST_F(HostSpecialFileTest, ALinkStaysALinkAndItsTargetIsReplaced) {
  const std::string hub = machine(cleanHub);
  const std::string link = dir.makeDir("links") + "/out";
  fs::create_symlink("../real/out", link);
  const struct {
    std::vector<std::string> command;
    std::string start;
  } runs[] = {{{"diagnose", "--prometheus", link}, "# HELP "}, {{"snapshot", link}, "{\n"}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.command.front());
    const std::string target = dir.write("real/out", "stale\n");
    EXPECT_EQ(host(on(hub, run.command)).exitStatus, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(target).rfind(run.start, 0), 0u) << readFile(target);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), {}), 1)
        << "no temporary file is left behind";
  }
}

}  // namespace
