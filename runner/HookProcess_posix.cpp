#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "HookProcess.h"

extern char** environ;

namespace KestraDiags {
namespace HalvexHost {

namespace {

constexpr auto kGrace = std::chrono::seconds(2);
constexpr auto kPollInterval = std::chrono::milliseconds(10);

// The host's environment, with each of variables set to its value.
std::vector<std::string> environmentWith(const EnvironmentVariables& variables) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    bool replaced = false;
    for (const auto& [name, value] : variables) replaced |= text.rfind(name + "=", 0) == 0;
    if (!replaced) entries.push_back(text);
  }
  for (const auto& [name, value] : variables) entries.push_back(name + "=" + value);
  return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// True once the child has ended, with its wait status; false when the deadline came first.
bool waitUntil(pid_t child, std::chrono::steady_clock::time_point deadline, int& status) {
  for (;;) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child || (done < 0 && errno != EINTR)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace

std::string runHookProgram(const std::vector<std::string>& command,
                           const EnvironmentVariables& variables, std::chrono::seconds limit) {
  std::vector<std::string> arguments = command;
  std::vector<std::string> environment = environmentWith(variables);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  // The host holds the stop signals back while it works; the hook starts with them let through
  // and at their default. Its own process group lets the time limit end what it started too.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t child = -1;
  const int error = posix_spawnp(&child, arguments.front().c_str(), &actions, &attributes,
                                 pointersTo(arguments).data(), pointersTo(environment).data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return "cannot start " + command.front() + ": " + std::strerror(error);

  int status = 0;
  if (!waitUntil(child, std::chrono::steady_clock::now() + limit, status)) {
    ::kill(-child, SIGTERM);
    if (!waitUntil(child, std::chrono::steady_clock::now() + kGrace, status)) {
      ::kill(-child, SIGKILL);
      ::waitpid(child, &status, 0);
    }
    return "killed after " + std::to_string(limit.count()) + " s";
  }
  if (WIFSIGNALED(status)) return "ended by signal " + std::to_string(WTERMSIG(status));
  return "exit status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace HalvexHost
}  // namespace KestraDiags
