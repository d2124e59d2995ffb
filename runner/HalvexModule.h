#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "HostOutput.h"
#include "tessary/IDeviceEnumerator.h"
#include "tessary/IDiagnostics.h"

// Loading the module the way the framework does: the USB library's environment, the library
// file, its three exports. The loader's system calls live in HalvexModule_posix.cpp and
// HalvexModule_windows.cpp.
namespace KestraDiags {
namespace HalvexHost {

// The module's three exports, as the framework resolves them by name.
using SetPackageConfigFileFn = void (*)(const char*);
using GetIDeviceEnumeratorFn =
    DeviceEnum::IDeviceEnumerator* (*)(bool, DeviceEnum::IDeviceEnumerator::DiagnosticMode);
using GetIDiagnosticsFn = Diag::IDiagnostics* (*)(bool,
                                                  DeviceEnum::IDeviceEnumerator::DiagnosticMode);

// The module's file name on this platform.
extern const char* const kModuleFileName;

// A loaded shared library; unloaded when the last owner goes.
class SharedLibrary {
 public:
  // The error message names the path and carries the loader's own reason.
  static Result<SharedLibrary> open(const std::string& path);

  // The address of an exported symbol; the error message names the symbol and the library.
  Result<void*> symbol(const char* name) const;
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

// The diagnostics module as the framework sees it: a loaded library and its three exports.
// Objects made by its factories must be gone before the module is.
class HalvexModule {
 public:
  // Loads the library and resolves the exports by name.
  static Result<HalvexModule> load(const std::string& path);

  void setPackageConfigFile(const std::string& path) const;
  std::unique_ptr<DeviceEnum::IDeviceEnumerator> createEnumerator(bool logEnabled) const;
  std::unique_ptr<Diag::IDiagnostics> createDiagnostic(bool logEnabled) const;

  const std::string& path() const { return m_library.path(); }

 private:
  HalvexModule(SharedLibrary library, SetPackageConfigFileFn setPackageConfigFile,
               GetIDeviceEnumeratorFn getIDeviceEnumerator, GetIDiagnosticsFn getIDiagnostics);

  SharedLibrary m_library;
  SetPackageConfigFileFn m_setPackageConfigFile;
  GetIDeviceEnumeratorFn m_getIDeviceEnumerator;
  GetIDiagnosticsFn m_getIDiagnostics;
};

// Where the host looks for the module when no path is given: beside the executable (the build
// tree), then in the library directory of an installed tree. The first that exists, else the
// reason.
Result<std::string> findDefaultModule();

// The directory that holds the running executable, without a trailing separator; empty when the
// system does not tell.
std::string executableDirectory();

// Points the USB library's simulated backend at a topology file. Must run before the module
// creates anything; fails when the file cannot be read.
std::optional<Failure> useTopologyFile(const std::string& path);

// Sets a variable in this process's environment, for libraries that read it later.
void setEnvironmentVariable(const std::string& name, const std::string& value);

}  // namespace HalvexHost
}  // namespace KestraDiags
