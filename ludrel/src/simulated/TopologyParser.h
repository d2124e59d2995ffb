#pragma once

#include <string>

#include "ludrel/Result.h"
#include "simulated/Topology.h"

namespace KestraDiags {
namespace Ludrel {

// Reads a topology from the text of fileName, which messages name.
Result<Topology> parseTopology(const std::string& text, const std::string& fileName);

}  // namespace Ludrel
}  // namespace KestraDiags
