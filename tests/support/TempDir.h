#pragma once

#include <string>

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + "/" + name; }
  // Creates the directory and its parents below this one; returns its full path.
  std::string makeDir(const std::string& relative) const;
  std::string write(const std::string& name, const std::string& content) const;

 private:
  std::string m_path;
};

std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
