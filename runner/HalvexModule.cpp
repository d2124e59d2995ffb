#include "HalvexModule.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace KestraDiags {
namespace HalvexHost {

namespace {

template <typename Function>
Result<Function> resolve(const SharedLibrary& library, const char* name) {
  Result<void*> address = library.symbol(name);
  if (!address.ok()) return address.failure();
  return reinterpret_cast<Function>(address.value());
}

std::vector<std::string> defaultModuleCandidates() {
  const std::filesystem::path directory = executableDirectory();
  return {(directory / kModuleFileName).string(),
          (directory / HALVEX_INSTALLED_MODULE_DIR / kModuleFileName).lexically_normal().string()};
}

}  // namespace

HalvexModule::HalvexModule(SharedLibrary library, SetPackageConfigFileFn setPackageConfigFile,
                           GetIDeviceEnumeratorFn getIDeviceEnumerator,
                           GetIDiagnosticsFn getIDiagnostics)
    : m_library(std::move(library)),
      m_setPackageConfigFile(setPackageConfigFile),
      m_getIDeviceEnumerator(getIDeviceEnumerator),
      m_getIDiagnostics(getIDiagnostics) {}

Result<HalvexModule> HalvexModule::load(const std::string& path) {
  // The loader would wait for ever on a FIFO.
  if (auto reason = whyNotARegularFile(path)) {
    return Failure{"MODULE_LOAD_FAILED", "cannot load module " + path + ": " + *reason};
  }
  Result<SharedLibrary> library = SharedLibrary::open(path);
  if (!library.ok()) return library.failure();
  auto setPackageConfigFile =
      resolve<SetPackageConfigFileFn>(library.value(), "setPackageConfigFile");
  if (!setPackageConfigFile.ok()) return setPackageConfigFile.failure();
  auto getIDeviceEnumerator =
      resolve<GetIDeviceEnumeratorFn>(library.value(), "getIDeviceEnumerator");
  if (!getIDeviceEnumerator.ok()) return getIDeviceEnumerator.failure();
  auto getIDiagnostics = resolve<GetIDiagnosticsFn>(library.value(), "getIDiagnostics");
  if (!getIDiagnostics.ok()) return getIDiagnostics.failure();
  return HalvexModule(std::move(library.value()), setPackageConfigFile.value(),
                      getIDeviceEnumerator.value(), getIDiagnostics.value());
}

void HalvexModule::setPackageConfigFile(const std::string& path) const {
  m_setPackageConfigFile(path.c_str());
}

std::unique_ptr<DeviceEnum::IDeviceEnumerator> HalvexModule::createEnumerator(
    bool logEnabled) const {
  return std::unique_ptr<DeviceEnum::IDeviceEnumerator>(
      m_getIDeviceEnumerator(logEnabled, DeviceEnum::IDeviceEnumerator::MODE_NORMAL));
}

std::unique_ptr<Diag::IDiagnostics> HalvexModule::createDiagnostic(bool logEnabled) const {
  return std::unique_ptr<Diag::IDiagnostics>(
      m_getIDiagnostics(logEnabled, DeviceEnum::IDeviceEnumerator::MODE_NORMAL));
}

Result<std::string> findDefaultModule() {
  const std::vector<std::string> candidates = defaultModuleCandidates();
  for (const std::string& candidate : candidates) {
    std::error_code ignored;
    if (std::filesystem::exists(candidate, ignored)) return candidate;
  }
  return Failure{"MODULE_NOT_FOUND", "cannot find the module: no " + candidates.front() + " nor " +
                                         candidates.back() + " (give its path with --module)"};
}

std::optional<Failure> useTopologyFile(const std::string& path) {
  // The library reports a bad file only as an empty device list; saying it here is clearer.
  if (auto reason = whyNotARegularFile(path)) {
    return Failure{"TOPOLOGY_UNREADABLE", "cannot read topology file " + path + ": " + *reason};
  }
  std::ifstream file(path);
  if (!file) {
    return Failure{"TOPOLOGY_UNREADABLE",
                   "cannot read topology file " + path + ": " + std::strerror(errno)};
  }
  std::error_code error;
  setEnvironmentVariable("LUDREL_TOPOLOGY", std::filesystem::absolute(path, error).string());
  return std::nullopt;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
