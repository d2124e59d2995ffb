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

fs::path g_root;

// Keeps every derived folder inside the sandbox: the path is put below two folders of it, and
// ".." can climb no further because none is left.
std::string sandboxed(std::string path) {
  for (std::size_t dots = path.find(".."); dots != std::string::npos; dots = path.find("..")) {
    path[dots] = '_';
  }
  return (g_root / "package" / "config").string() + "/" + path;
}

bool isLogFile(const fs::path& file) {
  return file.filename() == "HalvexDeviceEnumerator.log" ||
         file.filename() == "HalvexDiagnostic.log";
}

// Each file the module made is one of its logs and reads as a trace log; all are removed.
void checkAndClear() {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(g_root)) {
    if (!entry.is_regular_file()) continue;
    if (!isLogFile(entry.path())) std::abort();
    parseTraceLog(readFile(entry.path().string()));
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(g_root)) fs::remove_all(entry);
  fs::create_directories(g_root / "package" / "config");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/halvex-location-fuzz-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) std::abort();
  g_root = pattern;
  fs::create_directories(g_root / "package" / "config");
  // Relative log folders land in the sandbox too.
  if (::chdir(pattern) != 0) std::abort();
  std::atexit([] { fs::remove_all(g_root); });
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
