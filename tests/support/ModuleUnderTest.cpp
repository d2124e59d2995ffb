#include "ModuleUnderTest.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <stdexcept>

namespace {

#if defined(_WIN32)
void* loadModule() {
  HMODULE library = ::LoadLibraryA(HALVEX_MODULE_PATH);
  if (library == nullptr) {
    throw std::runtime_error("LoadLibrary: Windows error " + std::to_string(::GetLastError()));
  }
  return library;
}
void* exported(void* library, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}
void unloadModule(void* library) { ::FreeLibrary(static_cast<HMODULE>(library)); }
#else
void* loadModule() {
  void* library = ::dlopen(HALVEX_MODULE_PATH, RTLD_NOW);
  if (library == nullptr) throw std::runtime_error(std::string("dlopen: ") + ::dlerror());
  return library;
}
void* exported(void* library, const char* name) { return ::dlsym(library, name); }
void unloadModule(void* library) { ::dlclose(library); }
#endif

template <typename Function>
Function resolve(void* library, const char* name) {
  void* symbol = exported(library, name);
  if (symbol == nullptr) throw std::runtime_error(std::string("missing export ") + name);
  return reinterpret_cast<Function>(symbol);
}

}  // namespace

ModuleUnderTest::ModuleUnderTest() : m_library(loadModule()) {
  setPackageConfigFile = resolve<SetPackageConfigFileFn>(m_library, "setPackageConfigFile");
  getIDeviceEnumerator = resolve<GetIDeviceEnumeratorFn>(m_library, "getIDeviceEnumerator");
  getIDiagnostics = resolve<GetIDiagnosticsFn>(m_library, "getIDiagnostics");
}

ModuleUnderTest::~ModuleUnderTest() { unloadModule(m_library); }
