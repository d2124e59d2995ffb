// diagnose --prometheus: the textfile-collector file, in the exposition format's exact shape.
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "HostTest.h"

namespace {

// The samples of the hubs' and ports' own status.
struct PortSeries {
  std::vector<std::string> overCurrent, latched, events, hubLevel;
};

PortSeries operator+(PortSeries one, const PortSeries& other) {
  for (auto part : {&PortSeries::overCurrent, &PortSeries::latched, &PortSeries::events,
                    &PortSeries::hubLevel}) {
    (one.*part).insert((one.*part).end(), (other.*part).begin(), (other.*part).end());
  }
  return one;
}

// A hub whose ports 1 to ports answer, none latched or counted, the port hotPort alone in
// over-current; hub is its labels without the braces.
PortSeries hubSeries(const std::string& hub, int ports, int hotPort = 0) {
  PortSeries series;
  for (int port = 1; port <= ports; ++port) {
    const std::string labels = "{" + hub + ",port=\"" + std::to_string(port) + "\"} ";
    series.overCurrent.push_back("halvex_port_overcurrent" + labels +
                                 (port == hotPort ? "1" : "0"));
    series.latched.push_back("halvex_port_overcurrent_latched" + labels + "0");
  }
  series.hubLevel.push_back("halvex_hub_level_overcurrent{" + hub + "} 0");
  return series;
}

// The whole file: each family's HELP and TYPE lines, then its samples; the run's duration and
// end time vary and are checked apart.
std::string metricsFile(const std::vector<std::string>& overCurrent,
                        const std::vector<std::string>& verdict, const PortSeries& ports,
                        int success) {
  std::string text;
  for (const auto& [name, samples] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"halvex_hub_overcurrent", overCurrent},
           {"halvex_hub_verdict", verdict},
           {"halvex_port_overcurrent", ports.overCurrent},
           {"halvex_port_overcurrent_latched", ports.latched},
           {"halvex_port_overcurrent_events_total", ports.events},
           {"halvex_hub_level_overcurrent", ports.hubLevel},
           {"halvex_run_success", {"halvex_run_success " + std::to_string(success)}},
           {"halvex_run_duration_seconds", {"halvex_run_duration_seconds *"}},
           {"halvex_last_run_timestamp_seconds", {"halvex_last_run_timestamp_seconds *"}}}) {
    const char* type = name == "halvex_port_overcurrent_events_total" ? "counter" : "gauge";
    text += "# HELP " + name + " *\n# TYPE " + name + " " + type + "\n";
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
                   hubSeries(R"(hub="Hot",location="usb2")", 2, 2) +
                       hubSeries(R"(hub="USB Hub",location="usb1-4")", 2) +
                       hubSeries(R"(hub="Hub \"A\" \\ 1",location="usb3")", 2),
                   0)},
      {"a clean run", on(clean, {"diagnose", "--prometheus", file}), 0,
       metricsFile({R"(halvex_hub_overcurrent{hub="Clean",location="usb1"} 0)"},
                   {R"(halvex_hub_verdict{hub="Clean",location="usb1"} 1)"},
                   hubSeries(R"(hub="Clean",location="usb1")", 2), 1)},
      // Monitoring must see a run that could not be made, not an old file.
      {"a run that could not be made", noModule, 3, metricsFile({}, {}, {}, 0)},
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
                                   {R"(halvex_hub_verdict{hub="Clean",location="usb1"} 1)"},
                                   hubSeries(R"(hub="Clean",location="usb1")", 2), 1) +
                           "HUB    LOCATION  VERDICT          CODE  STARTED*COMPLETED*NOTE\n"
                           "Clean  usb1      no over-current  111   *  *  -\n"
                           "Summary: 1 hub checked, 1 without over-current, 0 in over-current, 0 "
                           "without verdict.\n"))
      << run.out;
  EXPECT_FALSE(fileExists(dir.file("-")));
}

#if !defined(_WIN32)
// The port-level families on the example of over-current per port, and Debian's promtool on the
// file and on the bundled alerting rules.
TEST_F(HostPrometheusTest, PortSeriesAndRulesPassPromtool) {
  if (std::system("command -v promtool >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "promtool is not installed: scripts/install-deps installs Debian's prometheus";
  }
  const std::string file = dir.file("halvex.prom");
  ASSERT_EQ(host(on(HALVEX_EXAMPLES_DIR "/port-status.json", {"diagnose", "--prometheus", file}))
                .exitStatus,
            2);
  const std::string text = readFile(file);
  const std::size_t from = text.find("# HELP halvex_port_overcurrent_events_total");
  const std::size_t to = text.find("# HELP halvex_run_success");
  ASSERT_LT(from, to) << text;
  EXPECT_TRUE(matches(
      text.substr(from, to - from),
      "# HELP halvex_port_overcurrent_events_total *\n"
      "# TYPE halvex_port_overcurrent_events_total counter\n"
      R"x(halvex_port_overcurrent_events_total{hub="USB Root Hub (USB 3.0)",location="usb2",port="3"} 3)x"
      "\n# HELP halvex_hub_level_overcurrent *\n"
      "# TYPE halvex_hub_level_overcurrent gauge\n"
      R"x(halvex_hub_level_overcurrent{hub="USB Root Hub",location="usb1"} 0)x"
      "\n"
      R"x(halvex_hub_level_overcurrent{hub="USB Hub",location="1-1"} 1)x"
      "\n"
      R"x(halvex_hub_level_overcurrent{hub="USB Root Hub (USB 3.0)",location="usb2"} 0)x"
      "\n"
      R"x(halvex_hub_level_overcurrent{hub="USB Hub",location="2-2"} 0)x"
      "\n"))
      << text;
  EXPECT_NE(
      text.find(
          R"x(halvex_port_overcurrent{hub="USB Root Hub (USB 3.0)",location="usb2",port="1"} 1)x"),
      std::string::npos);
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
