#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#if defined(_WIN32)
#include <random>
#else
#include <stdlib.h>
#endif

// Creates a directory under the system's temporary directory whose name starts with prefix and
// that no other process has; returns its path.
inline std::string makeUniqueDirectory(const std::string& prefix) {
  const std::filesystem::path temporary = std::filesystem::temp_directory_path();
#if defined(_WIN32)
  // create_directory fails on a name that exists, so a name is taken by one process only.
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path path = temporary / (prefix + std::to_string(random()));
    if (std::filesystem::create_directory(path)) return path.string();
  }
  throw std::runtime_error("cannot create a directory " + prefix + "* in " + temporary.string());
#else
  std::string pattern = (temporary / (prefix + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
#endif
}
