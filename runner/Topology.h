#pragma once

#include <optional>
#include <string>

#include "HostOutput.h"

namespace KestraDiags {
namespace HalvexHost {

// Points the USB library's simulated backend at a topology file. Must run before the module
// creates anything; fails when the file cannot be read.
std::optional<HostError> useTopologyFile(const std::string& path);

}  // namespace HalvexHost
}  // namespace KestraDiags
