#pragma once

#if !defined(_WIN32)
#include <sys/types.h>
#endif

#include <string>
#include <vector>

#include "tests/support/TempDir.h"

// halvex-host running as a child process in workDir, with LUDREL_TOPOLOGY taken out of the
// environment and its output captured in files there.
class HostProcess {
 public:
  HostProcess(const std::vector<std::string>& arguments, const std::string& workDir);
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;
  ~HostProcess() { wait(0); }  // kills a child that still runs

  // The exit status, 128 + the signal for a child killed by one; a child that has not ended in
  // time is killed (on Windows, with status -1).
  int wait(int timeoutSeconds = 120);
#if !defined(_WIN32)
  pid_t pid() const { return m_pid; }
#endif
  std::string out() const { return printed(m_workDir + "/host.out"); }
  std::string err() const { return printed(m_workDir + "/host.err"); }

 private:
  // What the host printed as its user reads it: a Windows program ends its lines in CRLF.
  static std::string printed(const std::string& path);

  std::string m_workDir;
#if defined(_WIN32)
  void* m_process = nullptr;
#else
  pid_t m_pid = -1;
#endif
};

inline std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}
