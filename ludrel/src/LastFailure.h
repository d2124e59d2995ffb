#pragma once

#include <optional>

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {

// The last failure of any finder of this process, as USBUtil reports it.

// Records the failure; true when it differs from the one recorded before, so that a failure
// repeated port after port reaches the caller's log once.
bool recordFailure(const Failure& failure);
void clearLastFailure();
std::optional<Failure> lastFailure();

}  // namespace Ludrel
}  // namespace KestraDiags
