#pragma once

#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tessary/IDiagnostics.h"

namespace KestraDiags {
namespace TessaryTests {

using Journal = std::vector<std::string>;

// A functional test whose support answer and run are scripted, and which writes every call it
// receives into a journal shared by the whole catalogue, as "<position>.<call>".
class ScriptedTest : public Diag::IFunctionalTest {
 public:
  using Run = std::function<Diag::DiagnosticResult*()>;

  ScriptedTest(std::string id, Journal& journal, std::ofstream& log, Diag::EventQueue& queue,
               bool supports, Run run)
      : IFunctionalTest(log, queue),
        m_id(std::move(id)),
        m_journal(journal),
        m_supports(supports),
        m_run(std::move(run)) {}

  Diag::DiagnosticResult* run(const DeviceEnum::IDevice* device,
                              const Diag::DiagnosticSettings& settings) override {
    note("run");
    lastDevice = device;
    lastSettings = &settings;
    return m_run();
  }
  bool isDeviceSupported(const DeviceEnum::IDevice* device, int testIndex) override {
    note("supported(" + std::to_string(testIndex) + ")");
    lastDevice = device;
    return m_supports;
  }
  void abortTest() override { note("abort"); }
  void suspendTest() override { note("suspend"); }
  void resumeTest() override { note("resume"); }
  Diag::DiagnosticResult* runPilotTest(const DeviceEnum::IDevice* device,
                                       const Diag::DiagnosticSettings& settings) override {
    note("pilot");
    return IFunctionalTest::runPilotTest(device, settings);
  }

  const DeviceEnum::IDevice* lastDevice = nullptr;
  const Diag::DiagnosticSettings* lastSettings = nullptr;

 private:
  void note(const std::string& call) { m_journal.push_back(m_id + "." + call); }

  std::string m_id;
  Journal& m_journal;
  bool m_supports;
  Run m_run;
};

// A diagnostic whose catalogue the test fills; like a real one it deletes its tests.
class ScriptedDiagnostics : public Diag::IDiagnostics {
 public:
  explicit ScriptedDiagnostics(DeviceEnum::IDeviceEnumerator::DiagnosticMode mode =
                                   DeviceEnum::IDeviceEnumerator::MODE_NORMAL)
      : IDiagnostics("Scripted", "0.1", "Scripted diagnostics", false, mode) {}
  ~ScriptedDiagnostics() override {
    for (Diag::IFunctionalTest* test : m_functionalTests) delete test;
  }

  ScriptedTest& addTest(bool supports, ScriptedTest::Run run) {
    auto* test = new ScriptedTest(std::to_string(m_functionalTests.size()), m_journal, m_testLog,
                                  m_eventQueue, supports, std::move(run));
    m_functionalTests.push_back(test);
    return *test;
  }
  void addEmptySlot() { m_functionalTests.push_back(nullptr); }

  const Journal& journal() const { return m_journal; }
  using IDiagnostics::setLogFile;

 private:
  Journal m_journal;
  std::ofstream m_testLog;
};

}  // namespace TessaryTests
}  // namespace KestraDiags
