// diagnose --watch: rounds until SIGINT or SIGTERM, then a clean exit with 0.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "HostTest.h"
#include "Topology.h"

namespace {

class HostWatchTest : public HostTest {
 protected:
  // Waits until the host has printed the given number of reports; false on time-out.
  static bool waitForRounds(const HostProcess& process, std::size_t rounds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      if (countOf(process.out(), "Summary: ") >= rounds) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  // The files the process holds open, as their paths.
  static std::vector<std::string> openFilesOf(pid_t pid) {
    std::vector<std::string> paths;
    const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(fdDir, error)) {
      paths.push_back(std::filesystem::read_symlink(entry.path(), error).string());
    }
    return paths;
  }
};

TEST_F(HostWatchTest, StopsCleanlyOnEitherSignalWithEveryRoundsObjectsGone) {
  for (const int stopSignal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(stopSignal == SIGTERM ? "SIGTERM" : "SIGINT");
    TempDir work;
    work.makeDir("log");
    work.makeDir("package");
    const std::string machine =
        topology::write(work, {topology::rootHub(work, "Root Hub", "usb1", 2, {{1, "key-1"}})});
    const std::string hubNode = work.file("node-usb1");
    const std::string metrics = work.file("halvex.prom");

    HostProcess process({"--package-config", work.file("package/package.cfg"), "--topology",
                         machine, "diagnose", "--watch", "1", "--prometheus", metrics},
                        work.path());
    ASSERT_TRUE(waitForRounds(process, 2)) << process.out() << process.err();
    // A report is printed after the round's objects are gone, so the hub is closed by now.
    for (const std::string& path : openFilesOf(process.pid())) EXPECT_NE(path, hubNode);
    process.sendSignal(stopSignal);
    EXPECT_EQ(process.wait(), 0) << process.err();
    EXPECT_EQ(process.err(), "");

    const std::string out = process.out();
    const std::size_t rounds = countOf(out, "Summary: ");
    EXPECT_GE(rounds, 2u);
    EXPECT_EQ(out.substr(out.rfind("Summary: ")),
              "Summary: 1 hub checked, 1 without over-current, 0 in over-current, 0 without "
              "verdict.\n");
    // One banner per object made: each round made its own enumerator and diagnostic.
    const std::string banner = "\n******************** ";
    EXPECT_EQ(countOf(readFile(work.file("log/HalvexDeviceEnumerator.log")), banner), rounds);
    EXPECT_EQ(countOf(readFile(work.file("log/HalvexDiagnostic.log")), banner), rounds);
    EXPECT_TRUE(fileExists(metrics));
  }
}

TEST_F(HostWatchTest, GivesUpAtOnceWithoutAModule) {
  HostProcess process({"--module", dir.file("missing.so"), "diagnose", "--watch", "1"}, dir.path());
  EXPECT_EQ(process.wait(30), 3);
  EXPECT_EQ(linesOf(process.err()).size(), 1u);
}

}  // namespace
