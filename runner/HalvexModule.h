#pragma once

#include <memory>
#include <string>
#include <vector>

#include "HostOutput.h"
#include "Platform.h"
#include "tessary/IDeviceEnumerator.h"
#include "tessary/IDiagnostics.h"

namespace KestraDiags {
namespace HalvexHost {

// The module's three exports, as the framework resolves them by name.
using SetPackageConfigFileFn = void (*)(const char*);
using GetIDeviceEnumeratorFn =
    DeviceEnum::IDeviceEnumerator* (*)(bool, DeviceEnum::IDeviceEnumerator::DiagnosticMode);
using GetIDiagnosticsFn = Diag::IDiagnostics* (*)(bool,
                                                  DeviceEnum::IDeviceEnumerator::DiagnosticMode);

// The diagnostics module as the framework sees it: a loaded library and its three exports.
// Objects made by its factories must be gone before the module is.
class HalvexModule {
 public:
  // Loads the library and resolves the exports by name.
  static Outcome<HalvexModule> load(const std::string& path);

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
// tree), then in the library directory of an installed tree.
std::vector<std::string> defaultModuleCandidates();

// The first default candidate that exists, else the reason.
Outcome<std::string> findDefaultModule();

}  // namespace HalvexHost
}  // namespace KestraDiags
