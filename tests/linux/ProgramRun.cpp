#include "ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "tests/support/TempDir.h"

extern char** environ;

namespace {

constexpr auto kLongestRun = std::chrono::seconds(60);

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

int waitForExit(pid_t pid) {
  const auto deadline = std::chrono::steady_clock::now() + kLongestRun;
  for (;;) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

ProgramRun runProgram(const std::vector<std::string>& argv, const std::string& workDir) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "LUDREL_TOPOLOGY=", 16) != 0) environment.push_back(*entry);
  }
  std::vector<std::string> arguments = argv;
  const std::string outPath = workDir + "/program.out";
  const std::string errPath = workDir + "/program.err";

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  std::vector<char*> argumentPointers = pointersTo(arguments);
  std::vector<char*> environmentPointers = pointersTo(environment);
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr,
                                  argumentPointers.data(), environmentPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + strerror(error));
  ProgramRun run;
  run.exitStatus = waitForExit(pid);
  run.out = readFile(outPath);
  run.err = readFile(errPath);
  return run;
}

ProgramRun runHost(const std::vector<std::string>& arguments, const std::string& workDir) {
  std::vector<std::string> argv = {HALVEX_HOST_PATH, "--no-log"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return runProgram(argv, workDir);
}
