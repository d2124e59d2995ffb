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

namespace {

namespace fs = std::filesystem;

// The topology files of examples/, examples/faults/ and tests/topologies/, and the document.
std::vector<std::string> topologies() {
  std::vector<std::string> found = {HALVEX_SOURCE_DIR "/docs/topology-format.md"};
  for (const char* folder : {"examples", "examples/faults", "tests/topologies"}) {
    for (const auto& entry : fs::directory_iterator(HALVEX_SOURCE_DIR "/" + std::string(folder))) {
      if (entry.path().extension() == ".json") found.push_back(entry.path().string());
    }
  }
  return found;
}

// The folder of a topology's expected files: its name, the document's with "-doc".
std::string folderOf(const fs::path& topology) {
  return topology.stem().string() + (topology.extension() == ".md" ? "-doc" : "");
}

class GoldenTest : public ::testing::TestWithParam<std::string> {
 protected:
  TempDir dir;
};

TEST_P(GoldenTest, OutputsAndLogsAreTheExpectedOnes) {
  std::string topology = GetParam();
  if (fs::path(topology).extension() == ".md") {
    // The document's first JSON block, so that the document cannot drift from the format; its
    // device nodes, /dev/bus/usb/001/00N, become empty files nN here.
    const std::string text = readFile(topology);
    const std::size_t start = text.find("```json\n") + 8;
    const std::string example = text.substr(start, text.find("```", start) - start);
    for (const char* node : {"n1", "n2"}) dir.write(node, "");
    topology = dir.write("example.json", withNames(example, {{"/dev/bus/usb/001/00", "n"}}));
  }
  const std::map<std::string, std::string> outputs = hostOutputs(dir, {"--topology", topology});
  expectStoredFiles(folderOf(GetParam()), outputs);
  // A bundled example's snapshot must give the same outputs.
  if (fs::path(GetParam()).parent_path().filename() != "examples") return;
  const std::string snapshot = dir.file("snapshot.json");
  ASSERT_EQ(
      HostProcess({"--no-log", "--topology", topology, "snapshot", snapshot}, dir.path()).wait(),
      0);
  const TempDir replay;
  EXPECT_EQ(hostOutputs(replay, {"--topology", snapshot}), outputs);
}

INSTANTIATE_TEST_SUITE_P(Topologies, GoldenTest, ::testing::ValuesIn(topologies()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = folderOf(info.param);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
