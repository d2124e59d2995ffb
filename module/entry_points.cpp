#include "module/entry_points.h"

#include "diag/HalvexDiagnostic.h"
#include "enum/HalvexDeviceEnumerator.h"
#include "module/locations.h"

using KestraDiags::DeviceEnum::IDeviceEnumerator;

// No exception may cross into the host through these C functions: a failure (an allocation,
// in practice) leaves the locations as far as they got, or gives the host a null object.

void setPackageConfigFile(const char* path) {
  try {
    deriveLocations(path);
  } catch (...) {
  }
}

IDeviceEnumerator* getIDeviceEnumerator(bool logEnabled, IDeviceEnumerator::DiagnosticMode mode) {
  try {
    return new KestraDiags::Halvex::HalvexDeviceEnumerator(logEnabled, mode);
  } catch (...) {
    return nullptr;
  }
}

KestraDiags::Diag::IDiagnostics* getIDiagnostics(bool logEnabled,
                                                 IDeviceEnumerator::DiagnosticMode mode) {
  try {
    return new KestraDiags::Halvex::HalvexDiagnostic(logEnabled, mode);
  } catch (...) {
    return nullptr;
  }
}
