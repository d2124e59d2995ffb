#pragma once

#include <optional>
#include <string>

#include "HostError.h"

namespace KestraDiags {
namespace HalvexHost {

// Writes the file under a temporary name in its own directory, then renames it into place, so
// a reader sees the old content or the new one and never a part.
std::optional<HostError> replaceFileContent(const std::string& path, const std::string& content);

}  // namespace HalvexHost
}  // namespace KestraDiags
