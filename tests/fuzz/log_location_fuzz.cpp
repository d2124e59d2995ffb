// A package configuration path of any bytes, then the objects that open the trace logs: nothing
// fails, the logs land only below the package's folders, and every log file is well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "../support/TempDir.h"
#include "SandboxLogs.h"
#include "module/entry_points.h"

namespace {

using KestraDiags::DeviceEnum::IDeviceEnumerator;

const TempDir g_sandbox;

// The path below two folders of the sandbox, with every ".." broken, so that no derived folder
// can climb out of it.
std::string sandboxed(std::string path) {
  for (std::size_t dots = path.find(".."); dots != std::string::npos; dots = path.find("..")) {
    path[dots] = '_';
  }
  return g_sandbox.makeDir("package/config") + "/" + path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Relative log folders land in the sandbox too.
  std::filesystem::current_path(g_sandbox.path());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = sandboxed(std::string(reinterpret_cast<const char*>(data), size));
  setPackageConfigFile(path.c_str());
  {
    const std::unique_ptr<IDeviceEnumerator> enumerator(
        getIDeviceEnumerator(true, IDeviceEnumerator::MODE_NORMAL));
    const std::unique_ptr<KestraDiags::Diag::IDiagnostics> diagnostic(
        getIDiagnostics(true, IDeviceEnumerator::MODE_NORMAL));
    if (!enumerator || !diagnostic) std::abort();
  }
  checkLogsAndClear(g_sandbox);
  return 0;
}
