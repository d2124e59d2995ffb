// diagnose --watch stops on SIGINT or SIGTERM, even while an event is answered: once its hook has
// ended, with exit status 0, every round's objects gone and the metrics file whole.
#include <signal.h>

#include <filesystem>

#include "WatchTest.h"

namespace {

TEST_F(HostWatchTest, EitherSignalWhileAnEventIsAnsweredEndsCleanlyAfterIt) {
  for (const int stopSignal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(stopSignal == SIGTERM ? "SIGTERM" : "SIGINT");
    std::filesystem::remove_all(dir.file("log"));
    std::filesystem::remove(dir.file("hook.env"));
    std::vector<std::string> arguments =
        watch(kOverCurrentEvent, {ENV_HOOK, "--", dir.file("hook.env"), "hang"});
    arguments.insert(arguments.begin(), {"--package-config", packageConfig()});
    HostProcess process(arguments, dir.path());
    ASSERT_TRUE(eventually([&] { return fileExists(dir.file("hook.env")); })) << process.err();
    // The hook runs after the round's report, which comes after the round's objects are gone.
    std::error_code error;
    const std::string descriptors = "/proc/" + std::to_string(process.pid()) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(descriptors, error)) {
      const std::string node = std::filesystem::read_symlink(entry.path(), error).string();
      EXPECT_TRUE(node != dir.file("n1") && node != dir.file("n2")) << node;
    }
    ::kill(process.pid(), stopSignal);
    EXPECT_EQ(process.wait(), 0);
    expectWatchOutputs(process, "over-current-event-stopped");
    // One banner per object made: each of the two rounds made its own enumerator and diagnostic.
    for (const char* log : {"log/HalvexDeviceEnumerator.log", "log/HalvexDiagnostic.log"}) {
      EXPECT_EQ(countOf(readFile(dir.file(log)), "\n******************** "), 2u) << log;
    }
  }
}

}  // namespace
