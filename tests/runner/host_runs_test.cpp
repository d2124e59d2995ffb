// Each command line of host_runs.txt through halvex-host in a copy of runs/, every outcome and then
// what the folder holds compared whole with tests/expected/host-runs/runs.txt (host-runs-windows/
// for a Windows build, without the FIFO, the device node and the links). To rewrite that file from
// this build instead: HALVEX_UPDATE_EXPECTED=1 ctest -R HostRuns
#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "../support/ExpectedFiles.h"
#include "HostOutputs.h"
#include "HostTest.h"

namespace {

namespace fs = std::filesystem;

// Every path in folder, in order: a link with its target, a regular file with its first line.
std::string listing(const std::string& folder) {
  std::set<std::string> lines;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string line = entry.path().lexically_relative(folder).generic_string(), first;
    if (entry.is_symlink()) {
      line += " -> " + fs::read_symlink(entry.path()).generic_string();
    } else if (entry.is_regular_file()) {
      std::getline(std::ifstream(entry.path()), first);
      line += first.empty() ? "" : ": " + first.substr(0, first.find('\r'));
    } else {
      line += entry.is_directory() ? "/" : ": no regular file";
    }
    lines.insert(line + "\n");
  }
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

TEST(HostRuns, OutcomesAreTheExpectedOnes) {
  const TempDir dir;
  fs::copy(HALVEX_SOURCE_DIR "/tests/runner/runs", dir.path(), fs::copy_options::recursive);
  dir.makeDir("textfile");
  // A device node outside the listed folder: /dev/null's numbers under a name of our own, so that
  // a root's run never puts the machine's /dev/null at stake; others cannot replace /dev/null.
  const TempDir nodes;
  std::string node = "/dev/null";
#if !defined(_WIN32)
  if (mknod(nodes.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
    node = nodes.file("null");
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
  for (const char* link : {"prom", "snapshot"}) {
    fs::create_symlink(std::string("../real/") + link, dir.makeDir("links") + "/" + link);
  }
#endif
  // Longer paths first: the libraries are in the build folder, within the source folder.
  const Names names = {{node, "(null)"},
                       {NOT_A_MODULE, "(not-a-module)"},
                       {NO_DIAGNOSTICS_LIBRARY, "(no-diagnostics)"},
                       {dir.path(), "(work)"},
                       {inJson(dir.path()), "(work)"},
                       {HALVEX_SOURCE_DIR, "(source)"}};
  std::string runs;
  for (const std::string& line : caseLines("tests/runner/host_runs.txt")) {
#if defined(_WIN32)
    if (std::regex_search(line, std::regex(R"(\(null\)|\(work\)/(fifo|links))"))) continue;
#endif
    HostProcess process(commandWords(line, names), dir.path());
    const int status = process.wait();
    runs += "$ " + line + "\n" + masked(process.out(), names) + "-- exit status " +
            std::to_string(status) + ", then stderr:\n" + masked(process.err(), names) + "\n";
  }
  runs += "-- the folder then:\n" + listing(dir.path());
#if !defined(_WIN32)
  EXPECT_TRUE(fs::is_character_file(node)) << node << " is no longer a device node";
#endif
#if defined(_WIN32)
  expectStoredFiles("host-runs-windows", {{"runs.txt", runs}});
#else
  expectStoredFiles("host-runs", {{"runs.txt", runs}});
#endif
}

}  // namespace
