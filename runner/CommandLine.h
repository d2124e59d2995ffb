#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "HalvexModule.h"

namespace KestraDiags {
namespace HalvexHost {

enum class Command { List, Diagnose, Ports, Snapshot };

// Everything the command line says.
struct HostOptions {
  std::string modulePath;  // empty: the default place
  std::string packageConfigFile;
  std::string topologyFile;
  bool noLog = false;
  Command command = Command::List;
  bool tree = false;
  bool json = false;
  std::string location;           // list and ports: empty for every device or hub
  std::string idFilter;           // VVVV[:PPPP]; empty: any ID
  std::string prometheusFile;     // empty: none; "-": standard output
  unsigned int watchSeconds = 0;  // 0: one run
  // --on-over-current: the program, then the arguments after "--"; empty for none.
  std::vector<std::string> hookCommand;
  unsigned int hookTimeoutSeconds = 10;
  std::string snapshotFile = "-";  // "-": standard output
};

// Fills the options; an exit status when the program is to stop here (help, version, a usage
// error, which is reported on stderr in one line). A path given empty is a usage error.
std::optional<int> parseCommandLine(int argc, char** argv, HostOptions& options);

// The commands. Each prints its report on out and one line for each failure on err, and returns
// the exit status.

// list: the table, the tree or the JSON document, of the devices --location and --id pick. 0, or
// 3.
int runList(const Result<HalvexModule>& module, const HostOptions& options, std::ostream& out,
            std::ostream& err);

// diagnose, once or every --watch seconds until SIGINT or SIGTERM, and at once for a hub on
// each USB event; --on-over-current for each new over-current. The monitoring-plugin status of
// the run (0 after a stopped watch).
int runDiagnose(const Result<HalvexModule>& module, const HostOptions& options, std::ostream& out,
                std::ostream& err);

// ports: the status of each port of every hub the module checks (or of the one at --location),
// and of each such hub, as the USB library's status reader answers. 2 an over-current now, 1 a
// past one or a question without answer, 3 no answer at all or no such hub, else 0.
int runPorts(const Result<HalvexModule>& module, const HostOptions& options, std::ostream& out,
             std::ostream& err);

// snapshot [FILE]: the USB devices as the USB library sees them, with the hubs' ports, written as
// a topology file that --topology replays (to out without FILE). Asks the library directly; the
// module is not loaded. 0, also when some hub's over-current states could not be read (each such
// hub gets a warning on err); 3 when there is no device list or the file cannot be written.
int runSnapshot(const HostOptions& options, std::ostream& out, std::ostream& err);

}  // namespace HalvexHost
}  // namespace KestraDiags
