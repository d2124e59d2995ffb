// What the host says when it cannot do its job or is called wrongly.
#include <sstream>

#include "HostTest.h"

namespace {

// The loader's own reason for a module file that is not there.
#if defined(_WIN32)
const char* const kNoModuleFileReason = "(Windows error 126)";  // ERROR_MOD_NOT_FOUND
#else
const char* const kNoModuleFileReason = "No such file or directory";
#endif

using HostLoadingTest = HostTest;

// Every command meets a module, a topology file and a device list that fail it.
TEST_F(HostLoadingTest, FailuresGiveOneLineAndStatus3) {
  const auto load = [hub = machine(cleanHub)](const std::string& module,
                                              std::vector<std::string> command) {
    command.insert(command.begin(), {"--module", module, "--topology", hub});
    return command;
  };
  const std::string missingModule = dir.file("missing/libhalvex.so");
  const std::string notALibrary = dir.write("not-a-library.so", "plain text\n");
  const std::string missing = dir.file("missing.json");
  const std::string broken = dir.write("broken.json", "{\"devices\": [\n  {\"type\": }\n");
  const std::string failing = HALVEX_EXAMPLES_DIR "/faults/enumeration-fails.json";
  const std::string noList = "halvex-host: cannot read the USB device list (simulated backend): ";
  expectRuns({
      {"module path that does not exist", load(missingModule, {"list"}), 3, "",
       "halvex-host: cannot load module " + missingModule + ": *" + kNoModuleFileReason + "\n"},
      {"module that is no shared library", load(notALibrary, {"list", "--tree"}), 3, "",
       "halvex-host: cannot load module " + notALibrary + ": *\n"},
      {"library without the exports", load(NOT_A_MODULE, {"diagnose"}), 3, "",
       "halvex-host: module " NOT_A_MODULE " does not export setPackageConfigFile: *\n"},
      {"library without getIDiagnostics", load(NO_DIAGNOSTICS_LIBRARY, {"list"}), 3, "",
       "halvex-host: module " NO_DIAGNOSTICS_LIBRARY " does not export getIDiagnostics: *\n"},
      {"watch without a module", load(missingModule, {"diagnose", "--watch", "1"}), 3, "",
       "halvex-host: cannot load module " + missingModule + ": *\n"},
      {"topology file that does not exist", on(missing, {"diagnose"}), 3, "",
       "halvex-host: cannot read topology file " + missing + ": No such file or directory\n"},
      {"topology that is a directory", on(dir.path(), {"list", "--tree"}), 3, "",
       "halvex-host: cannot read topology file " + dir.path() + ": it is a directory\n"},
      {"topology that is no JSON", on(broken, {"list"}), 3, "", noList + broken + ":2:*\n"},
      {"library failing to collect the devices", on(failing, {"diagnose"}), 3, "",
       noList + failing +
           ": getAllUSBDevices fails as the topology asks: the USB host controller stopped "
           "responding\n"},
      {"no command", {}, 3, "", "halvex-host: A subcommand is required\n"},
      {"no hub at all",
       on(machine(R"({"name": "Mouse", "location": "usb1-1"})", "mouse.json"), {"ports"}), 3, "",
       "halvex-host: no hub that the over-current test checks\n"},
      {"no hub at the location", on(machine(cleanHub), {"ports", "--location", "usb7"}), 3, "",
       "halvex-host: no hub that the over-current test checks is at usb7\n"},
  });
}

// One command line a line, '' for an empty argument, then " -> " and what follows "halvex-host: "
// in the one line on stderr; "*" stands for any characters.
constexpr const char* kMisuses = R"(
--no-log inventory -> Unknown command: inventory (the commands are list, diagnose, ports and snapshot)
list --tree --json -> --tree excludes --json
diagnose --watch 0 -> --watch: SECONDS must be a whole number from 1 to 999999999, not "0"
diagnose --watch soon -> --watch: SECONDS must be a whole number from 1 to 999999999, not "soon"
diagnose --watch 1000000000 -> --watch: SECONDS must be a whole number from 1 to 999999999, not "1000000000"
--module -> --module: 1 required PATH missing
--module '' list -> --module: the path is empty
--package-config '' list -> --package-config: the path is empty
--topology '' list -> --topology: the path is empty
diagnose --prometheus '' -> --prometheus: the path is empty
list --id 1d6b0 -> --id: expected VVVV or VVVV:PPPP in hexadecimal, not "1d6b0"
list --id 1d6b: -> --id: *
list --id usb1 -> --id: *
ports --location '' -> --location: the location is empty
snapshot '' -> FILE: the path is empty
)";

TEST_F(HostLoadingTest, MisusesGiveOneLineAndStatus3) {
  std::vector<std::string> lines;
  std::istringstream text(kMisuses);
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  std::vector<ExpectedRun> runs;
  for (const std::string& line : lines) {
    const std::size_t arrow = line.find(" -> ");
    if (arrow == std::string::npos) continue;
    std::istringstream words(line.substr(0, arrow));
    std::vector<std::string> arguments;
    for (std::string word; words >> word;) arguments.push_back(word == "''" ? "" : word);
    runs.push_back(
        {line.c_str(), arguments, 3, "", "halvex-host: " + line.substr(arrow + 4) + "\n"});
  }
  expectRuns(runs);
}

}  // namespace
