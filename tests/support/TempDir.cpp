#include "TempDir.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "UniqueDirectory.h"

TempDir::TempDir() : m_path(makeUniqueDirectory("halvex-test-")) {}

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
