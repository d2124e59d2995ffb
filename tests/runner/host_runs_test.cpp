// Each command line of host_runs.txt through halvex-host, every outcome compared whole with
// tests/expected/host-runs/runs.txt (host-runs-windows/ for a Windows build, without the FIFOs). To
// rewrite that file from this build instead: HALVEX_UPDATE_EXPECTED=1 ctest -R HostRuns
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <filesystem>
#include <sstream>

#include "../support/ExpectedFiles.h"
#include "HostOutputs.h"
#include "HostTest.h"

namespace {

using HostRunsTest = HostTest;

// path as a JSON string holds it: a Windows path's backslashes doubled.
std::string inJson(std::string path) {
  for (auto at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 2)) {
    path.insert(at, 1, '\\');
  }
  return path;
}

TEST_F(HostRunsTest, OutcomesAreTheExpectedOnes) {
  machine(cleanHub);
  machine(R"({"name": "Mouse", "location": "usb1-1"})", "mouse.json");
  machine(R"({"type": "root-hub", "name": "Piped", "location": "usb1", "ports": 1,
      "devicePath": "fifo"})",
          "piped.json");
  dir.write("broken.json", "{\"devices\": [\n  {\"type\": }\n");
  dir.write("not-a-library.so", "plain text\n");
  dir.makeDir("textfile");
#if !defined(_WIN32)
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
#endif
  // Longer paths first: the libraries are in the build folder, within the source folder.
  const std::vector<std::pair<std::string, std::string>> names = {
      {NOT_A_MODULE, "(not-a-module)"},
      {NO_DIAGNOSTICS_LIBRARY, "(no-diagnostics)"},
      {dir.path(), "(work)"},
      {inJson(dir.path()), "(work)"},
      {HALVEX_SOURCE_DIR, "(source)"}};
  std::string runs;
  for (const std::string& line : caseLines("tests/runner/host_runs.txt")) {
#if defined(_WIN32)
    if (line.find("(work)/fifo") != std::string::npos) continue;  // FIFOs are POSIX's
#endif
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
#if defined(_WIN32)
  expectStoredFiles("host-runs-windows", {{"runs.txt", runs}});
#else
  expectStoredFiles("host-runs", {{"runs.txt", runs}});
  EXPECT_TRUE(std::filesystem::is_fifo(dir.file("fifo")));
#endif
}

}  // namespace
