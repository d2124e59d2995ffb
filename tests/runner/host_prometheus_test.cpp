// diagnose --prometheus FILE: a run replaces the file whole; what the file holds is compared by
// host_golden_test.cpp and host_runs.txt through --prometheus -.
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "HostTest.h"

namespace {

using HostPrometheusTest = HostTest;

TEST_F(HostPrometheusTest, ARunReplacesTheFileAndLeavesNoTemporaryFile) {
  const std::string file = dir.write("textfile/halvex.prom", "stale content\n");
  EXPECT_EQ(host(on(machine(cleanHub), {"diagnose", "--prometheus", file})).exitStatus, 0);
  const std::string text = readFile(file);
  EXPECT_EQ(text.rfind("# HELP halvex_hub_overcurrent ", 0), 0u) << text;
  const std::size_t stamp = text.rfind("_timestamp_seconds ") + 19;
  EXPECT_NEAR(std::stod(text.substr(stamp)), static_cast<double>(std::time(nullptr)), 120.0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("textfile")), {}), 1);
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
