#include "SandboxLogs.h"

#include <cstdlib>
#include <filesystem>

#include "../support/TraceLog.h"

void checkLogsAndClear(const TempDir& sandbox) {
  namespace fs = std::filesystem;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(sandbox.path())) {
    const fs::path name = entry.path().filename();
    if (!entry.is_regular_file()) continue;
    if (name != "HalvexDeviceEnumerator.log" && name != "HalvexDiagnostic.log") std::abort();
    parseTraceLog(readTraceFile(entry.path().string()));
  }
  for (const auto& entry : fs::directory_iterator(sandbox.path())) fs::remove_all(entry);
}
