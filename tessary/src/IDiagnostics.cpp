#include "tessary/IDiagnostics.h"

#include <cstddef>
#include <memory>
#include <utility>

#include "TextOrEmpty.h"

namespace KestraDiags {
namespace Diag {

using TessaryInternal::textOrEmpty;

namespace {

template <typename Request>
void forEachTest(const std::vector<IFunctionalTest*>& tests, Request request) {
  for (IFunctionalTest* test : tests) {
    if (test != nullptr) {
      request(*test);
    }
  }
}

}  // namespace

IDiagnostics::IDiagnostics(const char* name, const char* version, const char* description,
                           bool logEnabled, DeviceEnum::IDeviceEnumerator::DiagnosticMode mode)
    : m_logEnabled(logEnabled),
      m_name(textOrEmpty(name)),
      m_version(textOrEmpty(version)),
      m_description(textOrEmpty(description)),
      m_diagnosticMode(mode),
      m_logFile(nullptr) {}

// The tests in m_functionalTests belong to the derived class, which deletes them.
IDiagnostics::~IDiagnostics() = default;

bool IDiagnostics::runDiagnostic(const DeviceEnum::IDevice* device,
                                 const DiagnosticSettings& settings) {
  m_status.setStatus(DiagnosticStatus::STATUS_RUNNING);
  m_status.setProgress(0);

  const bool pilot = m_diagnosticMode == DeviceEnum::IDeviceEnumerator::MODE_PILOT;
  bool anyTestRan = false;
  for (std::size_t index = 0; index < m_functionalTests.size(); ++index) {
    IFunctionalTest* test = m_functionalTests[index];
    if (test == nullptr) {
      continue;
    }
    // A failing test must not stop the host's run: its exception becomes a warning event.
    try {
      if (!test->isDeviceSupported(device, static_cast<int>(index))) {
        continue;
      }
      anyTestRan = true;
      std::unique_ptr<DiagnosticResult> result(pilot ? test->runPilotTest(device, settings)
                                                     : test->run(device, settings));
      if (result != nullptr) {
        m_eventQueue.post(DiagnosticEvent(result->getMessageCode(), result->getEventType()));
        m_results.push_back(std::move(result));
      }
    } catch (...) {
      m_eventQueue.post(DiagnosticEvent(0, DiagnosticEvent::EVENT_WARNING));
    }
  }

  m_status.setStatus(DiagnosticStatus::STATUS_COMPLETED);
  m_status.setProgress(100);
  return anyTestRan;
}

bool IDiagnostics::isDeviceSupportedByTest(const DeviceEnum::IDevice* device, int testIndex) {
  if (testIndex < 0 || static_cast<std::size_t>(testIndex) >= m_functionalTests.size()) {
    return false;
  }
  IFunctionalTest* test = m_functionalTests[static_cast<std::size_t>(testIndex)];
  return test != nullptr && test->isDeviceSupported(device, testIndex);
}

const DiagnosticStatus& IDiagnostics::getDiagnosticStatus() const { return m_status; }

void IDiagnostics::abortDiagnostic() {
  forEachTest(m_functionalTests, [](IFunctionalTest& test) { test.abortTest(); });
}

void IDiagnostics::suspendDiagnostic() {
  forEachTest(m_functionalTests, [](IFunctionalTest& test) { test.suspendTest(); });
}

void IDiagnostics::resumeDiagnostic() {
  forEachTest(m_functionalTests, [](IFunctionalTest& test) { test.resumeTest(); });
}

const std::vector<DiagnosticEvent>& IDiagnostics::getDiagnosticEvents() const {
  return m_eventQueue.events();
}

std::vector<const DiagnosticResult*> IDiagnostics::getDiagnosticResults() const {
  std::vector<const DiagnosticResult*> results;
  results.reserve(m_results.size());
  for (const std::unique_ptr<DiagnosticResult>& result : m_results) {
    results.push_back(result.get());
  }
  return results;
}

const char* IDiagnostics::getName() const { return m_name.c_str(); }

const char* IDiagnostics::getVersion() const { return m_version.c_str(); }

const char* IDiagnostics::getDescription() const { return m_description.c_str(); }

DeviceEnum::IDeviceEnumerator::DiagnosticMode IDiagnostics::getDiagnosticMode() const {
  return m_diagnosticMode;
}

// Only stored: the framework writes nothing into the module's log, whose every byte is the
// module's own.
void IDiagnostics::setLogFile(std::ofstream* logFile) { m_logFile = logFile; }

}  // namespace Diag
}  // namespace KestraDiags
