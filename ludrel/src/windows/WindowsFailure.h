#pragma once

#include <string>

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {

// A failed Windows call: "what: the system's text (Windows error N)".
Failure windowsFailure(const char* name, const std::string& what, unsigned long error);

}  // namespace Ludrel
}  // namespace KestraDiags
