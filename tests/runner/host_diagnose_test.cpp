// halvex-host diagnose when its output cannot be written or its module not loaded; the reports
// themselves are compared whole by host_golden_test.cpp.
#include <nlohmann/json.hpp>

#include "HostTest.h"

namespace {

using nlohmann::json;
using HostDiagnoseTest = HostTest;

const std::string kTopologies = HALVEX_EXAMPLES_DIR "/../tests/topologies/";

// The exit status of the worst verdict and of an unwritable metrics file, whichever ranks first.
TEST_F(HostDiagnoseTest, AnUnwritableMetricsFileRanksBelowOverCurrentOnly) {
  const std::string metrics = dir.file("no-such-directory/halvex.prom");
  const std::pair<std::string, int> runs[] = {
      {HALVEX_EXAMPLES_DIR "/desktop.json", 3},
      {kTopologies + "unasked-port.json", 3},
      {kTopologies + "over-current-and-no-verdict.json", 2},
  };
  for (const auto& [topology, exitStatus] : runs) {
    SCOPED_TRACE(topology);
    const HostRun run = host(on(topology, {"diagnose", "--prometheus", metrics}));
    EXPECT_EQ(run.exitStatus, exitStatus);
    EXPECT_TRUE(matches(run.err, "halvex-host: cannot write " + metrics + ": *\n")) << run.err;
  }
}

// The document and the exit status agree, and the one line on stderr is the document's error.
TEST_F(HostDiagnoseTest, JsonCarriesTheReasonForStatus3) {
  const struct {
    const char* what;
    std::vector<std::string> arguments;
    std::size_t hubs;
    const char* error;
  } runs[] = {
      {"no module",
       {"--module", dir.file("missing.so"), "diagnose", "--json"},
       0,
       "MODULE_LOAD_FAILED"},
      {"metrics file that cannot be written",
       on(HALVEX_EXAMPLES_DIR "/desktop.json",
          {"diagnose", "--json", "--prometheus", dir.file("missing/halvex.prom")}),
       2, "OUTPUT_WRITE_FAILED"},
  };
  for (const auto& expected : runs) {
    SCOPED_TRACE(expected.what);
    const HostRun run = host(expected.arguments);
    EXPECT_EQ(run.exitStatus, 3);
    const json report = json::parse(run.out);
    EXPECT_EQ(report["exitStatus"], 3);
    EXPECT_EQ(report["error"]["name"], expected.error);
    EXPECT_EQ(report["hubs"].size(), expected.hubs);
    EXPECT_EQ(run.err, "halvex-host: " + report["error"]["message"].get<std::string>() + "\n");
  }
}

}  // namespace
