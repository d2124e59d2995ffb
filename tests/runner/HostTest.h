#pragma once

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/types.h>
#endif

#include <string>
#include <string_view>
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

struct HostRun {
  int exitStatus;
  std::string out;
  std::string err;
};

inline std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// Whether text is pattern, in which "*" stands for any characters within one line.
bool matches(std::string_view text, std::string_view pattern);

// Each test gets its own directory, which is also the host's working directory.
class HostTest : public ::testing::Test {
 protected:
  HostRun host(const std::vector<std::string>& arguments) const {
    HostProcess process(arguments, dir.path());
    const int status = process.wait();
    return {status, process.out(), process.err()};
  }

  // A command's arguments on a topology file, without logs.
  static std::vector<std::string> on(const std::string& topology,
                                     std::vector<std::string> command) {
    command.insert(command.begin(), {"--no-log", "--topology", topology});
    return command;
  }

  // A topology file of these devices, JSON objects separated by commas; n1 to n4 are empty files
  // beside it, for hubs to open.
  std::string machine(const std::string& devices, const std::string& name = "topology.json") const {
    for (const char* node : {"n1", "n2", "n3", "n4"}) dir.write(node, "");
    return dir.write(name, "{\"devices\": [" + devices + "]}");
  }

  // A hub for machine() whose busy port is free, on its own device node.
  const std::string cleanHub = R"({"type": "root-hub", "name": "Clean", "location": "usb1",
      "ports": 2, "devicePath": "n1", "portStates": [{"port": 1, "key": "04d9:1702 Keyboard"}]})";

  // A package configuration path whose log directory dir/log exists.
  std::string packageConfig() const {
    dir.makeDir("log");
    return dir.makeDir("package") + "/package.cfg";
  }

  TempDir dir;
};
