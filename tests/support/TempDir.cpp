#include "TempDir.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace {

// A new folder under the system's temporary folder that no other process has: create_directory
// fails on a name that exists, so a name is taken by one process only.
std::string makeUniqueDirectory() {
  const std::filesystem::path temporary = std::filesystem::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path path = temporary / ("halvex-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(path)) return path.string();
  }
  throw std::runtime_error("cannot create a folder halvex-test-* in " + temporary.string());
}

}  // namespace

TempDir::TempDir() : m_path(makeUniqueDirectory()) {}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::makeDir(const std::string& relative) const {
  const std::string full = file(relative);
  std::filesystem::create_directories(full);
  return full;
}

std::string TempDir::write(const std::string& name, const std::string& content) const {
  const std::string full = file(name);
  std::filesystem::create_directories(std::filesystem::path(full).parent_path());
  std::ofstream out(full, std::ios::binary);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + full);
  return full;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool fileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}
