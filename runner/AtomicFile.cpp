#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "FileType.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// Beside the target, and without its extension at the end, so that a collector that reads
// "*.prom" skips it.
std::filesystem::path temporaryPathFor(const std::filesystem::path& target) {
  std::random_device random;
  return std::filesystem::path(target).concat(".tmp." + std::to_string(random()));
}

// Where a chain of symbolic links ends, as many as the system follows.
std::filesystem::path linkTarget(std::filesystem::path path) {
  std::error_code error;
  for (int links = 0; links < 40 && std::filesystem::is_symlink(path, error); ++links) {
    path = path.parent_path() / std::filesystem::read_symlink(path, error);
  }
  return path;
}

HostError writeError(const std::string& path, const std::string& reason) {
  return HostError{"OUTPUT_WRITE_FAILED", "cannot write " + path + ": " + reason};
}

}  // namespace

std::optional<HostError> replaceFileContent(const std::string& path, const std::string& content) {
  // A rename would put a regular file in the place of a device, a FIFO or a directory; as root
  // even in that of /dev/null.
  if (auto reason = whyNotARegularFile(path)) return writeError(path, *reason);
  const std::filesystem::path target = linkTarget(path);
  const std::filesystem::path temporary = temporaryPathFor(target);
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
  std::filesystem::rename(temporary, target, error);
  if (error) {
    const std::string reason = error.message();
    std::filesystem::remove(temporary, error);
    return writeError(path, reason);
  }
  return std::nullopt;
}

std::optional<HostError> writeOutput(const std::string& path, const std::string& content,
                                     std::ostream& out) {
  if (path != "-") return replaceFileContent(path, content);
  out << content;
  return std::nullopt;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
