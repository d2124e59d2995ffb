#include <windows.h>

#include <algorithm>
#include <cstring>

#include "HookProcess.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// One argument as the C runtime's command-line parser gives it back: quoted where it holds a
// blank or a quote, each quote and the backslashes before one escaped.
std::string quotedArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
    return argument;
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

std::string commandLineOf(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& argument : command) {
    line += (line.empty() ? "" : " ") + quotedArgument(argument);
  }
  return line;
}

// The host's environment block with each of variables set to its value; names ignore case.
std::string environmentBlockWith(const EnvironmentVariables& variables) {
  std::string block;
  char* const strings = GetEnvironmentStringsA();
  for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
    bool replaced = false;
    for (const auto& [name, value] : variables) {
      replaced |= _strnicmp(entry, (name + "=").c_str(), name.size() + 1) == 0;
    }
    if (!replaced) block.append(entry).push_back('\0');
  }
  FreeEnvironmentStringsA(strings);
  for (const auto& [name, value] : variables) block.append(name + "=" + value).push_back('\0');
  block.push_back('\0');
  return block;
}

}  // namespace

std::string runHookProgram(const std::vector<std::string>& command,
                           const EnvironmentVariables& variables, std::chrono::seconds limit) {
  std::string line = commandLineOf(command);
  std::string environment = environmentBlockWith(variables);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, environment.data(), nullptr,
                      &startup, &process)) {
    return "cannot start " + command.front() + ": error " + std::to_string(GetLastError());
  }
  CloseHandle(process.hThread);
  // INFINITE is a value of its own, not a longest wait.
  const auto milliseconds = std::min<long long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(limit).count(), INFINITE - 1);
  std::string outcome;
  // Windows has no request to end that a console program must heed: the limit kills at once.
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(milliseconds)) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    outcome = "killed after " + std::to_string(limit.count()) + " s";
  } else {
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    outcome = "exit status " + std::to_string(status);
  }
  CloseHandle(process.hProcess);
  return outcome;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
