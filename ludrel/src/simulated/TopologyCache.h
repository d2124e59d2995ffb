#pragma once

#include <memory>
#include <string>

#include "ludrel/Result.h"
#include "simulated/Topology.h"

namespace KestraDiags {
namespace Ludrel {

using LoadedTopology = Result<std::shared_ptr<const Topology>>;

// The topology of the file at path. The file is parsed once per process and read again only
// when its path, size or modification time changes; a file that cannot be parsed keeps its
// failure until then too.
LoadedTopology loadTopology(const std::string& path);

}  // namespace Ludrel
}  // namespace KestraDiags
