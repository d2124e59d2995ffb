#pragma once

#if !defined(_WIN32)
#include <sys/types.h>
#endif

#include <map>
#include <string>
#include <vector>

// halvex-host running as a child process, its output captured in files of a work directory.
class HostProcess {
 public:
  // Starts the host in workDir with the arguments; LUDREL_TOPOLOGY is taken out of the
  // environment, and the variables in extraEnvironment are added.
  HostProcess(const std::vector<std::string>& arguments, const std::string& workDir,
              const std::map<std::string, std::string>& extraEnvironment = {});
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;
  // Kills a child that is still running.
  ~HostProcess();

#if !defined(_WIN32)
  pid_t pid() const { return m_pid; }
  void sendSignal(int signalNumber) const;
#endif
  // The exit status, 128 + the signal for a child killed by one, -1 when it did not end in
  // time (it is killed then). On Windows the exit code.
  int wait(int timeoutSeconds = 120);

  std::string out() const;
  std::string err() const;

 private:
#if defined(_WIN32)
  void* m_process = nullptr;  // the child's process handle
#else
  pid_t m_pid = -1;
#endif
  std::string m_outPath;
  std::string m_errPath;
};

struct HostRun {
  int exitStatus;
  std::string out;
  std::string err;
};

HostRun runHost(const std::vector<std::string>& arguments, const std::string& workDir,
                const std::map<std::string, std::string>& extraEnvironment = {});

std::vector<std::string> linesOf(const std::string& text);
