// The runs of diagnose --watch in host_watch.txt, step by step, each outcome compared whole with
// its expected folder. To rewrite those from this build: HALVEX_UPDATE_EXPECTED=1 ctest -R Watch
#if !defined(_WIN32)
#include <signal.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>

#include "../support/ExpectedFiles.h"
#include "Eventually.h"
#include "HostOutputs.h"
#include "HostTest.h"
#include "tests/support/TraceLog.h"

namespace {

namespace fs = std::filesystem;

// The run whose "expect" line is lines[0], then its steps.
void watch(const std::vector<std::string>& lines) {
  std::istringstream expect(lines[0]);
  std::string folder;
  expect >> folder >> folder;
  SCOPED_TRACE(folder);
  const TempDir dir;
  fs::copy(HALVEX_SOURCE_DIR "/tests/runner/watch", dir.path());
  for (const char* made : {"log", "package"}) dir.makeDir(made);
  const Names names = {{dir.path(), "(work)"}, {ENV_HOOK, "(hook)"}};
  std::unique_ptr<HostProcess> host;
  const auto said = [&] {
    return host->out() + "-- stderr:\n" + host->err() + "-- hook.env:\n" +
           readFile(dir.file("hook.env"));
  };
  for (auto line = lines.begin() + 1; line != lines.end(); ++line) {
    std::istringstream words(*line);
    std::string step, count, rest;
    words >> step;
    std::getline(words >> std::ws, rest);
    const std::vector<std::string> arguments = commandWords(rest, names);
    static const std::set<std::string> kSteps = {"posix-only", "windows-folder", "host",
                                                 "until",      "rename",         "signal"};
    ASSERT_EQ(kSteps.count(step), 1u) << "no such step: " << *line;
#if defined(_WIN32)
    if (step == "posix-only") return;
    if (step == "windows-folder") folder = rest;
#else
    if (step == "signal") {
      // The hook runs after the round's report, which comes after the round's objects are gone.
      std::error_code error;
      for (const auto& fd :
           fs::directory_iterator("/proc/" + std::to_string(host->pid()) + "/fd")) {
        const std::string node = fs::read_symlink(fd.path(), error).string();
        EXPECT_TRUE(node != dir.file("n1") && node != dir.file("n2")) << node;
      }
      ::kill(host->pid(), rest == "INT" ? SIGINT : SIGTERM);
      EXPECT_EQ(host->wait(), 0);
    }
#endif
    if (step == "host") host = std::make_unique<HostProcess>(arguments, dir.path());
    if (step == "rename") fs::rename(arguments[0], arguments[1]);
    if (step == "until") {
      std::istringstream(rest) >> count;
      const std::string text = rest.substr(count.size() + 1);
      const std::size_t times = std::stoul(count) + (count[0] == '+' ? countOf(said(), text) : 0);
      ASSERT_TRUE(eventually([&] { return countOf(said(), text) >= times; })) << said();
    }
  }
  std::map<std::string, std::string> outcome;
  const std::string out = host->out(), err = host->err();
  for (std::string file; expect >> file;) {
    outcome[file] = masked(file == "watch.txt"       ? out + "-- stderr:\n" + err
                           : file == "stderr.txt"    ? err
                           : file == "diagnose.json" ? out.substr(out.rfind("}\n{") + 2)
                           : file.find(".log") != std::string::npos
                               ? maskStamps(readTraceFile(dir.file("log/" + file)))
                               : readFile(dir.file(file)),
                           names);
  }
  expectStoredFiles(folder, outcome);
}

TEST(HostWatch, RunsAreTheExpectedOnes) {
  std::vector<std::vector<std::string>> runs;
  for (const std::string& line : caseLines("tests/runner/host_watch.txt")) {
    if (line.rfind("expect ", 0) == 0) runs.emplace_back();
    runs.back().push_back(line);
  }
  for (const auto& run : runs) watch(run);
}

}  // namespace
