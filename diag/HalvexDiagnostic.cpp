#include "diag/HalvexDiagnostic.h"

#include <memory>

#include "diag/USBOCAlertTest.h"
#include "log/trace_log.h"

namespace KestraDiags {
namespace Halvex {

HalvexDiagnostic::HalvexDiagnostic(bool logEnabled,
                                   DeviceEnum::IDeviceEnumerator::DiagnosticMode mode)
    : IDiagnostics("Halvex Test", "1.0", "Halvex  Controller Test", logEnabled, mode) {
  g_pCurrentLog = &g_diagnosticLog;
  if (m_logEnabled) openTraceLog(g_diagnosticLog, g_nDiagnosticLogUsers, kDiagnosticLogName, false);
  setLogFile(&g_diagnosticLog);
  try {
    std::unique_ptr<USBOCAlertTest> test(new USBOCAlertTest(g_diagnosticLog, m_eventQueue));
    m_functionalTests.push_back(test.get());
    test.release();
  } catch (...) {
    // The destructor will not run: give back this object's use of the log before passing on.
    if (m_logEnabled) closeTraceLog(g_diagnosticLog, g_nDiagnosticLogUsers);
    throw;
  }
  m_status.setStatus(Diag::DiagnosticStatus::STATUS_NOT_STARTED);
}

HalvexDiagnostic::~HalvexDiagnostic() {
  for (Diag::IFunctionalTest* test : m_functionalTests) delete test;
  if (m_logEnabled) closeTraceLog(g_diagnosticLog, g_nDiagnosticLogUsers);
}

}  // namespace Halvex
}  // namespace KestraDiags
