#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

// Creates a directory under the system's temporary directory whose name starts with prefix and
// that no other process has; returns its path.
inline std::string makeUniqueDirectory(const std::string& prefix) {
  const std::filesystem::path temporary = std::filesystem::temp_directory_path();
  // create_directory fails on a name that exists, so a name is taken by one process only.
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path path = temporary / (prefix + std::to_string(random()));
    if (std::filesystem::create_directory(path)) return path.string();
  }
  throw std::runtime_error("cannot create a directory " + prefix + "* in " + temporary.string());
}
