// What the host says when it cannot do its job or is called wrongly, and its help.
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
  const std::string wholeSeconds =
      "halvex-host: --watch: SECONDS must be a whole number from 1 to 999999999, not \"";
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
      {"unknown command",
       {"--no-log", "inventory"},
       3,
       "",
       "halvex-host: Unknown command: inventory (the commands are list, diagnose, ports and "
       "snapshot)\n"},
      {"tree with JSON",
       {"list", "--tree", "--json"},
       3,
       "",
       "halvex-host: --tree excludes --json\n"},
      {"watch 0", {"diagnose", "--watch", "0"}, 3, "", wholeSeconds + "0\"\n"},
      {"watch soon", {"diagnose", "--watch", "soon"}, 3, "", wholeSeconds + "soon\"\n"},
      {"watch too long",
       {"diagnose", "--watch", "1000000000"},
       3,
       "",
       wholeSeconds + "1000000000\"\n"},
      {"option without value",
       {"--module"},
       3,
       "",
       "halvex-host: --module: 1 required PATH missing\n"},
      {"empty module path",
       {"--module", "", "list"},
       3,
       "",
       "halvex-host: --module: the path is empty\n"},
      {"empty package configuration path",
       {"--package-config", "", "list"},
       3,
       "",
       "halvex-host: --package-config: the path is empty\n"},
      {"empty topology path",
       {"--topology", "", "list"},
       3,
       "",
       "halvex-host: --topology: the path is empty\n"},
      {"empty metrics path",
       {"diagnose", "--prometheus", ""},
       3,
       "",
       "halvex-host: --prometheus: the path is empty\n"},
      {"ID with five digits",
       {"list", "--id", "1d6b0"},
       3,
       "",
       "halvex-host: --id: expected VVVV or VVVV:PPPP in hexadecimal, not \"1d6b0\"\n"},
      {"ID without its product", {"list", "--id", "1d6b:"}, 3, "", "halvex-host: --id: *\n"},
      {"ID that is no hexadecimal", {"list", "--id", "usb1"}, 3, "", "halvex-host: --id: *\n"},
      {"empty location",
       {"ports", "--location", ""},
       3,
       "",
       "halvex-host: --location: the location is empty\n"},
      {"no hub at all",
       on(machine(R"({"name": "Mouse", "location": "usb1-1"})", "mouse.json"), {"ports"}), 3, "",
       "halvex-host: no hub that the over-current test checks\n"},
      {"no hub at the location", on(machine(cleanHub), {"ports", "--location", "usb7"}), 3, "",
       "halvex-host: no hub that the over-current test checks is at usb7\n"},
      {"empty snapshot path", {"snapshot", ""}, 3, "", "halvex-host: FILE: the path is empty\n"},
  });
}

TEST_F(HostLoadingTest, HelpNamesEveryOptionWithExamplesAndExitStatuses) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> expected;
  } helps[] = {
      {{"--help"},
       {"--module", "--package-config", "--topology", "--no-log", "list", "diagnose",
        "Examples:", "halvex-host --topology", "Exit status:", "  2  ", "  3  "}},
      {{"list", "--help"},
       {"--tree", "--json", "--location", "--id", "Examples:", "halvex-host list --tree"}},
      {{"ports", "--help"}, {"--location", "--json", "Examples:", "Exit status:"}},
      {{"diagnose", "--help"},
       {"--json", "--prometheus", "--watch", "Examples:", "diagnose --prometheus", "Exit status:"}},
  };
  for (const auto& help : helps) {
    SCOPED_TRACE(::testing::PrintToString(help.arguments));
    const HostRun run = host(help.arguments);
    EXPECT_EQ(run.exitStatus, 0);
    for (const std::string& text : help.expected) {
      EXPECT_NE(run.out.find(text), std::string::npos) << text;
    }
  }
}

}  // namespace
