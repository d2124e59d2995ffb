// diagnose --prometheus: the textfile-collector file, checked against the exposition format's
// rules here and by promtool where it is installed.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "HostTest.h"
#include "Topology.h"

namespace {

struct Sample {
  std::string name;
  std::string labels;  // as written, without the braces
  std::string value;
};

// Reads the file as node_exporter would: fails the test on any line that breaks the format.
std::vector<Sample> parseExposition(const std::string& text) {
  static const std::regex help(R"(# HELP ([a-zA-Z_:][a-zA-Z0-9_:]*) [^\n]*)");
  static const std::regex type(R"(# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (gauge|counter|untyped))");
  static const std::regex label(R"([a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|\\[\\"n])*")");
  static const std::regex sample(
      R"(([a-zA-Z_:][a-zA-Z0-9_:]*)(?:\{((?:[^}"]|"(?:[^"\\]|\\.)*")*)\})? (\S+))");
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n') << "the last line must end";
  std::set<std::string> helped, typed, sampled;
  std::vector<Sample> samples;
  for (const std::string& line : linesOf(text)) {
    SCOPED_TRACE(line);
    std::smatch match;
    if (std::regex_match(line, match, help)) {
      EXPECT_TRUE(helped.insert(match[1]).second) << "HELP given twice";
      EXPECT_EQ(sampled.count(match[1]), 0u) << "HELP after the samples";
    } else if (std::regex_match(line, match, type)) {
      EXPECT_TRUE(typed.insert(match[1]).second) << "TYPE given twice";
      EXPECT_EQ(sampled.count(match[1]), 0u) << "TYPE after the samples";
    } else if (std::regex_match(line, match, sample)) {
      Sample parsed{match[1], match[2], match[3]};
      EXPECT_EQ(typed.count(parsed.name), 1u) << "sample without TYPE";
      char* end = nullptr;
      std::strtod(parsed.value.c_str(), &end);
      EXPECT_EQ(*end, '\0') << "value is no number";
      if (!parsed.labels.empty()) {
        std::string rest = parsed.labels;
        for (std::smatch one; std::regex_search(rest, one, label) && one.position() == 0;) {
          rest = one.suffix();
          if (!rest.empty() && rest.front() == ',') rest.erase(0, 1);
        }
        EXPECT_EQ(rest, "") << "labels not well formed";
      }
      sampled.insert(parsed.name);
      samples.push_back(parsed);
    } else {
      ADD_FAILURE() << "line fits no form of the format";
    }
  }
  return samples;
}

std::map<std::string, std::string> valuesByKey(const std::vector<Sample>& samples) {
  std::map<std::string, std::string> values;
  for (const Sample& sample : samples) {
    const std::string key = sample.name + "{" + sample.labels + "}";
    EXPECT_TRUE(values.emplace(key, sample.value).second) << "series twice: " << key;
  }
  return values;
}

std::string findPromtool() {
  const char* path = std::getenv("PATH");
  std::string directories = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= directories.size();) {
    const std::size_t end = std::min(directories.find(':', start), directories.size());
    const std::string candidate = directories.substr(start, end - start) + "/promtool";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

class HostPrometheusTest : public HostTest {
 protected:
  std::string metricsFile() const { return dir.makeDir("textfile") + "/halvex.prom"; }

  void expectPromtoolAccepts(const std::string& file) const {
    const std::string promtool = findPromtool();
    if (promtool.empty()) return;
    const std::string command =
        promtool + " check metrics < '" + file + "' > '" + dir.file("promtool.out") + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << readFile(dir.file("promtool.out"));
  }

  std::vector<std::string> filesIn(const std::string& directory) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

TEST_F(HostPrometheusTest, GaugesPerHubAndForTheRun) {
  // The root hub keeps the library's name, so the label escaping gets a real workout.
  const std::string machine = topology::write(
      dir, {topology::rootHub(dir, "Hub \"A\" \\ 1", "usb1", 2, {{1, "key-1"}}),
            topology::rootHub(dir, "Root Hub B", "usb2", 2, {{1, "key-2", 2}}), [&] {
              nlohmann::json gone = topology::externalHub(dir, "Gone", "usb1-2", "usb1", 2, {});
              gone["devicePath"] = dir.file("no-such-node");
              return gone;
            }()});
  const std::string file = metricsFile();
  dir.write("textfile/halvex.prom", "stale content\n");
  const HostRun run = host({"--no-log", "--topology", machine, "diagnose", "--prometheus", file});
  EXPECT_EQ(run.exitStatus, 2) << run.err;
  const std::string text = readFile(file);
  const std::map<std::string, std::string> values = valuesByKey(parseExposition(text));
  const std::map<std::string, std::string> expected = {
      {R"(halvex_hub_overcurrent{hub="Hub \"A\" \\ 1",location="usb1"})", "0"},
      {R"(halvex_hub_overcurrent{hub="Root Hub B",location="usb2"})", "1"},
      {R"(halvex_hub_verdict{hub="Hub \"A\" \\ 1",location="usb1"})", "1"},
      {R"(halvex_hub_verdict{hub="Root Hub B",location="usb2"})", "1"},
      {R"(halvex_hub_verdict{hub="USB Hub",location="usb1-2"})", "0"},
      {"halvex_run_success{}", "0"},
  };
  for (const auto& [key, value] : expected) {
    ASSERT_EQ(values.count(key), 1u) << key << "\n" << text;
    EXPECT_EQ(values.at(key), value) << key;
  }
  EXPECT_EQ(values.count(R"(halvex_hub_overcurrent{hub="USB Hub",location="usb1-2"})"), 0u)
      << "a hub without verdict has no over-current value";
  EXPECT_GE(std::stod(values.at("halvex_run_duration_seconds{}")), 0.0);
  const double finished = std::stod(values.at("halvex_last_run_timestamp_seconds{}"));
  EXPECT_NEAR(finished, static_cast<double>(std::time(nullptr)), 120.0);
  EXPECT_EQ(filesIn(dir.file("textfile")), std::vector<std::string>{"halvex.prom"})
      << "no temporary file is left behind";
  expectPromtoolAccepts(file);
}

TEST_F(HostPrometheusTest, CleanRunIsASuccess) {
  const std::string machine =
      topology::write(dir, {topology::rootHub(dir, "Root Hub", "usb1", 2, {{1, "key-1"}})});
  const std::string file = metricsFile();
  ASSERT_EQ(host({"--no-log", "--topology", machine, "diagnose", "--prometheus", file}).exitStatus,
            0);
  const std::map<std::string, std::string> values = valuesByKey(parseExposition(readFile(file)));
  EXPECT_EQ(values.at("halvex_run_success{}"), "1");
  EXPECT_EQ(values.at(R"(halvex_hub_overcurrent{hub="Root Hub",location="usb1"})"), "0");
  expectPromtoolAccepts(file);
}

// Monitoring must see a run that could not be made, not an old file.
TEST_F(HostPrometheusTest, RunThatCouldNotBeMadeIsWrittenAsAFailure) {
  const std::string file = metricsFile();
  const HostRun run = host({"--module", dir.file("missing.so"), "diagnose", "--prometheus", file});
  EXPECT_EQ(run.exitStatus, 3);
  const std::map<std::string, std::string> values = valuesByKey(parseExposition(readFile(file)));
  EXPECT_EQ(values.at("halvex_run_success{}"), "0");
  for (const auto& [key, value] : values) EXPECT_EQ(key.rfind("halvex_hub_", 0), std::string::npos);
  expectPromtoolAccepts(file);
}

TEST_F(HostPrometheusTest, UnwritableFileIsReportedAndFailsTheRun) {
  const std::string machine =
      topology::write(dir, {topology::rootHub(dir, "Root Hub", "usb1", 2, {{1, "key-1"}})});
  const std::string file = dir.file("no-such-directory/halvex.prom");
  const HostRun run = host({"--no-log", "--topology", machine, "diagnose", "--prometheus", file});
  EXPECT_EQ(run.exitStatus, 3);
  ASSERT_EQ(linesOf(run.err).size(), 1u) << run.err;
  EXPECT_EQ(run.err.rfind("halvex-host: cannot write " + file + ": ", 0), 0u) << run.err;
}

}  // namespace
