#pragma once

#include "tessary/IDeviceEnumerator.h"
#include "tessary/IDiagnostics.h"

// The module's whole export table of its own: three functions with C linkage.
#if defined(_WIN32)
#define HALVEX_EXPORT __declspec(dllexport)
#else
#define HALVEX_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
HALVEX_EXPORT void setPackageConfigFile(const char* path);
HALVEX_EXPORT KestraDiags::DeviceEnum::IDeviceEnumerator* getIDeviceEnumerator(
    bool logEnabled, KestraDiags::DeviceEnum::IDeviceEnumerator::DiagnosticMode mode);
HALVEX_EXPORT KestraDiags::Diag::IDiagnostics* getIDiagnostics(
    bool logEnabled, KestraDiags::DeviceEnum::IDeviceEnumerator::DiagnosticMode mode);
}

// The same functions as a host resolves them by name.
using SetPackageConfigFileFn = void (*)(const char*);
using GetIDeviceEnumeratorFn = KestraDiags::DeviceEnum::
    IDeviceEnumerator* (*)(bool, KestraDiags::DeviceEnum::IDeviceEnumerator::DiagnosticMode);
using GetIDiagnosticsFn = KestraDiags::Diag::
    IDiagnostics* (*)(bool, KestraDiags::DeviceEnum::IDeviceEnumerator::DiagnosticMode);
