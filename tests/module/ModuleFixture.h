#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

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
    m_previousDir = ::getcwd(nullptr, 0);
    ASSERT_EQ(::chdir(m_dir.path().c_str()), 0);
    ::unsetenv("LUDREL_TOPOLOGY");
  }
  void TearDown() override {
    ASSERT_EQ(::chdir(m_previousDir), 0);
    ::free(m_previousDir);
  }

  // Points the USB library at a topology file written for this test.
  void useTopology(const std::string& json) {
    ::setenv("LUDREL_TOPOLOGY", m_dir.write("topology.json", json).c_str(), 1);
  }

  std::string enumeratorLog(const std::string& dir = ".") const {
    return readFile(m_dir.file(dir + "/HalvexDeviceEnumerator.log"));
  }
  std::string diagnosticLog(const std::string& dir = ".") const {
    return readFile(m_dir.file(dir + "/HalvexDiagnostic.log"));
  }

  static HalvexDevice* deviceAt(std::vector<VirtualDevice>& devices, std::size_t index) {
    return static_cast<HalvexDevice*>(devices.at(index).getDevice());
  }

  TempDir m_dir;
  ModuleUnderTest m_module;

 private:
  char* m_previousDir = nullptr;
};

// Owns what the factories return, as the host does.
using EnumeratorPtr = std::unique_ptr<IDeviceEnumerator>;
using DiagnosticPtr = std::unique_ptr<IDiagnostics>;
