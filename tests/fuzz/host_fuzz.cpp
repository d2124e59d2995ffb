// Any topology file on the host's path through the module: halvex-host's list and diagnose, with
// the real module loaded and driven through its three exports. Nothing crashes or leaks memory or
// a file, and both trace logs stay well formed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "../support/TempDir.h"
#include "SandboxLogs.h"
#include "runner/Diagnosis.h"
#include "runner/HalvexModule.h"
#include "runner/ModuleDevices.h"

namespace {

namespace fs = std::filesystem;
using namespace KestraDiags::HalvexHost;

// The topologies, with a copy of the bundled device nodes beside them and one folder up, so that
// the relative device paths of the bundled topologies open as they do in examples/.
const TempDir g_topologies;
// The package folder, which takes the trace logs.
const TempDir g_package;

const HalvexModule& halvexModule() {
  static const HalvexModule module = [] {
    Result<HalvexModule> loaded = HalvexModule::load(HALVEX_MODULE_PATH);
    if (!loaded.ok()) {
      std::fprintf(stderr, "%s\n", loaded.failure().message.c_str());
      std::abort();
    }
    return std::move(loaded.value());
  }();
  return module;
}

std::size_t openFileCount() {
#if defined(_WIN32)
  return 0;  // Windows counts handles of every kind, which its own libraries open at will
#else
  const fs::directory_iterator files("/proc/self/fd");
  return static_cast<std::size_t>(std::distance(fs::begin(files), fs::end(files)));
#endif
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (const char* folder : {"nodes", "topologies/nodes"}) {
    fs::copy(HALVEX_EXAMPLES_DIR "/nodes", g_topologies.makeDir(folder),
             fs::copy_options::recursive);
  }
  halvexModule();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A new name for every input: the library reads a file again only when its path, size or time
  // changes.
  static unsigned long count = 0;
  const std::string path =
      g_topologies.file("topologies/topology-" + std::to_string(++count) + ".json");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
  const std::size_t filesBefore = openFileCount();
  if (useTopologyFile(path)) std::abort();
  halvexModule().setPackageConfigFile(g_package.file("config/package.cfg"));
  {  // list --json
    std::vector<DeviceRecord> devices =
        describeDevices(enumerateDevices(halvexModule(), true).deviceList());
    addLibraryFacts(devices, PortKeys::Read);
  }
  diagnoseHubs(halvexModule(), true, {});  // diagnose
  if (openFileCount() != filesBefore) std::abort();
  checkLogsAndClear(g_package);
  fs::remove(path);
  return 0;
}
