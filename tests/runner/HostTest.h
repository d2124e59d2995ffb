#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HostProcess.h"
#include "tests/support/TempDir.h"

// Each test gets its own directory, which is also the host's working directory.
class HostTest : public ::testing::Test {
 protected:
  HostRun host(const std::vector<std::string>& arguments) const {
    return runHost(arguments, dir.path());
  }

  // A package configuration path whose derived log directory exists: logs land in logDir().
  std::string packageConfig() const {
    dir.makeDir("log");
    dir.makeDir("package");
    return dir.file("package/package.cfg");
  }
  std::string logDir() const { return dir.file("log"); }

  TempDir dir;
};

// How often text occurs in a text.
inline std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}
