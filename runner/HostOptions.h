#pragma once

#include <optional>
#include <string>

namespace KestraDiags {
namespace HalvexHost {

enum class Command { List, Diagnose, Snapshot };

// Everything the command line says.
struct HostOptions {
  std::string modulePath;  // empty: the default place
  std::string packageConfigFile;
  std::string topologyFile;
  bool noLog = false;
  Command command = Command::List;
  bool tree = false;
  bool json = false;
  std::string prometheusFile;      // empty: none; "-": standard output
  unsigned int watchSeconds = 0;   // 0: one run
  std::string snapshotFile = "-";  // "-": standard output
};

// Fills the options; an exit status when the program is to stop here (help, version, a usage
// error, which is reported on stderr in one line). A path given empty is a usage error.
std::optional<int> parseCommandLine(int argc, char** argv, HostOptions& options);

}  // namespace HalvexHost
}  // namespace KestraDiags
