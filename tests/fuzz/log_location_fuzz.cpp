// A package configuration path of any bytes, then the objects that open the trace logs: nothing
// fails, the logs land only below the package's folders, and every log file is well formed.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "../support/TempDir.h"
#include "../support/TraceLog.h"
#include "module/entry_points.h"

namespace {

namespace fs = std::filesystem;
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

// Each file the module made is one of its logs and reads as a trace log; all are removed.
void checkAndClear() {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(g_sandbox.path())) {
    const fs::path name = entry.path().filename();
    if (!entry.is_regular_file()) continue;
    if (name != "HalvexDeviceEnumerator.log" && name != "HalvexDiagnostic.log") std::abort();
    parseTraceLog(readFile(entry.path().string()));
  }
  for (const auto& entry : fs::directory_iterator(g_sandbox.path())) fs::remove_all(entry);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Relative log folders land in the sandbox too.
  if (::chdir(g_sandbox.path().c_str()) != 0) std::abort();
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
  checkAndClear();
  return 0;
}
