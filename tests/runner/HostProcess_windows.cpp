#include <windows.h>

#include <stdexcept>

#include "HostTest.h"

HostProcess::HostProcess(const std::vector<std::string>& arguments, const std::string& workDir)
    : m_workDir(workDir) {
  // No argument of these tests holds a quote or ends in a backslash: quoting each is enough.
  std::string commandLine = "\"" HALVEX_HOST_PATH "\"";
  for (const std::string& argument : arguments) commandLine += " \"" + argument + "\"";
  SetEnvironmentVariableA("LUDREL_TOPOLOGY", nullptr);

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const auto open = [&inherit](const std::string& path, DWORD access, DWORD disposition) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, 0, nullptr);
  };
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = open("NUL", GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = open(workDir + "/host.out", GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = open(workDir + "/host.err", GENERIC_WRITE, CREATE_ALWAYS);
  PROCESS_INFORMATION process{};
  // The module writes its logs into the current directory unless told otherwise.
  const BOOL started = CreateProcessA(HALVEX_HOST_PATH, commandLine.data(), nullptr, nullptr, TRUE,
                                      0, nullptr, workDir.c_str(), &startup, &process);
  const DWORD error = GetLastError();
  for (HANDLE file : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(file);
  if (!started) {
    throw std::runtime_error("cannot start " HALVEX_HOST_PATH ": Windows error " +
                             std::to_string(error));
  }
  CloseHandle(process.hThread);
  m_process = process.hProcess;
}

int HostProcess::wait(int timeoutSeconds) {
  if (m_process == nullptr) return -1;
  if (WaitForSingleObject(m_process, static_cast<DWORD>(timeoutSeconds) * 1000) != WAIT_OBJECT_0) {
    TerminateProcess(m_process, static_cast<UINT>(-1));
    WaitForSingleObject(m_process, INFINITE);
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(m_process, &exitCode);
  CloseHandle(m_process);
  m_process = nullptr;
  return static_cast<int>(exitCode);
}

std::string HostProcess::printed(const std::string& path) {
  std::string text = readFile(path);
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
  return text;
}
