#include "ModuleUnderTest.h"

#include <stdexcept>
#include <utility>

namespace {

template <typename T>
T orThrow(KestraDiags::HalvexHost::Result<T> result) {
  if (!result.ok()) throw std::runtime_error(result.failure().message);
  return std::move(result.value());
}

template <typename Function>
Function exported(const KestraDiags::HalvexHost::SharedLibrary& library, const char* name) {
  return reinterpret_cast<Function>(orThrow(library.symbol(name)));
}

}  // namespace

ModuleUnderTest::ModuleUnderTest()
    : m_library(orThrow(KestraDiags::HalvexHost::SharedLibrary::open(HALVEX_MODULE_PATH))),
      setPackageConfigFile(exported<SetPackageConfigFileFn>(m_library, "setPackageConfigFile")),
      getIDeviceEnumerator(exported<GetIDeviceEnumeratorFn>(m_library, "getIDeviceEnumerator")),
      getIDiagnostics(exported<GetIDiagnosticsFn>(m_library, "getIDiagnostics")) {}
