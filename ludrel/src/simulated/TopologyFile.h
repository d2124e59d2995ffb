#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "ludrel/Result.h"

namespace KestraDiags {
namespace Ludrel {

// Larger topology files are refused before they are read.
constexpr std::uintmax_t kMaxTopologyBytes = 16 * 1024 * 1024;

// What tells one version of a file from the next.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified;
};

inline bool operator==(const FileStamp& a, const FileStamp& b) {
  return a.size == b.size && a.modified == b.modified;
}

// The stamp of a regular file; a missing file, a directory and the like fail.
Result<FileStamp> stampTopologyFile(const std::string& path);

// The whole text of the file, refused when it holds more than kMaxTopologyBytes.
Result<std::string> readTopologyFile(const std::string& path);

// The failure for a file over kMaxTopologyBytes.
Failure tooBigFailure(const std::string& path);

}  // namespace Ludrel
}  // namespace KestraDiags
