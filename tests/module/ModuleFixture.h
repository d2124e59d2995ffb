#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../support/Environment.h"
#include "../support/ModuleUnderTest.h"
#include "../support/NamedCase.h"
#include "../support/TempDir.h"
#include "../support/TraceLog.h"
#include "device/HalvexDevice.h"

using KestraDiags::DeviceEnum::IDeviceEnumerator;
using KestraDiags::DeviceEnum::VirtualDevice;
using KestraDiags::Diag::IDiagnostics;
using KestraDiags::Halvex::HalvexDevice;
using Devices = std::vector<VirtualDevice>;
using Texts = std::vector<std::string>;
// Owns what the factories return, as the host does.
using EnumeratorPtr = std::unique_ptr<IDeviceEnumerator>;
using DiagnosticPtr = std::unique_ptr<IDiagnostics>;

constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;

inline Texts operator+(Texts first, const Texts& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// The texts from the first one equal to first to the end; none when no text is.
inline Texts from(const Texts& texts, const std::string& first) {
  return Texts(std::find(texts.begin(), texts.end(), first), texts.end());
}

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
  // The devices of one enumeration by a logging enumerator that the fixture keeps: a root hub at
  // each device path given.
  Devices& enumerate(const Texts& hubPaths = {}) {
    std::string devices;
    for (const std::string& path : hubPaths) {
      devices +=
          std::string(devices.empty() ? "" : ",") + R"({"type": "root-hub", "devicePath": ")";
      for (const char c : path) devices += c == '\\' ? std::string("\\\\") : std::string(1, c);
      devices += "\"}";
    }
    useTopology(R"({"devices": [)" + devices + "]}");
    m_enumerator.reset(m_module.getIDeviceEnumerator(true, kNormal));
    return *m_enumerator->getDeviceVector("", 0);
  }
  // Plays the steps of a scenario, separated by "; ", in order: "mkdir <dir>" or "file <path>"
  // below the test's directory; "config <path>" or "config (null)" for setPackageConfigFile;
  // "enumerator", "quiet enumerator", "diagnostic" or "quiet diagnostic" for an object with
  // logging on or off, kept to the end of the test; "drop enumerator <n>" or "drop diagnostic <n>"
  // to delete the n-th one made, counted from 1; "enumerate <n>" for a getDeviceVector call of
  // the n-th enumerator, at most one per enumerator since a second one would hand the first
  // vector to the host.
  void play(const std::string& scenario) {
    for (std::string::size_type at = 0, end = 0; end != std::string::npos; at = end + 2) {
      end = scenario.find("; ", at);
      const std::string step = scenario.substr(at, end - at);
      const std::string last = step.substr(step.rfind(' ') + 1);
      if (step.rfind("mkdir ", 0) == 0) {
        m_dir.makeDir(last);
      } else if (step.rfind("file ", 0) == 0) {
        m_dir.write(last, "");
      } else if (step == "config (null)") {
        m_module.setPackageConfigFile(nullptr);
      } else if (step.rfind("config ", 0) == 0) {
        m_module.setPackageConfigFile(last.c_str());
      } else if (last == "enumerator") {
        m_enumerators.emplace_back(m_module.getIDeviceEnumerator(step == last, kNormal));
      } else if (last == "diagnostic") {
        m_diagnostics.emplace_back(m_module.getIDiagnostics(step == last, kNormal));
      } else if (step.rfind("drop enumerator ", 0) == 0) {
        m_enumerators.at(std::stoul(last) - 1).reset();
      } else if (step.rfind("drop diagnostic ", 0) == 0) {
        m_diagnostics.at(std::stoul(last) - 1).reset();
      } else {
        ASSERT_EQ(step.rfind("enumerate ", 0), 0u) << step;
        ASSERT_NE(m_enumerators.at(std::stoul(last) - 1)->getDeviceVector("", 0), nullptr);
      }
    }
  }

  std::string enumeratorLog() const {
    return readTraceFile(m_dir.file("HalvexDeviceEnumerator.log"));
  }

  TempDir m_dir;
  ModuleUnderTest m_module;
  EnumeratorPtr m_enumerator;
  std::vector<EnumeratorPtr> m_enumerators;
  std::vector<DiagnosticPtr> m_diagnostics;

 private:
  std::filesystem::path m_previousDir;
};
