#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include "HalvexModule.h"

namespace KestraDiags {
namespace HalvexHost {

const char* const kModuleFileName = "libhalvex.so";

namespace {

std::string lastLoaderError() {
  const char* text = dlerror();
  return text != nullptr ? text : "unknown loader error";
}

}  // namespace

void SharedLibrary::Unload::operator()(void* handle) const { dlclose(handle); }

Result<SharedLibrary> SharedLibrary::open(const std::string& path) {
  // Resolve everything now, as the framework's loader does, so that a missing dependency shows
  // here and not halfway through a run.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    return Failure{"MODULE_LOAD_FAILED", "cannot load module " + path + ": " + lastLoaderError()};
  }
  return SharedLibrary(handle, path);
}

Result<void*> SharedLibrary::symbol(const char* name) const {
  dlerror();
  void* address = dlsym(m_handle.get(), name);
  if (address == nullptr) {
    return Failure{"EXPORT_MISSING",
                   "module " + m_path + " does not export " + name + ": " + lastLoaderError()};
  }
  return address;
}

std::string executableDirectory() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return {};
  const std::string path(buffer, static_cast<size_t>(length));
  return path.substr(0, path.rfind('/'));
}

void setEnvironmentVariable(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

}  // namespace HalvexHost
}  // namespace KestraDiags
