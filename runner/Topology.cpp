#include "Topology.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "HostOutput.h"
#include "Platform.h"

namespace KestraDiags {
namespace HalvexHost {

std::optional<HostError> useTopologyFile(const std::string& path) {
  // The library reports a bad file only as an empty device list; saying it here is clearer.
  if (auto reason = whyNotARegularFile(path)) {
    return HostError{"TOPOLOGY_UNREADABLE", "cannot read topology file " + path + ": " + *reason};
  }
  std::ifstream file(path);
  if (!file) {
    return HostError{"TOPOLOGY_UNREADABLE",
                     "cannot read topology file " + path + ": " + std::strerror(errno)};
  }
  std::error_code error;
  setEnvironmentVariable("LUDREL_TOPOLOGY", std::filesystem::absolute(path, error).string());
  return std::nullopt;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
