#pragma once

#include "module/entry_points.h"
#include "runner/HalvexModule.h"

// The real libhalvex, loaded by name with the host's own loader and its three exports resolved
// as the framework resolves them; a module that fails to load throws.
class ModuleUnderTest {
 public:
  ModuleUnderTest();

 private:
  KestraDiags::HalvexHost::SharedLibrary m_library;  // first: the exports below are its

 public:
  const SetPackageConfigFileFn setPackageConfigFile;
  const GetIDeviceEnumeratorFn getIDeviceEnumerator;
  const GetIDiagnosticsFn getIDiagnostics;
};
