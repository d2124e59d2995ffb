#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "HalvexModule.h"

namespace KestraDiags {
namespace HalvexHost {

const char* const kModuleFileName = "halvex.dll";

namespace {

// The system's text for an error code, without the line end it comes with.
std::string systemMessage(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 ? std::string(text, length) : std::string();
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = "unknown loader error";
  return message + " (Windows error " + std::to_string(error) + ")";
}

HMODULE moduleOf(void* handle) { return static_cast<HMODULE>(handle); }

}  // namespace

void SharedLibrary::Unload::operator()(void* handle) const { FreeLibrary(moduleOf(handle)); }

Result<SharedLibrary> SharedLibrary::open(const std::string& path) {
  // The module's own DLLs (the framework's and the USB library's, the C++ runtime) are looked
  // for beside it first; that search needs the full path. A failure is reported here, never
  // in a dialog box.
  std::error_code ignored;
  const std::string fullPath = std::filesystem::absolute(path, ignored).string();
  DWORD previousMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  HMODULE handle = LoadLibraryExA(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD error = GetLastError();
  SetThreadErrorMode(previousMode, nullptr);
  if (handle == nullptr) {
    return Failure{"MODULE_LOAD_FAILED",
                   "cannot load module " + path + ": " + systemMessage(error)};
  }
  return SharedLibrary(handle, path);
}

Result<void*> SharedLibrary::symbol(const char* name) const {
  FARPROC address = GetProcAddress(moduleOf(m_handle.get()), name);
  if (address == nullptr) {
    return Failure{"EXPORT_MISSING", "module " + m_path + " does not export " + name + ": " +
                                         systemMessage(GetLastError())};
  }
  return reinterpret_cast<void*>(address);
}

std::string executableDirectory() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::string::size_type separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

void setEnvironmentVariable(const std::string& name, const std::string& value) {
  // The C run-time's copy of the environment, which getenv reads, and the process's own.
  _putenv_s(name.c_str(), value.c_str());
}

}  // namespace HalvexHost
}  // namespace KestraDiags
