#pragma once

#include <string>

#include "Result.h"
#include "simulated/Topology.h"

namespace KestraDiags {
namespace Ludrel {

// Nesting deeper than this is refused before it can cost much memory; a topology needs six.
constexpr int kMaxTopologyDepth = 32;

// Reads a topology from the text of fileName, which messages name.
Result<Topology> parseTopology(const std::string& text, const std::string& fileName);

}  // namespace Ludrel
}  // namespace KestraDiags
