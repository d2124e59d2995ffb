#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../support/ModuleUnderTest.h"
#include "../support/TempDir.h"

// The real module driven by steps, as a host would, in a temporary current directory where
// relative paths land. The USB library cannot list the devices until a step gives it a topology,
// so that every enumeration writes the same records.
class Scenario {
 public:
  Scenario();
  ~Scenario();
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  // Plays steps separated by "; ", in order:
  // - "mkdir <dir>", "file <path>" (empty), "earlier <path>" (a log an earlier run left, its last
  //   record cut off), "full <path>" (a link to /dev/full): below the directory;
  // - "topology <file>" from tests/topologies, or "hub <path>": one root hub at that device path;
  // - "config <path>" or "config (null)" for setPackageConfigFile;
  // - "enumerator", "quiet enumerator", "diagnostic", "quiet diagnostic": an object with logging
  //   on or off, kept to the end; "drop enumerator <n>", "drop diagnostic <n>" deletes the n-th
  //   one made, counted from 1;
  // - "enumerate <n>": the n-th enumerator's devices, at most once per enumerator since a second
  //   call would hand the first vector to the host;
  // - "open", "close", "control" on the first device enumerated last; "caches": the hub cache of
  //   each device enumerated last; on Windows "hold" and "release" an exclusive handle on the
  //   hub's path, and "probe" which other openers it lets in.
  void play(const std::string& steps);
  // What the steps answered, then every file below the directory with the entries of its log.
  std::string transcript() const;
  // Drops every object and the module; whether the module left the process with them.
  bool unloads();

 private:
  void playStep(const std::string& step, const std::string& last);
  void useTopology(const std::string& json);
  void report(const std::string& outcome);

  TempDir m_dir, m_topologies;
  std::filesystem::path m_previousDir;
  std::optional<ModuleUnderTest> m_module;
  std::vector<std::unique_ptr<KestraDiags::DeviceEnum::IDeviceEnumerator>> m_enumerators;
  std::vector<std::unique_ptr<KestraDiags::Diag::IDiagnostics>> m_diagnostics;
  std::vector<KestraDiags::DeviceEnum::VirtualDevice>* m_devices = nullptr;
  std::string m_hubPath, m_outcomes;
  int m_handlesBefore = 0;
#if defined(_WIN32)
  void* m_held = nullptr;  // the exclusive handle of "hold"
#endif
};
