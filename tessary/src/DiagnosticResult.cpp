#include "tessary/DiagnosticResult.h"

namespace KestraDiags {
namespace Diag {

namespace {

const char* testResultName(DiagnosticResult::TestResult result) {
  switch (result) {
    case DiagnosticResult::TEST_PASSED:
      return "passed";
    case DiagnosticResult::TEST_FAILED:
      return "failed";
  }
  return "unknown";
}

const char* eventTypeName(DiagnosticEvent::EventType type) {
  switch (type) {
    case DiagnosticEvent::EVENT_INFORMATION:
      return "information";
    case DiagnosticEvent::EVENT_ERROR:
      return "error";
    case DiagnosticEvent::EVENT_WARNING:
      return "warning";
  }
  return "unknown";
}

}  // namespace

DiagnosticResult::DiagnosticResult(TestResult result, unsigned int messageCode, EventType type)
    : DiagnosticEvent(messageCode, type), m_testResult(result) {}

DiagnosticResult::~DiagnosticResult() = default;

void DiagnosticResult::setTestStartTime(const std::string& time) { m_startTime = time; }

void DiagnosticResult::setTestCompletionTime(const std::string& time) { m_completionTime = time; }

void DiagnosticResult::dump(std::ostream& out) const {
  out << "result=" << testResultName(m_testResult) << " code=" << getMessageCode()
      << " event=" << eventTypeName(getEventType()) << " start=" << m_startTime
      << " completed=" << m_completionTime;
}

}  // namespace Diag
}  // namespace KestraDiags
