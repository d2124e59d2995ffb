// diagnose --watch: rounds until SIGINT or SIGTERM, then a clean exit with 0.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "HostTest.h"

namespace {

using HostWatchTest = HostTest;

TEST_F(HostWatchTest, StopsCleanlyOnEitherSignalWithEveryRoundsObjectsGone) {
  const std::string topology = machine(cleanHub);
  for (const int stopSignal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(stopSignal == SIGTERM ? "SIGTERM" : "SIGINT");
    std::filesystem::remove_all(dir.file("log"));
    HostProcess process({"--package-config", packageConfig(), "--topology", topology, "diagnose",
                         "--watch", "1", "--prometheus", dir.file("halvex.prom")},
                        dir.path());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (countOf(process.out(), "Summary: ") < 2 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GE(countOf(process.out(), "Summary: "), 2u) << process.out() << process.err();
    // A report is printed after the round's objects are gone, so the hub is closed by now.
    std::error_code error;
    const std::string descriptors = "/proc/" + std::to_string(process.pid()) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(descriptors, error)) {
      EXPECT_NE(std::filesystem::read_symlink(entry.path(), error).string(), dir.file("n1"));
    }
    ::kill(process.pid(), stopSignal);
    EXPECT_EQ(process.wait(), 0) << process.err();
    EXPECT_EQ(process.err(), "");
    const std::string out = process.out();
    EXPECT_EQ(out.substr(out.rfind("Summary: ")),
              "Summary: 1 hub checked, 1 without over-current, 0 in over-current, 0 without "
              "verdict.\n");
    // One banner per object made: each round made its own enumerator and diagnostic.
    for (const char* log : {"log/HalvexDeviceEnumerator.log", "log/HalvexDiagnostic.log"}) {
      EXPECT_EQ(countOf(readFile(dir.file(log)), "\n******************** "),
                countOf(out, "Summary: "));
    }
    EXPECT_NE(readFile(dir.file("halvex.prom")).find("\nhalvex_run_success 1\n"),
              std::string::npos);
  }
}

}  // namespace
