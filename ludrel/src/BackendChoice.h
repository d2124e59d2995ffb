#pragma once

#include <memory>

#include "Backend.h"

namespace KestraDiags {
namespace Ludrel {

// The environment variable that names a topology file for the simulated backend.
constexpr const char* kTopologyVariable = "LUDREL_TOPOLOGY";

// The backend for a new finder: the simulated one when LUDREL_TOPOLOGY names a file, else the
// machine's own.
std::shared_ptr<Backend> chooseBackend();

}  // namespace Ludrel
}  // namespace KestraDiags
