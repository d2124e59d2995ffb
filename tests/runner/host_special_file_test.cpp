// Paths that name no regular file: the host refuses them in one line, without opening them and
// without putting a file in their place; a symbolic link is written through.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "HostTest.h"

namespace {

namespace fs = std::filesystem;

class HostSpecialFileTest : public HostTest {
 protected:
  // Both commands that write a file, onto target, which keeps its type.
  void expectOutputRefused(const std::string& target, const std::string& kind) const {
    const std::string hub = machine(cleanHub);
    const std::string refused = "halvex-host: cannot write " + target + ": it is " + kind + "\n";
    const fs::file_type type = fs::status(target).type();
    expectRuns({
        {"metrics", on(hub, {"diagnose", "--prometheus", target}), 3,
         "HUB    LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
         "Clean  usb1      no over-current  111   *  *  -\n"
         "Summary: 1 hub checked, 1 without over-current, 0 in over-current, 0 without verdict.\n",
         refused},
        {"snapshot", on(hub, {"snapshot", target}), 3, "", refused},
    });
    EXPECT_EQ(fs::status(target).type(), type);
  }
};

TEST_F(HostSpecialFileTest, AFifoIsNeverOpenedAsInput) {
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  expectRuns({
      {"topology", on(fifo, {"list"}), 3, "",
       "halvex-host: cannot read topology file " + fifo + ": it is a FIFO\n"},
      {"module",
       {"--module", fifo, "list"},
       3,
       "",
       "halvex-host: cannot load module " + fifo + ": it is a FIFO\n"},
  });
}

// The module's open of a hub whose device path is a FIFO fails at once instead of waiting for a
// reader, and the note says what the path is.
TEST_F(HostSpecialFileTest, AHubPathThatIsAFifoFailsToOpen) {
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string hub = machine(R"({"type": "root-hub", "name": "Piped", "location": "usb1",
      "ports": 1, "devicePath": "fifo"})");
  expectRuns({{"diagnose", on(hub, {"diagnose"}), 3,
               "HUB    LOCATION  VERDICT     CODE  STARTED*COMPLETED*NOTE\n"
               "Piped  usb1      no verdict  0     *  *  open failed: 506 DEV_ERR_OPEN_FAILED: " +
                   fifo +
                   " is a FIFO, not a device node\n"
                   "Summary: 1 hub checked, 0 without over-current, 0 in over-current, 1 "
                   "without verdict.\n",
               ""}});
}

TEST_F(HostSpecialFileTest, AFifoOrADirectoryIsNoOutput) {
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  expectOutputRefused(fifo, "a FIFO");
  expectOutputRefused(dir.makeDir("textfile"), "a directory");
}

TEST_F(HostSpecialFileTest, ADeviceIsNoOutput) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node takes root";
  // /dev/null's numbers under a name of our own: the machine's /dev/null is never at stake.
  const std::string device = dir.file("null");
  ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  expectOutputRefused(device, "a character device");
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
