// halvex-host snapshot of a simulated machine, replayed with --topology.
#include <filesystem>
#include <regex>

#include "HostTest.h"
#include "tests/ludrel/StatusText.h"
#include "tests/support/Environment.h"

namespace {

// What the USB library answers of the topology's hubs and ports, asked in this process.
std::string portStatuses(const std::string& topology) {
  setEnvironment("LUDREL_TOPOLOGY", topology);
  const std::string text = statusText::ofMachine();
  unsetEnvironment("LUDREL_TOPOLOGY");
  return text;
}

// The text with every time in it, as a snapshot's comment and diagnose give them, made "TIME".
std::string timeless(const std::string& text) {
  return std::regex_replace(text, std::regex(R"(\d{4}-\d\d-\d\dT[\d:]+(Z|[+-][\d:]+))"), "TIME");
}

class HostSnapshotTest : public HostTest {};

// A snapshot reads back as the records it was taken of: snapshotted again it is the same file,
// the module lists and diagnoses the same devices, and hubs report the same port status.
TEST_F(HostSnapshotTest, EachBundledExampleReadsBackAsTheSameRecords) {
  for (const auto& file : std::filesystem::directory_iterator(HALVEX_EXAMPLES_DIR)) {
    if (file.path().extension() != ".json") continue;
    const std::string example = file.path().string();
    SCOPED_TRACE(example);
    const std::string snapshot = dir.file("snapshot.json");
    const HostRun written = host(on(example, {"snapshot", snapshot}));
    ASSERT_EQ(written.exitStatus, 0) << written.err;
    EXPECT_EQ(timeless(host(on(snapshot, {"snapshot"})).out), timeless(readFile(snapshot)));
    EXPECT_EQ(portStatuses(snapshot), portStatuses(example));
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"list", "--json"}, {"diagnose"}}) {
      EXPECT_EQ(timeless(host(on(snapshot, command)).out),
                timeless(host(on(example, command)).out));
    }
  }
}

}  // namespace
