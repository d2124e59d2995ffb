#pragma once

#include <cstddef>
#include <string>

#include "Result.h"
#include "simulated/Topology.h"

namespace KestraDiags {
namespace Ludrel {

// Nesting deeper than this is refused before it can cost much memory; a topology needs six.
constexpr int kMaxTopologyDepth = 32;
// So are more objects than this: each costs far more in memory than its few bytes of text, and a
// machine has some hundreds of devices, a benchmark ten thousand.
constexpr std::size_t kMaxTopologyObjects = 100000;

// Reads a topology from the text of fileName, which messages name.
Result<Topology> parseTopology(const std::string& text, const std::string& fileName);

}  // namespace Ludrel
}  // namespace KestraDiags
