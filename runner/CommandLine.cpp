#include <CLI/CLI.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "HostOutput.h"
#include "UsbId.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

constexpr const char* kExitStatusText =
    "Exit status:\n"
    "  0  success; for diagnose and ports: every hub was checked and none is in over-current\n"
    "  1  diagnose, ports: no over-current now, but a port or hub was in over-current before\n"
    "     (latched or counted), or the USB library could not ask every port\n"
    "  2  diagnose, ports: a hub or a port of one is in over-current\n"
    "  3  the run could not be made (bad command line, module or topology file refused or\n"
    "     unreadable, export missing, device list unreadable), an output file or standard\n"
    "     output could not be written, a hub got no verdict, no hub or port answered, or\n"
    "     there was no hub to check\n"
    "When several apply, 2 outranks 3, and 3 outranks 1.\n";

constexpr const char* kMainFooter =
    "\nExamples:\n"
    "  halvex-host --topology /usr/share/halvex/examples/rack-server.json list --tree\n"
    "  halvex-host --package-config /opt/diag/halvex/package.cfg diagnose\n"
    "  halvex-host --no-log diagnose --json\n"
    "  halvex-host diagnose --prometheus /var/lib/prometheus/node-exporter/halvex.prom\n"
    "  halvex-host --module ./libhalvex.so list --json\n"
    "  halvex-host ports --location 1-2\n"
    "\n";

constexpr const char* kListFooter =
    "\nColumns: NAME, CLASS (the module's class key), STATUS (ok, error, disabled, not present,\n"
    "not configured), ID (vendor:product as the USB library reads it), LOCATION, PARENT\n"
    "LOCATION, DESCRIPTOR (set only for the hubs the over-current test checks), MANUFACTURER,\n"
    "SERIAL, FIRMWARE; \"-\" marks an empty or unknown field.\n"
    "\nExamples:\n"
    "  halvex-host --topology examples/desktop.json list\n"
    "  halvex-host list --tree\n"
    "  halvex-host list --id 1d6b --location usb1\n"
    "  halvex-host list --json | jq '.devices[] | select(.class == \"USB_ROOT_HUB\")'\n";

constexpr const char* kDiagnoseFooter =
    "\nEach hub is opened through the module, tested and closed again; one line per hub gives\n"
    "its verdict (no over-current, OVER-CURRENT, no verdict), the test's message code (111 no\n"
    "over-current, 113 over-current, 0 none) and the test's start and completion times.\n"
    "Then the hubs and ports themselves are asked, as ports does; one line each names a port\n"
    "in over-current now and the device on it, a hub in over-current of its own (it cuts\n"
    "all its ports), a port with a past over-current (latched or counted) and every port\n"
    "that could not be asked.\n"
    "\nExamples:\n"
    "  halvex-host diagnose\n"
    "  halvex-host diagnose --json\n"
    "  halvex-host diagnose --prometheus /var/lib/prometheus/node-exporter/halvex.prom\n"
    "  halvex-host --no-log diagnose --watch 60\n"
    "  halvex-host diagnose --watch 300 --on-over-current \\\n"
    "      /usr/share/halvex/examples/hooks/journal-over-current\n"
    "\nWith --watch, a USB event wakes the host at once where the system tells them (Linux with\n"
    "udev, or a topology's events): an over-current diagnoses that hub, a device added or\n"
    "removed makes a full round. --on-over-current runs PROGRAM, without a shell, for each\n"
    "over-current event and for each port that a later round finds newly in over-current or\n"
    "with a higher count; HALVEX_HUB, HALVEX_HUB_NAME, HALVEX_HUB_PATH, HALVEX_PORT, "
    "HALVEX_DEVICE,\n"
    "HALVEX_COUNT, HALVEX_VERDICT and HALVEX_SOURCE (event or round) tell it what happened.\n";

constexpr const char* kPortsFooter =
    "\nOne block per hub: a line naming it, its own status line, then one line per port:\n"
    "  Port 2: 050b 0008 power oc enable connect oc-change [04d9:1702 ...] over-current: now\n"
    "The status and change words in hexadecimal (\"----\" where the system does not give\n"
    "them); the flags that are set: power, the link state of a SuperSpeed port (U0, U3,\n"
    "Rx.Detect ...), reset, oc (over-current now), suspend, enable, connect, oc-change (the\n"
    "over-current change bit the hub latched); a flag the system does not tell shows \"?\".\n"
    "Then the device on the port (vendor:product and name where known, the key of the hub's\n"
    "cache) and over-current now, past (latched or counted), none or unknown, with the\n"
    "system's count where it keeps one. A port or hub that could not be asked says\n"
    "\"not asked:\" and why. Nothing here switches a port's power.\n"
    "\nExamples:\n"
    "  halvex-host ports\n"
    "  halvex-host ports --location usb1 --json\n";

constexpr const char* kSnapshotFooter =
    "\nThe file is a topology for the USB library's simulated backend: attach it to a bug\n"
    "report, and anyone can replay it with --topology FILE. Reading the hubs' over-current\n"
    "states takes write access to their device nodes: run as root, or see the udev rule in\n"
    "/usr/share/halvex/examples/udev.\n"
    "\nExamples:\n"
    "  sudo halvex-host snapshot usb-topology.json\n"
    "  halvex-host --topology usb-topology.json list --tree\n";

// CLI11's own range check would print the largest double in full.
const CLI::Validator kWholeSeconds(
    [](const std::string& text) {
      const bool digitsOnly = !text.empty() && text.size() <= 9 &&
                              text.find_first_not_of("0123456789") == std::string::npos;
      return digitsOnly && std::stoul(text) > 0
                 ? std::string()
                 : "SECONDS must be a whole number from 1 to 999999999, not \"" + text + "\"";
    },
    "", "");

// Lower or upper case, as lsusb -d takes it.
const CLI::Validator kUsbId(
    [](const std::string& text) {
      return parseUsbIdFilter(text)
                 ? std::string()
                 : "expected VVVV or VVVV:PPPP in hexadecimal, not \"" + text + "\"";
    },
    "", "");

const CLI::Validator kLocation(
    [](const std::string& text) { return text.empty() ? "the location is empty" : std::string(); },
    "", "");

// An empty path would otherwise stand for the option's default.
const CLI::Validator kPath(
    [](const std::string& text) { return text.empty() ? "the path is empty" : std::string(); }, "",
    "");

// Every message is one line, as the host's own.
std::string failureLine(const CLI::App*, const CLI::Error& error) {
  return "halvex-host: " + std::string(error.what()) + "\n";
}

}  // namespace

std::optional<int> parseCommandLine(int argc, char** argv, HostOptions& options) {
  CLI::App app{
      "Loads the Halvex USB diagnostics module the way the diagnostics framework does, lists\n"
      "the USB devices it finds, runs its hub over-current test and shows each hub port's\n"
      "status.",
      "halvex-host"};
  app.failure_message(failureLine);
  app.set_version_flag("--version", HALVEX_HOST_VERSION);
  app.get_formatter()->column_width(26);
  app.footer(std::string(kMainFooter) + kExitStatusText);
  // At most one command; none, or a word that names none, is said after parsing.
  app.require_subcommand(0, 1);
  // The global options may also follow the command.
  app.fallthrough();

  app.add_option("--module", options.modulePath,
                 "The module to load. Default: libhalvex.so beside this\n"
                 "program, else in the installation's library directory.")
      ->type_name("PATH")
      ->check(kPath);
  app.add_option("--package-config", options.packageConfigFile,
                 "Handed to the module's setPackageConfigFile before\n"
                 "anything is created. The module writes its trace logs\n"
                 "into DIR/../log, DIR being the file's directory, or into\n"
                 "DIR when that fails. Without it: the current directory.")
      ->type_name("PATH")
      ->check(kPath);
  app.add_option("--topology", options.topologyFile,
                 "Use the USB library's simulated backend with this\n"
                 "topology file (sets LUDREL_TOPOLOGY), for example\n"
                 "/usr/share/halvex/examples/rack-server.json.")
      ->type_name("FILE")
      ->check(kPath);
  app.add_flag("--no-log", options.noLog,
               "Create the module's objects with logging off: no trace\n"
               "log is written.");

  CLI::App* list = app.add_subcommand("list", "Show the USB devices the module hands out.");
  list->footer(kListFooter);
  list->add_flag("--tree", options.tree,
                 "Show the devices as a tree by parent location, with the\n"
                 "hub ports that the hubs' caches name.");
  list->add_flag("--json", options.json,
                 "Print one JSON document with every field, the device\n"
                 "path and the hub cache.");
  list->add_option("--location", options.location, "Only the device at this location.")
      ->type_name("LOC")
      ->check(kLocation);
  list->add_option("--id", options.idFilter,
                   "Only the devices with this vendor ID, and product ID\n"
                   "where given (hexadecimal, as lsusb -d).")
      ->type_name("VVVV[:PPPP]")
      ->check(kUsbId);

  CLI::App* diagnose = app.add_subcommand(
      "diagnose", "Run the over-current test on every hub that the test supports.");
  diagnose->footer(std::string(kDiagnoseFooter) + "\n" + kExitStatusText);
  diagnose->add_flag("--json", options.json, "Print the report as one JSON document.");
  diagnose
      ->add_option("--prometheus", options.prometheusFile,
                   "Also write the result in node_exporter's textfile-\n"
                   "collector format; the file is replaced in one step.\n"
                   "\"-\": standard output, before the report.")
      ->type_name("FILE")
      ->check(kPath);
  CLI::Option* watch = diagnose
                           ->add_option("--watch", options.watchSeconds,
                                        "Watch until SIGINT or SIGTERM, then exit with 0: every\n"
                                        "hub every SECONDS, a hub at once on its USB events.")
                           ->type_name("SECONDS")
                           ->check(kWholeSeconds);
  std::string hookProgram;
  diagnose
      ->add_option("--on-over-current", hookProgram,
                   "With --watch, run PROGRAM for each new over-current;\n"
                   "the arguments after \"--\" at the end of the line are\n"
                   "its own.")
      ->type_name("PROGRAM")
      ->check(kPath)
      ->needs(watch);
  diagnose
      ->add_option("--hook-timeout", options.hookTimeoutSeconds,
                   "Stop the --on-over-current program after SECONDS\n"
                   "(SIGTERM, then SIGKILL). Default: 10.")
      ->type_name("SECONDS")
      ->check(kWholeSeconds)
      ->needs("--on-over-current");

  CLI::App* ports =
      app.add_subcommand("ports", "Show the status of each port of the hubs the test checks.");
  ports->footer(std::string(kPortsFooter) + "\n" + kExitStatusText);
  ports->add_option("--location", options.location, "Only the hub at this location.")
      ->type_name("LOC")
      ->check(kLocation);
  ports->add_flag("--json", options.json, "Print one JSON document.");

  CLI::App* snapshot =
      app.add_subcommand("snapshot", "Write the USB devices and hub ports as a topology file.");
  snapshot->footer(std::string(kSnapshotFooter) + "\n" + kExitStatusText);
  snapshot
      ->add_option("FILE", options.snapshotFile,
                   "Where to write it; replaced in one step. Default, or\n"
                   "\"-\": standard output.")
      ->type_name("")
      ->check(kPath);

  // The arguments after "--" are the hook program's own, so that they may look like options.
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto hookOption =
      std::find_if(arguments.begin(), arguments.end(),
                   [](const std::string& word) { return word.rfind("--on-over-current", 0) == 0; });
  const auto separator = std::find(hookOption, arguments.end(), "--");
  const std::vector<std::string> hookArguments(
      separator == arguments.end() ? separator : separator + 1, arguments.end());
  arguments.erase(separator, arguments.end());
  // CLI11 takes a list of words last first.
  std::reverse(arguments.begin(), arguments.end());

  try {
    try {
      app.parse(arguments);
    } catch (const CLI::ExtrasError&) {
      // A word left over where the command should be was meant as one.
      const std::vector<std::string> words = app.remaining();
      if (!app.get_subcommands().empty() || words.empty() || words.front().rfind('-', 0) == 0) {
        throw;
      }
      throw CLI::ExtrasError("Unknown command: " + words.front() +
                                 " (the commands are list, diagnose, ports and snapshot)",
                             CLI::ExitCodes::ExtrasError);
    }
    if (app.get_subcommands().empty()) throw CLI::RequiredError::Subcommand(1);
    // Said here rather than with excludes(), which would clutter both options' help lines.
    if (options.tree && options.json) throw CLI::ExcludesError("--tree", "--json");
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kExitOk : kExitUnknown;
  }
  if (!hookProgram.empty()) {
    options.hookCommand = {hookProgram};
    options.hookCommand.insert(options.hookCommand.end(), hookArguments.begin(),
                               hookArguments.end());
  }
  options.command = diagnose->parsed()   ? Command::Diagnose
                    : ports->parsed()    ? Command::Ports
                    : snapshot->parsed() ? Command::Snapshot
                                         : Command::List;
  return std::nullopt;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
