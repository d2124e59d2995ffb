#include "HostProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

std::vector<std::string> childEnvironment(const std::map<std::string, std::string>& extra) {
  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    const std::string name = variable.substr(0, variable.find('='));
    if (name == "LUDREL_TOPOLOGY" || extra.count(name) != 0) continue;
    variables.push_back(variable);
  }
  for (const auto& [name, value] : extra) variables.push_back(name + "=" + value);
  return variables;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

int statusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return -1;
}

}  // namespace

HostProcess::HostProcess(const std::vector<std::string>& arguments, const std::string& workDir,
                         const std::map<std::string, std::string>& extraEnvironment)
    : m_outPath(workDir + "/host.out"), m_errPath(workDir + "/host.err") {
  std::vector<std::string> argv = {HALVEX_HOST_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environment = childEnvironment(extraEnvironment);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // The module writes its logs into the current directory unless told otherwise.
  posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  // A test runner may hold the stop signals back; the host must start with them let through.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> argvPointers = pointersTo(argv);
  std::vector<char*> environmentPointers = pointersTo(environment);
  const int error = posix_spawn(&m_pid, argv[0].c_str(), &actions, &attributes, argvPointers.data(),
                                environmentPointers.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + strerror(error));
}

HostProcess::~HostProcess() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
}

void HostProcess::sendSignal(int signalNumber) const { kill(m_pid, signalNumber); }

int HostProcess::wait(int timeoutSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  for (;;) {
    int waitStatus = 0;
    const pid_t done = waitpid(m_pid, &waitStatus, WNOHANG);
    if (done == m_pid) {
      m_pid = -1;
      return statusOf(waitStatus);
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
      m_pid = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
