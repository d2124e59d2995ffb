#include "tessary/DiagnosticResult.h"

#include <gtest/gtest.h>

#include <sstream>

namespace KestraDiags {
namespace TessaryTests {
namespace {

using Diag::DiagnosticEvent;
using Diag::DiagnosticResult;

TEST(DiagnosticResultTest, DumpWritesOneLineWithoutLineEnd) {
  const struct {
    DiagnosticResult::TestResult result;
    unsigned int code;
    DiagnosticEvent::EventType type;
    const char* start;
    const char* completed;
    const char* line;
  } cases[] = {
      {DiagnosticResult::TEST_PASSED, 111, DiagnosticEvent::EVENT_INFORMATION,
       "2026-12-06T07:05:09+01:00", "2026-12-06T07:05:10+01:00",
       "result=passed code=111 event=information start=2026-12-06T07:05:09+01:00 "
       "completed=2026-12-06T07:05:10+01:00"},
      {DiagnosticResult::TEST_FAILED, 113, DiagnosticEvent::EVENT_ERROR, "a", "b",
       "result=failed code=113 event=error start=a completed=b"},
      {DiagnosticResult::TEST_PASSED, 4294967295u, DiagnosticEvent::EVENT_WARNING, "", "",
       "result=passed code=4294967295 event=warning start= completed="},
      {static_cast<DiagnosticResult::TestResult>(7), 1, static_cast<DiagnosticEvent::EventType>(9),
       "", "", "result=unknown code=1 event=unknown start= completed="},
  };
  for (const auto& c : cases) {
    DiagnosticResult result(c.result, c.code, c.type);
    result.setTestStartTime(c.start);
    result.setTestCompletionTime(c.completed);
    std::ostringstream out;
    result.dump(out);
    EXPECT_EQ(out.str(), c.line);
  }
}

}  // namespace
}  // namespace TessaryTests
}  // namespace KestraDiags
