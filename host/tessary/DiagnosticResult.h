#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "TessaryExport.h"

namespace KestraDiags {
namespace Diag {

class TESSARY_API IEvent {
 public:
  virtual ~IEvent();
};

// Something a diagnostic reports: a message code and how serious it is.
class TESSARY_API DiagnosticEvent : public IEvent {
 public:
  enum EventType : std::int32_t {
    EVENT_INFORMATION = 0,
    EVENT_ERROR = 1,
    EVENT_WARNING = 2,
  };

  DiagnosticEvent(unsigned int messageCode, EventType type);
  ~DiagnosticEvent() override;

  unsigned int getMessageCode() const { return m_messageCode; }
  EventType getEventType() const { return m_eventType; }

 private:
  unsigned int m_messageCode;
  EventType m_eventType;
};

// The outcome of one run of a functional test.
class TESSARY_API DiagnosticResult : public DiagnosticEvent {
 public:
  enum TestResult : std::int32_t {
    TEST_PASSED = 0,
    TEST_FAILED = 1,
  };

  DiagnosticResult(TestResult result, unsigned int messageCode, EventType type);
  ~DiagnosticResult() override;

  void setTestStartTime(const std::string& time);
  void setTestCompletionTime(const std::string& time);

  TestResult getTestResult() const { return m_testResult; }
  const std::string& getTestStartTime() const { return m_startTime; }
  const std::string& getTestCompletionTime() const { return m_completionTime; }

  // One readable line, without a line end.
  virtual void dump(std::ostream& out) const;

 private:
  TestResult m_testResult;
  std::string m_startTime;
  std::string m_completionTime;
};

}  // namespace Diag
}  // namespace KestraDiags
