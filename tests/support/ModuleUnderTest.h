#pragma once

#include <string>

#include "module/entry_points.h"

// The real libhalvex, loaded and resolved by name as the host framework does.
class ModuleUnderTest {
 public:
  ModuleUnderTest();
  ~ModuleUnderTest();
  ModuleUnderTest(const ModuleUnderTest&) = delete;
  ModuleUnderTest& operator=(const ModuleUnderTest&) = delete;

  SetPackageConfigFileFn setPackageConfigFile;
  GetIDeviceEnumeratorFn getIDeviceEnumerator;
  GetIDiagnosticsFn getIDiagnostics;

 private:
  void* m_library;
};
