#include "HostOutputs.h"

#include <cmath>
#include <ctime>
#include <regex>
#include <sstream>
#include <utility>

#include "HostTest.h"
#include "tests/support/ExpectedFiles.h"
#include "tests/support/TraceLog.h"

std::string masked(std::string text, Names names) {
  static const std::regex times(
      R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(?:Z|[+-]\d\d:\d\d))"
      R"(|("durationSeconds": |"finishedAt": )[0-9.e+-]+|(halvex_run_duration_seconds )\d+\.\d{6})");
  static const std::regex temporaryFile(R"(\.tmp\.\d+)");
  static const std::regex stamp(R"(halvex_last_run_timestamp_seconds (\d+))");
  text = std::regex_replace(std::regex_replace(text, times, "$1$2(time)"), temporaryFile,
                            ".tmp.(random)");
  std::smatch found;
  if (std::regex_search(text, found, stamp) &&
      std::abs(std::stod(found[1]) - static_cast<double>(std::time(nullptr))) < 120) {
    text.replace(found.position(1), found.length(1), "(time)");
  }
  names.emplace_back(HALVEX_SOURCE_DIR, "(source)");
  return withNames(text, names);
}

std::vector<std::string> commandWords(const std::string& line, const Names& names) {
  std::istringstream words(line);
  std::vector<std::string> arguments;
  for (std::string word; words >> word;) {
    for (const auto& [path, name] : names) {
      if (word.rfind(name, 0) == 0) word.replace(0, name.size(), path);
    }
    arguments.push_back(word == "''" ? "" : word);
  }
  return arguments;
}

std::map<std::string, std::string> hostOutputs(const TempDir& dir,
                                               const std::vector<std::string>& options) {
  const std::string logs = dir.makeDir("log");
  dir.makeDir("package");
  const Names work = {{dir.path(), "(work)"}};
  std::map<std::string, std::string> files;
  std::string runs;
  for (const std::string& line : caseLines("tests/runner/host_outputs.txt")) {
    const std::string file = line.substr(0, line.find(' '));
    std::vector<std::string> arguments = commandWords(line.substr(file.size()), work);
    arguments.insert(arguments.end(), options.begin(), options.end());
    HostProcess process(arguments, dir.path());
    const int status = process.wait();
    files[file] = masked(process.out(), work);
    runs += file + ": exit status " + std::to_string(status) + "\n" + masked(process.err(), work);
  }
  files["runs.txt"] = runs;
  for (const char* log : {"HalvexDeviceEnumerator.log", "HalvexDiagnostic.log"}) {
    if (fileExists(logs + "/" + log)) {
      files[log] = masked(maskStamps(readTraceFile(logs + "/" + log)), work);
    }
  }
  return files;
}
