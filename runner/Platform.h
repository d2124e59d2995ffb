#pragma once

#include <memory>
#include <string>
#include <utility>

#include "HostOutput.h"

// Everything the host needs from the operating system to load a module. The POSIX version lives
// in Platform_posix.cpp; a Windows build supplies the same with LoadLibrary and GetProcAddress.
namespace KestraDiags {
namespace HalvexHost {

// The module's file name on this platform.
extern const char* const kModuleFileName;

// A loaded shared library; unloaded when the last owner goes.
class SharedLibrary {
 public:
  // The error message names the path and carries the loader's own reason.
  static Outcome<SharedLibrary> open(const std::string& path);

  // The address of an exported symbol; the error message names the symbol and the library.
  Outcome<void*> symbol(const char* name) const;
  const std::string& path() const { return m_path; }

 private:
  // Unloads the library, the platform's way.
  struct Unload {
    void operator()(void* handle) const;
  };

  SharedLibrary(void* handle, std::string path) : m_handle(handle), m_path(std::move(path)) {}

  std::unique_ptr<void, Unload> m_handle;
  std::string m_path;
};

// The directory that holds the running executable, without a trailing separator; empty when the
// system does not tell.
std::string executableDirectory();

// Sets a variable in this process's environment, for libraries that read it later.
void setEnvironmentVariable(const std::string& name, const std::string& value);

}  // namespace HalvexHost
}  // namespace KestraDiags
