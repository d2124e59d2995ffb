#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "HostError.h"

namespace KestraDiags {
namespace HalvexHost {

// Writes the file under a temporary name in its own directory, then renames it into place, so
// a reader sees the old content or the new one and never a part. Only a regular file or a path
// where nothing is yet is replaced; a symbolic link stays and what it leads to is replaced.
std::optional<HostError> replaceFileContent(const std::string& path, const std::string& content);

// "-" is standard output, any other path is replaced as above.
std::optional<HostError> writeOutput(const std::string& path, const std::string& content,
                                     std::ostream& out);

}  // namespace HalvexHost
}  // namespace KestraDiags
