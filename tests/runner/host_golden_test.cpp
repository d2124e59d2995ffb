// Every topology in examples/, examples/faults/, tests/topologies/ and the complete example of
// docs/topology-format.md through halvex-host, each output compared whole with its file in
// tests/expected/<topology>/; a snapshot of each example replays as the same machine, every output
// and log alike. To rewrite those files from this build: HALVEX_UPDATE_EXPECTED=1 ctest -R Golden
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "../support/ExpectedFiles.h"
#include "HostOutputs.h"
#include "HostTest.h"
#include "tests/support/NamedCase.h"

namespace {

namespace fs = std::filesystem;

struct Topology {
  std::string name;  // also the folder of its expected files
  std::string path;
  bool replays;  // a bundled example, whose snapshot must give the same outputs
};
ROW_PRINTS_AS_ITS_NAME(Topology)

std::vector<Topology> topologies() {
  std::vector<Topology> found;
  for (const char* folder : {"examples", "examples/faults", "tests/topologies"}) {
    for (const auto& entry : fs::directory_iterator(HALVEX_SOURCE_DIR "/" + std::string(folder))) {
      if (entry.path().extension() == ".json") {
        found.push_back({entry.path().stem().string(), entry.path().string(),
                         std::string(folder) == "examples"});
      }
    }
  }
  found.push_back({"topology-format-doc", HALVEX_SOURCE_DIR "/docs/topology-format.md", false});
  std::sort(found.begin(), found.end(),
            [](const Topology& a, const Topology& b) { return a.name < b.name; });
  return found;
}

class GoldenTest : public ::testing::TestWithParam<Topology> {
 protected:
  TempDir dir;
};

TEST_P(GoldenTest, OutputsAndLogsAreTheExpectedOnes) {
  std::string topology = GetParam().path;
  if (fs::path(topology).extension() == ".md") {
    // The document's first JSON block, so that the document cannot drift from the format; its
    // device nodes, /dev/bus/usb/001/00N, become empty files nN here.
    const std::string text = readFile(topology);
    const std::size_t start = text.find("```json\n") + 8;
    const std::string example = text.substr(start, text.find("```", start) - start);
    for (const char* node : {"n1", "n2"}) dir.write(node, "");
    topology = dir.write("example.json", masked(example, {{"/dev/bus/usb/001/00", "n"}}));
  }
  const std::map<std::string, std::string> outputs = hostOutputs(dir, {"--topology", topology});
  expectStoredFiles(GetParam().name, outputs);
  if (!GetParam().replays) return;
  const std::string snapshot = dir.file("snapshot.json");
  ASSERT_EQ(
      HostProcess({"--no-log", "--topology", topology, "snapshot", snapshot}, dir.path()).wait(),
      0);
  const TempDir replay;
  EXPECT_EQ(hostOutputs(replay, {"--topology", snapshot}), outputs);
}

INSTANTIATE_TEST_SUITE_P(Topologies, GoldenTest, ::testing::ValuesIn(topologies()),
                         [](const ::testing::TestParamInfo<Topology>& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
