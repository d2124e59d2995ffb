#include <windows.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "HostProcess.h"

namespace {

bool sameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// One argument as the C run-time's command line parser reads it back.
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
    // Backslashes before a quote are escaped, and so is the quote.
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, '\\');  // before the closing quote
  return quoted + "\"";
}

// This process's environment without LUDREL_TOPOLOGY and the variables given, then those, as the
// block CreateProcess takes: "name=value" texts, each ended by a NUL, and a NUL after the last.
std::string environmentBlock(const std::map<std::string, std::string>& extra) {
  std::vector<std::string> variables;
  char* const strings = GetEnvironmentStringsA();
  for (const char* entry = strings; *entry != '\0';
       entry += std::char_traits<char>::length(entry) + 1) {
    const std::string variable = entry;
    // Names of the current directories of drives start with "=": "=C:=C:\work".
    const std::string name = variable.substr(0, variable.find('=', 1));
    const bool replaced = sameNameIgnoringCase(name, "LUDREL_TOPOLOGY") ||
                          std::any_of(extra.begin(), extra.end(), [&name](const auto& entry) {
                            return sameNameIgnoringCase(name, entry.first);
                          });
    if (!replaced) variables.push_back(variable);
  }
  FreeEnvironmentStringsA(strings);
  for (const auto& [name, value] : extra) variables.push_back(name + "=" + value);
  std::string block;
  for (const std::string& variable : variables) block += variable + '\0';
  return block + '\0';
}

HANDLE inheritableFile(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, disposition, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot open " + path + ": Windows error " +
                             std::to_string(GetLastError()));
  }
  return file;
}

}  // namespace

HostProcess::HostProcess(const std::vector<std::string>& arguments, const std::string& workDir,
                         const std::map<std::string, std::string>& extraEnvironment)
    : m_outPath(workDir + "/host.out"), m_errPath(workDir + "/host.err") {
  std::string commandLine = quotedArgument(HALVEX_HOST_PATH);
  for (const std::string& argument : arguments) commandLine += " " + quotedArgument(argument);
  std::string environment = environmentBlock(extraEnvironment);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = inheritableFile(m_outPath, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = inheritableFile(m_errPath, GENERIC_WRITE, CREATE_ALWAYS);
  PROCESS_INFORMATION process{};
  // The module writes its logs into the current directory unless told otherwise.
  const BOOL started = CreateProcessA(HALVEX_HOST_PATH, commandLine.data(), nullptr, nullptr, TRUE,
                                      0, environment.data(), workDir.c_str(), &startup, &process);
  const DWORD error = GetLastError();
  CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  if (!started) {
    throw std::runtime_error(std::string("cannot start ") + HALVEX_HOST_PATH + ": Windows error " +
                             std::to_string(error));
  }
  CloseHandle(process.hThread);
  m_process = process.hProcess;
}

HostProcess::~HostProcess() {
  if (m_process != nullptr) {
    TerminateProcess(m_process, 1);
    WaitForSingleObject(m_process, INFINITE);
    CloseHandle(m_process);
  }
}

int HostProcess::wait(int timeoutSeconds) {
  int status = -1;
  if (WaitForSingleObject(m_process, static_cast<DWORD>(timeoutSeconds) * 1000) == WAIT_OBJECT_0) {
    DWORD exitCode = 0;
    if (GetExitCodeProcess(m_process, &exitCode)) status = static_cast<int>(exitCode);
  } else {
    TerminateProcess(m_process, 1);
    WaitForSingleObject(m_process, INFINITE);
  }
  CloseHandle(m_process);
  m_process = nullptr;
  return status;
}
