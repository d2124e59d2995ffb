// diagnose --watch beyond its timer: the USB events that wake it, and --on-over-current, which
// runs for each new over-current and never stops the watch, whatever the program does.
#include <filesystem>

#include "WatchTest.h"

namespace {

// What env_hook writes for the over-current on port 3 of hub 1-2.
std::string hookEnvironment(const std::string& source, const std::string& count,
                            const std::string& verdict) {
  return "HALVEX_COUNT=" + count +
         "\nHALVEX_DEVICE=04d9:1702 USB Keyboard\nHALVEX_HUB=1-2\nHALVEX_HUB_NAME=USB Hub\n"
         "HALVEX_HUB_PATH=*n2\nHALVEX_PORT=3\nHALVEX_SOURCE=" +
         source + "\nHALVEX_VERDICT=" + verdict + "\n--\n";
}

TEST_F(HostWatchTest, AnOverCurrentEventChecksThatHubAtOnceAndRunsTheHookOnce) {
  HostProcess process(watch(kOverCurrentEvent, {ENV_HOOK, "--", dir.file("hook.env"), "0"}),
                      dir.path());
  ASSERT_TRUE(eventually([&] { return countOf(process.err(), "\n") > 0; })) << process.err();
  EXPECT_TRUE(
      matches(readFile(dir.file("hook.env")), hookEnvironment("event", "2", "over-current")))
      << readFile(dir.file("hook.env"));
  // The round over the one hub; every hub's samples stay in the metrics.
  expectWatchOutputs(process, "over-current-event");
}

#if !defined(_WIN32)
// Not yet under Wine: the run does not end there (not investigated).
// The event round's document names the event, for machines as the text line does for people.
TEST_F(HostWatchTest, AnOverCurrentEventsDocumentListsTheEvent) {
  std::vector<std::string> arguments = watch(kOverCurrentEvent, {ENV_HOOK, "--", "x", "0"});
  arguments.insert(arguments.begin() + 3, "--json");
  HostProcess process(arguments, dir.path());
  ASSERT_TRUE(eventually([&] { return countOf(process.out(), "\"exitStatus\"") >= 2; }));
  const std::string out = process.out();
  expectStoredFiles(
      "over-current-event-json",
      {{"diagnose.json", masked(out.substr(out.find("}\n{") + 2), {{dir.path(), "(work)"}})}});
}
#endif

TEST_F(HostWatchTest, AnAddedDeviceMakesAFullRound) {
  HostProcess process(watch(kAddEvent, {ENV_HOOK, "--", dir.file("hook.env"), "0"}), dir.path());
  ASSERT_TRUE(eventually([&] { return countOf(process.out(), "Summary: ") >= 2; }));
  expectWatchOutputs(process, "add-event");
  // Nothing in it is new to the watch.
  EXPECT_FALSE(fileExists(dir.file("hook.env")));
}

TEST_F(HostWatchTest, AHookThatFailsIsMissingOrHangsLeavesTheWatchGoing) {
  const struct {
    const char* what;
    std::vector<std::string> hook;
    const char* line;
  } hooks[] = {
      {"fails", {ENV_HOOK, "--", dir.file("hook.env"), "3"}, "exit status 3"},
      {"hangs", {ENV_HOOK, "--", dir.file("hook.env"), "hang"}, "killed after 1 s"},
      {"is missing", {dir.file("missing")}, "cannot start *missing*"},
  };
  for (const auto& hook : hooks) {
    SCOPED_TRACE(hook.what);
    HostProcess process(watch(kOverCurrentEvent + "," + kAddEvent, hook.hook), dir.path());
    // The add event, due while the hook runs (or together with the over-current on a slow
    // machine), is answered by a full round after the event's.
    const auto fullRoundAfterTheEvent = [&] {
      const std::string out = process.out();
      const std::size_t event = out.find("over-current event");
      return event != std::string::npos &&
             out.find("Summary: 2 hubs checked", event) != std::string::npos;
    };
    ASSERT_TRUE(eventually(fullRoundAfterTheEvent)) << process.out() << process.err();
    const std::string said =
        std::string("halvex-host: --on-over-current for 1-2 port 3: ") + hook.line + "\n";
    EXPECT_TRUE(eventually([&] { return matches(process.err(), said); })) << process.err();
  }
}

// Without events a round still runs the hook: for a count that rose since the last round, not
// for what the first round found.
TEST_F(HostWatchTest, ARoundRunsTheHookOnceForACountThatRose) {
  const std::string topology = machine(hubWithKeyboard(R"("overCurrentCount": 1)"));
  HostProcess process({"--no-log", "--topology", topology, "diagnose", "--watch", "1",
                       "--on-over-current", ENV_HOOK, "--", dir.file("hook.env"), "0"},
                      dir.path());
  ASSERT_TRUE(eventually([&] { return countOf(process.out(), "Summary: ") >= 1; }));
  // Of another size, so that a file time as coarse as a second cannot hide the change.
  machine(hubWithKeyboard(R"("overCurrentCount": 12)"), "next.json");
  std::filesystem::rename(dir.file("next.json"), topology);
  ASSERT_TRUE(eventually([&] { return fileExists(dir.file("hook.env")); })) << process.err();
  const std::size_t rounds = countOf(process.out(), "Summary: ");
  ASSERT_TRUE(eventually([&] { return countOf(process.out(), "Summary: ") >= rounds + 2; }));
  EXPECT_TRUE(
      matches(readFile(dir.file("hook.env")), hookEnvironment("round", "12", "no-over-current")))
      << readFile(dir.file("hook.env"));
  EXPECT_EQ(
      countOf(process.err(), "halvex-host: --on-over-current for 1-2 port 3: exit status 0\n"), 1u)
      << process.err();
}

}  // namespace
