// Each command line of host_runs.txt through halvex-host, every outcome compared whole with
// tests/expected/host-runs/runs.txt. To rewrite that file from this build instead:
// HALVEX_UPDATE_EXPECTED=1 ctest -R HostRuns
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ExpectedFiles.h"
#include "HostOutputs.h"
#include "HostTest.h"

namespace {

using HostRunsTest = HostTest;

TEST_F(HostRunsTest, OutcomesAreTheExpectedOnes) {
  machine(cleanHub);
  machine(R"({"name": "Mouse", "location": "usb1-1"})", "mouse.json");
  machine(R"({"type": "root-hub", "name": "Piped", "location": "usb1", "ports": 1,
      "devicePath": "fifo"})",
          "piped.json");
  dir.write("broken.json", "{\"devices\": [\n  {\"type\": }\n");
  dir.write("not-a-library.so", "plain text\n");
  dir.makeDir("textfile");
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Longer paths first: the libraries are in the build folder, within the source folder.
  const std::vector<std::pair<std::string, std::string>> names = {
      {NOT_A_MODULE, "(not-a-module)"},
      {NO_DIAGNOSTICS_LIBRARY, "(no-diagnostics)"},
      {dir.path(), "(work)"},
      {HALVEX_SOURCE_DIR, "(source)"}};
  std::ifstream lines(HALVEX_SOURCE_DIR "/tests/runner/host_runs.txt");
  std::string runs;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::vector<std::string> arguments;
    for (std::string word; words >> word;) {
      for (const auto& [path, name] : names) {
        if (word.rfind(name, 0) == 0) word.replace(0, name.size(), path);
      }
      arguments.push_back(word == "''" ? "" : word);
    }
    const HostRun run = host(arguments);
    runs += "$ " + line + "\n" + masked(run.out, names) + "-- exit status " +
            std::to_string(run.exitStatus) + ", then stderr:\n" + masked(run.err, names) + "\n";
  }
  expectStoredFiles("host-runs", {{"runs.txt", runs}});
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

}  // namespace
