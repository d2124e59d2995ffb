// A module that has lost one export: getIDiagnostics is missing.
#include "module/entry_points.h"

extern "C" {
HALVEX_EXPORT void setPackageConfigFile(const char*) {}
HALVEX_EXPORT KestraDiags::DeviceEnum::IDeviceEnumerator* getIDeviceEnumerator(
    bool, KestraDiags::DeviceEnum::IDeviceEnumerator::DiagnosticMode) {
  return nullptr;
}
}
