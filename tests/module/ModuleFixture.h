#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../support/Environment.h"
#include "../support/ModuleUnderTest.h"
#include "../support/TempDir.h"
#include "../support/TraceLog.h"
#include "device/HalvexDevice.h"

using KestraDiags::DeviceEnum::IDeviceEnumerator;
using KestraDiags::DeviceEnum::VirtualDevice;
using KestraDiags::Diag::IDiagnostics;
using KestraDiags::Halvex::HalvexDevice;

constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;

// Each test runs in its own process (one CTest entry per test), so the module's globals start
// as at load. The fixture works in a temporary current directory, where relative paths land.
class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previousDir = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.path());
    unsetEnvironment("LUDREL_TOPOLOGY");
  }
  void TearDown() override { std::filesystem::current_path(m_previousDir); }

  // Points the USB library at a topology file written for this test.
  void useTopology(const std::string& json) {
    setEnvironment("LUDREL_TOPOLOGY", m_dir.write("topology.json", json));
  }

  std::string enumeratorLog(const std::string& dir = ".") const {
    return readTraceFile(m_dir.file(dir + "/HalvexDeviceEnumerator.log"));
  }
  std::string diagnosticLog(const std::string& dir = ".") const {
    return readTraceFile(m_dir.file(dir + "/HalvexDiagnostic.log"));
  }

  static HalvexDevice* deviceAt(std::vector<VirtualDevice>& devices, std::size_t index) {
    return static_cast<HalvexDevice*>(devices.at(index).getDevice());
  }

  TempDir m_dir;
  ModuleUnderTest m_module;

 private:
  std::filesystem::path m_previousDir;
};

// Owns what the factories return, as the host does.
using EnumeratorPtr = std::unique_ptr<IDeviceEnumerator>;
using DiagnosticPtr = std::unique_ptr<IDiagnostics>;
