// What the host says when it cannot do its job: one line on stderr, status 3, nothing else.
#include <fstream>

#include "HostTest.h"
#include "Topology.h"

namespace {

// The loader's own reason for a module file that is not there.
#if defined(_WIN32)
const char* const kNoModuleFileReason = "(Windows error 126)";  // ERROR_MOD_NOT_FOUND
#else
const char* const kNoModuleFileReason = "No such file or directory";
#endif

struct LoadFailure {
  const char* title;
  std::vector<std::string> arguments;  // before the command
  std::vector<std::string> expectedInError;
};

class HostLoadingTest : public HostTest {
 protected:
  std::vector<LoadFailure> loadFailures() const {
    const std::string topologyFile =
        topology::write(dir, {topology::rootHub(dir, "Root Hub", "usb1", 2, {})});
    const std::string notALibrary = dir.write("not-a-library.so", "plain text\n");
    const std::string brokenTopology =
        dir.write("broken.json", "{\"devices\": [\n  {\"type\": }\n");
    const std::string failingTopology =
        dir.write("failing.json", R"({"devices": [], "getAllUSBDevicesFails": "bus gone"})");
    const std::string missingModule = dir.file("missing/libhalvex.so");
    const std::string missingTopology = dir.file("missing.json");
    return {
        {"module path that does not exist",
         {"--module", missingModule, "--topology", topologyFile},
         {"halvex-host: cannot load module " + missingModule + ": ", kNoModuleFileReason}},
        {"module that is no shared library",
         {"--module", notALibrary, "--topology", topologyFile},
         {"halvex-host: cannot load module " + notALibrary + ": "}},
        {"library without the exports",
         {"--module", NO_EXPORTS_LIBRARY, "--topology", topologyFile},
         {std::string("halvex-host: module ") + NO_EXPORTS_LIBRARY +
          " does not export setPackageConfigFile: "}},
        {"library without getIDiagnostics",
         {"--module", NO_DIAGNOSTICS_LIBRARY, "--topology", topologyFile},
         {std::string("halvex-host: module ") + NO_DIAGNOSTICS_LIBRARY +
          " does not export getIDiagnostics: "}},
        {"topology file that does not exist",
         {"--topology", missingTopology},
         {"halvex-host: cannot read topology file " + missingTopology +
          ": No such file or directory"}},
        {"topology that is a directory",
         {"--topology", dir.path()},
         {"halvex-host: cannot read topology file " + dir.path() + ": it is a directory"}},
        {"topology that is no JSON",
         {"--topology", brokenTopology},
         {"halvex-host: cannot read the USB device list (simulated backend): ",
          brokenTopology + ":2:"}},
        {"library failing to collect the devices",
         {"--topology", failingTopology},
         {"halvex-host: cannot read the USB device list (simulated backend): ", "bus gone"}},
    };
  }
};

TEST_F(HostLoadingTest, EveryCommandFailsWithOneLineAndStatus3) {
  const std::vector<std::vector<std::string>> commands = {
      {"list"}, {"list", "--tree"}, {"diagnose"}};
  for (const LoadFailure& failure : loadFailures()) {
    for (const std::vector<std::string>& command : commands) {
      SCOPED_TRACE(std::string(failure.title) + ", command " + command.front());
      std::vector<std::string> arguments = failure.arguments;
      arguments.insert(arguments.end(), {"--no-log"});
      arguments.insert(arguments.end(), command.begin(), command.end());
      const HostRun run = host(arguments);
      EXPECT_EQ(run.exitStatus, 3);
      EXPECT_EQ(run.out, "");
      ASSERT_EQ(linesOf(run.err).size(), 1u) << run.err;
      for (const std::string& expected : failure.expectedInError) {
        EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
      }
    }
  }
}

TEST_F(HostLoadingTest, DiagnoseJsonCarriesTheReasonToo) {
  const std::string missing = dir.file("missing.so");
  const HostRun run = host({"--module", missing, "diagnose", "--json"});
  EXPECT_EQ(run.exitStatus, 3);
  const nlohmann::json report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["exitStatus"], 3);
  EXPECT_EQ(report["error"]["name"], "MODULE_LOAD_FAILED");
  EXPECT_TRUE(report["hubs"].empty());
  EXPECT_EQ(linesOf(run.err).size(), 1u);
}

TEST_F(HostLoadingTest, DefaultModuleIsTheOneBesideTheHost) {
  const std::string topologyFile =
      topology::write(dir, {topology::rootHub(dir, "Root Hub", "usb1", 2, {})});
  const HostRun run = host({"--no-log", "--topology", topologyFile, "list"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("Root Hub"), std::string::npos);
}

TEST_F(HostLoadingTest, UsageErrorsExitWith3) {
  const std::vector<std::vector<std::string>> usages = {
      {},
      {"inventory"},
      {"list", "--tree", "--json"},
      {"diagnose", "--watch", "0"},
      {"diagnose", "--watch", "soon"},
      {"--module"},
  };
  for (const auto& arguments : usages) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const HostRun run = host(arguments);
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_NE(run.err, "");
  }
}

TEST_F(HostLoadingTest, HelpNamesEveryOptionWithExamplesAndExitStatuses) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> expected;
  } helps[] = {
      {{"--help"},
       {"--module", "--package-config", "--topology", "--no-log", "list", "diagnose",
        "Examples:", "halvex-host --topology", "Exit status:", "  2  ", "  3  "}},
      {{"list", "--help"}, {"--tree", "--json", "Examples:", "halvex-host list --tree"}},
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
