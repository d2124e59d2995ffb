#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "../support/ModuleUnderTest.h"
#include "../support/TempDir.h"
#include "FailingAllocator.h"
#include "tessary/VirtualDevice.h"

// What the host keeps of one device, to compare a run under a failed allocation with a clean one.
struct DeviceSummary {
  std::string name;
  std::string description;
  std::string deviceClass;
  std::string descriptor;
  std::size_t hubCacheSize;

  bool operator==(const DeviceSummary& other) const;
};
std::vector<DeviceSummary> summarise(const std::vector<KestraDiags::DeviceEnum::VirtualDevice>&);

// Runs a call into the module and tells whether an exception came out of it.
template <typename Call>
bool throwsOutOf(Call call) noexcept {
  try {
    call();
    return false;
  } catch (...) {
    return true;
  }
}

// Descriptors this process holds open: a log left open by a miscounted user shows up here.
std::size_t openDescriptorCount();

// The test's world: the bundled topologies and their stand-in nodes copied into a temporary
// folder, a package configuration path whose log directory exists, and the real module.
class HostSimulation : public ::testing::Test {
 protected:
  HostSimulation();

  // Points the USB library at a bundled topology, such as "rack-server.json".
  void useTopology(const std::string& relativePath);

  std::string enumeratorLogPath() const { return m_logDir + "/HalvexDeviceEnumerator.log"; }
  std::string diagnosticLogPath() const { return m_logDir + "/HalvexDiagnostic.log"; }
  // Empty when the file is well formed or absent, else what is wrong with it.
  static std::string logProblem(const std::string& path);

  TempDir m_dir;
  std::string m_configFile;
  std::string m_logDir;
  ModuleUnderTest m_module;
};

// Collects what went wrong at which allocation and reports the first few at the end.
class FailureReport {
 public:
  // The text's one block is taken at once, so that reporting does not count as a leak.
  FailureReport() { m_text.reserve(kShown * (kProblemLength + 32)); }
  void add(std::size_t allocation, const std::string& problem);
  bool empty() const { return m_count == 0; }
  std::string text() const;

 private:
  static constexpr std::size_t kShown = 5;
  static constexpr std::size_t kProblemLength = 400;
  std::size_t m_count = 0;
  std::string m_text;
};
