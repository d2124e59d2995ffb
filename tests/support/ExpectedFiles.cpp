#include "ExpectedFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/support/TempDir.h"

void expectStoredFiles(const std::string& folder, const std::map<std::string, std::string>& texts) {
  namespace fs = std::filesystem;
  const fs::path expected = fs::path(HALVEX_SOURCE_DIR) / "tests" / "expected" / folder;
  const char* update = std::getenv("HALVEX_UPDATE_EXPECTED");
  if (update != nullptr && std::string(update) == "1") {
    fs::remove_all(expected);
    fs::create_directories(expected);
    for (const auto& [file, text] : texts) std::ofstream(expected / file, std::ios::binary) << text;
    return;
  }
  std::map<std::string, std::string> stored;
  for (const auto& entry : fs::directory_iterator(expected)) {
    stored[entry.path().filename().string()] = readFile(entry.path().string());
  }
  for (const auto& [file, text] : stored) {
    const auto found = texts.find(file);
    EXPECT_EQ(found == texts.end() ? "(not written)" : found->second, text) << file;
  }
  for (const auto& [file, text] : texts) EXPECT_EQ(stored.count(file), 1u) << file << " written";
}

std::string withNames(std::string text, const Names& names) {
  for (const auto& [path, name] : names) {
    for (auto at = text.find(path); at != std::string::npos;
         at = text.find(path, at + name.size())) {
      text.replace(at, path.size(), name);
    }
  }
  return text;
}

std::string inJson(std::string path) {
  for (auto at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 2)) {
    path.insert(at, 1, '\\');
  }
  return path;
}

std::vector<std::string> caseLines(const std::string& path) {
  std::ifstream file(std::string(HALVEX_SOURCE_DIR) + "/" + path);
  if (!file) throw std::runtime_error(path + ": cannot be read");
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}
