// diagnose --prometheus FILE: each run replaces the file whole; what the file holds is compared by
// host_golden_test.cpp through --prometheus -.
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "HostTest.h"

namespace {

using HostPrometheusTest = HostTest;

TEST_F(HostPrometheusTest, EachRunReplacesTheFileAndLeavesNoTemporaryFile) {
  const std::string folder = dir.makeDir("textfile");
  const std::string file = folder + "/halvex.prom";
  const struct {
    std::vector<std::string> arguments;
    int exitStatus;
    const char* success;
  } runs[] = {
      {on(machine(cleanHub), {"diagnose", "--prometheus", file}), 0, "\nhalvex_run_success 1\n"},
      // Monitoring must see a run that could not be made, not an old file.
      {{"--module", "missing.so", "diagnose", "--prometheus", file}, 3, "\nhalvex_run_success 0\n"},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.exitStatus);
    dir.write("textfile/halvex.prom", "stale content\n");
    EXPECT_EQ(host(run.arguments).exitStatus, run.exitStatus);
    const std::string text = readFile(file);
    EXPECT_EQ(text.rfind("# HELP halvex_hub_overcurrent ", 0), 0u) << text;
    EXPECT_NE(text.find(run.success), std::string::npos) << text;
    const std::size_t stamp = text.rfind("_timestamp_seconds ") + 19;
    EXPECT_NEAR(std::stod(text.substr(stamp)), static_cast<double>(std::time(nullptr)), 120.0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
  }
}

#if !defined(_WIN32)
// Debian's promtool on a file with every family, port series included, and on the bundled rules.
TEST_F(HostPrometheusTest, MetricsAndRulesPassPromtool) {
  if (std::system("command -v promtool >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "promtool is not installed: scripts/install-deps installs Debian's prometheus";
  }
  const std::string file = dir.file("halvex.prom");
  ASSERT_EQ(host(on(HALVEX_EXAMPLES_DIR "/port-status.json", {"diagnose", "--prometheus", file}))
                .exitStatus,
            2);
  const std::string said = dir.file("promtool.out");
  for (const std::string& check :
       {"check metrics < '" + file + "'",
        std::string("check rules '" HALVEX_EXAMPLES_DIR "/prometheus/halvex-rules.yml'")}) {
    SCOPED_TRACE(check);
    EXPECT_EQ(std::system(("promtool " + check + " >'" + said + "' 2>&1").c_str()), 0)
        << readFile(said);
  }
}
#endif

}  // namespace
