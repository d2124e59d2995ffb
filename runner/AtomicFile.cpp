#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace KestraDiags {
namespace HalvexHost {

namespace {

// Beside the target, and without its extension at the end, so that a collector that reads
// "*.prom" skips it.
std::filesystem::path temporaryPathFor(const std::filesystem::path& target) {
  std::random_device random;
  return std::filesystem::path(target).concat(".tmp." + std::to_string(random()));
}

HostError writeError(const std::string& path, const std::string& reason) {
  return HostError{"OUTPUT_WRITE_FAILED", "cannot write " + path + ": " + reason};
}

}  // namespace

std::optional<HostError> replaceFileContent(const std::string& path, const std::string& content) {
  const std::filesystem::path temporary = temporaryPathFor(path);
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) {
      return writeError(path, "cannot create " + temporary.string() + ": " + std::strerror(errno));
    }
    file << content;
    file.close();
    if (!file) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return writeError(path, "writing " + temporary.string() + " failed");
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    const std::string reason = error.message();
    std::filesystem::remove(temporary, error);
    return writeError(path, reason);
  }
  return std::nullopt;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
