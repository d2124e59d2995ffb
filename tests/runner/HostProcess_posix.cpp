#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "HostTest.h"

extern char** environ;

HostProcess::HostProcess(const std::vector<std::string>& arguments, const std::string& workDir)
    : m_workDir(workDir) {
  std::vector<std::string> argv = {HALVEX_HOST_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  ::unsetenv("LUDREL_TOPOLOGY");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  for (const auto& [descriptor, name] :
       {std::pair{STDOUT_FILENO, "/host.out"}, {STDERR_FILENO, "/host.err"}}) {
    posix_spawn_file_actions_addopen(&actions, descriptor, (workDir + name).c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  // The module writes its logs into the current directory unless told otherwise.
  posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  // A test runner may hold the stop signals back; the host must start with them let through.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  const int error =
      posix_spawn(&m_pid, argv[0].c_str(), &actions, &attributes, pointers.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + strerror(error));
}

int HostProcess::wait(int timeoutSeconds) {
  if (m_pid <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  pid_t done = 0;
  while ((done = ::waitpid(m_pid, &status, WNOHANG)) == 0) {
    if (std::chrono::steady_clock::now() > deadline) ::kill(m_pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  m_pid = -1;
  if (done < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string HostProcess::printed(const std::string& path) { return readFile(path); }
