// Every topology in examples/, examples/faults/, tests/topologies/ and the complete example of
// docs/topology-format.md through halvex-host, each output compared whole with its file in
// tests/expected/<topology>/. To rewrite those files from this build instead:
// HALVEX_UPDATE_EXPECTED=1 ctest -R Golden
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "HostTest.h"
#include "tests/support/NamedCase.h"
#include "tests/support/TraceLog.h"

namespace {

namespace fs = std::filesystem;

const std::string kSource = fs::path(HALVEX_EXAMPLES_DIR).parent_path().string();

struct Topology {
  std::string name;  // also the folder of its expected files
  std::string path;
};
ROW_PRINTS_AS_ITS_NAME(Topology)

std::vector<Topology> topologies() {
  std::vector<Topology> found;
  for (const char* folder : {"examples", "examples/faults", "tests/topologies"}) {
    for (const auto& entry : fs::directory_iterator(kSource + "/" + folder)) {
      if (entry.path().extension() == ".json") {
        found.push_back({entry.path().stem().string(), entry.path().string()});
      }
    }
  }
  found.push_back({"topology-format-doc", kSource + "/docs/topology-format.md"});
  std::sort(found.begin(), found.end(),
            [](const Topology& a, const Topology& b) { return a.name < b.name; });
  return found;
}

// What differs from run to run or machine to machine: the diagnosis's times and the folders.
std::string masked(std::string text, const std::string& workDir) {
  static const std::regex times(
      R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(?:Z|[+-]\d\d:\d\d))"
      R"(|("durationSeconds": |"finishedAt": )[0-9.e+-]+)"
      R"(|(halvex_run_duration_seconds )\d+\.\d{6}|(halvex_last_run_timestamp_seconds )\d+)");
  text = std::regex_replace(text, times, "$1$2$3(time)");
  for (const auto& [folder, name] : {std::pair{workDir, "(work)"}, {kSource, "(source)"}}) {
    for (auto at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
      text.replace(at, folder.size(), name);
    }
  }
  return text;
}

class GoldenTest : public HostTest, public ::testing::WithParamInterface<Topology> {
 protected:
  // Each output by the name of its expected file; a log that was not written is left out.
  std::map<std::string, std::string> outputs() {
    std::string topology = GetParam().path;
    if (fs::path(topology).extension() == ".md") {
      // The document's first JSON block, so that the document cannot drift from the format; its
      // device nodes, /dev/bus/usb/001/00N, become empty files nN here.
      const std::string text = readFile(topology);
      const std::size_t start = text.find("```json\n") + 8;
      const std::string example = text.substr(start, text.find("```", start) - start);
      for (const char* node : {"n1", "n2"}) dir.write(node, "");
      topology = dir.write("example.json",
                           std::regex_replace(example, std::regex("/dev/bus/usb/001/00"), "n"));
    }
    const std::string logs = dir.makeDir("log");
    const std::string config = dir.makeDir("package") + "/package.cfg";
    std::map<std::string, std::string> files;
    std::string runs;
    for (const auto& [file, command] :
         std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"list.txt", {"--no-log", "list"}},
             {"list.json", {"--no-log", "list", "--json"}},
             {"list-tree.txt", {"list", "--tree", "--no-log"}},  // global options may come last
             {"diagnose.txt", {"--package-config", config, "diagnose"}},
             {"diagnose.json", {"--no-log", "diagnose", "--json"}},
             {"diagnose.prom", {"--no-log", "diagnose", "--prometheus", "-"}},
             {"ports.txt", {"--no-log", "ports"}},
             {"ports.json", {"--no-log", "ports", "--json"}},
             {"snapshot.json", {"--no-log", "snapshot"}}}) {
      std::vector<std::string> arguments = command;
      arguments.insert(arguments.end(), {"--topology", topology});
      const HostRun run = host(arguments);
      files[file] = masked(run.out, dir.path());
      runs += file + ": exit status " + std::to_string(run.exitStatus) + "\n" +
              masked(run.err, dir.path());
    }
    files["runs.txt"] = runs;
    for (const char* log : {"HalvexDeviceEnumerator.log", "HalvexDiagnostic.log"}) {
      if (fileExists(logs + "/" + log)) {
        files[log] = masked(maskStamps(readTraceFile(logs + "/" + log)), dir.path());
      }
    }
    return files;
  }
};

TEST_P(GoldenTest, OutputsAndLogsAreTheExpectedOnes) {
  const fs::path expected = kSource + "/tests/expected/" + GetParam().name;
  const std::map<std::string, std::string> actual = outputs();
  const char* update = std::getenv("HALVEX_UPDATE_EXPECTED");
  if (update != nullptr && std::string(update) == "1") {
    fs::remove_all(expected);
    fs::create_directories(expected);
    for (const auto& [file, text] : actual)
      std::ofstream(expected / file, std::ios::binary) << text;
    return;
  }
  std::map<std::string, std::string> stored;
  for (const auto& entry : fs::directory_iterator(expected)) {
    stored[entry.path().filename().string()] = readFile(entry.path().string());
  }
  for (const auto& [file, text] : stored) {
    const auto found = actual.find(file);
    EXPECT_EQ(found == actual.end() ? "(not written)" : found->second, text) << file;
  }
  for (const auto& [file, text] : actual) EXPECT_EQ(stored.count(file), 1u) << file << " written";
}

INSTANTIATE_TEST_SUITE_P(Topologies, GoldenTest, ::testing::ValuesIn(topologies()),
                         [](const ::testing::TestParamInfo<Topology>& info) {
                           return std::regex_replace(info.param.name, std::regex("[^A-Za-z0-9]"),
                                                     "_");
                         });

}  // namespace
