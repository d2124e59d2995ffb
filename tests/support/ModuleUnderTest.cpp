#include "ModuleUnderTest.h"

#include <dlfcn.h>

#include <stdexcept>

namespace {

template <typename Function>
Function resolve(void* library, const char* name) {
  void* symbol = ::dlsym(library, name);
  if (symbol == nullptr) throw std::runtime_error(std::string("missing export ") + name);
  return reinterpret_cast<Function>(symbol);
}

}  // namespace

ModuleUnderTest::ModuleUnderTest() : m_library(::dlopen(HALVEX_MODULE_PATH, RTLD_NOW)) {
  if (m_library == nullptr) throw std::runtime_error(std::string("dlopen: ") + ::dlerror());
  setPackageConfigFile = resolve<SetPackageConfigFileFn>(m_library, "setPackageConfigFile");
  getIDeviceEnumerator = resolve<GetIDeviceEnumeratorFn>(m_library, "getIDeviceEnumerator");
  getIDiagnostics = resolve<GetIDiagnosticsFn>(m_library, "getIDiagnostics");
}

ModuleUnderTest::~ModuleUnderTest() { ::dlclose(m_library); }
