// diagnose --prometheus: the textfile-collector file, in the exposition format's exact shape.
#include <ctime>
#include <filesystem>

#include "HostTest.h"

namespace {

// The whole file: each gauge's HELP and TYPE lines, then its samples; the run's duration and end
// time vary and are checked apart.
std::string metricsFile(const std::vector<std::string>& overCurrent,
                        const std::vector<std::string>& verdict, int success) {
  std::string text;
  for (const auto& [name, samples] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"halvex_hub_overcurrent", overCurrent},
           {"halvex_hub_verdict", verdict},
           {"halvex_run_success", {"halvex_run_success " + std::to_string(success)}},
           {"halvex_run_duration_seconds", {"halvex_run_duration_seconds *"}},
           {"halvex_last_run_timestamp_seconds", {"halvex_last_run_timestamp_seconds *"}}}) {
    text += "# HELP " + name + " *\n# TYPE " + name + " gauge\n";
    for (const std::string& sample : samples) text += sample + "\n";
  }
  return text;
}

using HostPrometheusTest = HostTest;

TEST_F(HostPrometheusTest, GaugesPerHubAndForTheRunReplaceTheFile) {
  // A root hub keeps the library's name, so the label escaping gets a real workout.
  const std::string mixed = machine(hotHub + "," + goneHub + R"(, {"type": "root-hub",
      "name": "Hub \"A\" \\ 1", "location": "usb3", "ports": 2, "devicePath": "n3"})",
                                    "mixed.json");
  const std::string clean = machine(cleanHub, "clean.json");
  const std::string folder = dir.makeDir("textfile");
  const std::string file = folder + "/halvex.prom";
  const std::vector<std::string> noModule = {"--module", "missing.so", "diagnose", "--prometheus",
                                             file};
  const struct {
    const char* what;
    std::vector<std::string> arguments;
    int exitStatus;
    std::string metrics;
  } runs[] = {
      {"hubs with and without verdict", on(mixed, {"diagnose", "--prometheus", file}), 2,
       metricsFile({R"(halvex_hub_overcurrent{hub="Hot",location="usb2"} 1)",
                    R"(halvex_hub_overcurrent{hub="Hub \"A\" \\ 1",location="usb3"} 0)"},
                   {R"(halvex_hub_verdict{hub="Hot",location="usb2"} 1)",
                    R"(halvex_hub_verdict{hub="USB Hub",location="usb1-4"} 0)",
                    R"(halvex_hub_verdict{hub="Hub \"A\" \\ 1",location="usb3"} 1)"},
                   0)},
      {"a clean run", on(clean, {"diagnose", "--prometheus", file}), 0,
       metricsFile({R"(halvex_hub_overcurrent{hub="Clean",location="usb1"} 0)"},
                   {R"(halvex_hub_verdict{hub="Clean",location="usb1"} 1)"}, 1)},
      // Monitoring must see a run that could not be made, not an old file.
      {"a run that could not be made", noModule, 3, metricsFile({}, {}, 0)},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.what);
    dir.write("textfile/halvex.prom", "stale content\n");
    EXPECT_EQ(host(run.arguments).exitStatus, run.exitStatus);
    const std::string text = readFile(file);
    EXPECT_TRUE(matches(text, run.metrics)) << text;
    EXPECT_TRUE(
        std::regex_search(text, std::regex("\nhalvex_run_duration_seconds \\d+\\.\\d{6}\n")));
    std::smatch end;
    ASSERT_TRUE(std::regex_search(text, end, std::regex("_timestamp_seconds (\\d+)\n$"))) << text;
    EXPECT_NEAR(std::stod(end[1]), static_cast<double>(std::time(nullptr)), 120.0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1)
        << "no temporary file is left behind";
  }
}

TEST_F(HostPrometheusTest, DashWritesTheMetricsToStandardOutputBeforeTheReport) {
  const HostRun run = host(on(machine(cleanHub), {"diagnose", "--prometheus", "-"}));
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_TRUE(
      matches(run.out, metricsFile({R"(halvex_hub_overcurrent{hub="Clean",location="usb1"} 0)"},
                                   {R"(halvex_hub_verdict{hub="Clean",location="usb1"} 1)"}, 1) +
                           "HUB    LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
                           "Clean  usb1      no over-current  111   *  *  -\n"
                           "Summary: 1 hub checked, 1 without over-current, 0 in over-current, 0 "
                           "without verdict.\n"))
      << run.out;
  EXPECT_FALSE(fileExists(dir.file("-")));
}

}  // namespace
