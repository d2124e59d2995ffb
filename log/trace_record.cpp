#include <cstdio>

#include "log/ctime_text.h"
#include "log/trace_log.h"
#include "platform/windows_calls.h"

std::int32_t g_nEnumeratorLogUsers = 0;
std::int32_t g_nDiagnosticLogUsers = 0;
std::ofstream* g_pCurrentLog = nullptr;

std::string getLogStamp() {
  std::string stamp("Time: ");
  appendCtimeText(stamp);
  char ids[80] = {};
  std::snprintf(ids, sizeof ids, "  Thread id: %u   Process id: %u",
                static_cast<unsigned int>(GetCurrentThreadId()),
                static_cast<unsigned int>(GetCurrentProcessId()));
  stamp += ids;
  return stamp;
}

namespace {

template <typename Value>
void writeRecordWithValue(std::ofstream& stream, const char* text, const Value& value) {
  stream << std::endl << getLogStamp() << '\t' << text << ' ' << value << std::endl;
}

}  // namespace

void writeTraceRecord(std::ofstream& stream, const char* text) {
  stream << std::endl << getLogStamp() << '\t' << text << std::endl;
}
void writeTraceRecord(std::ofstream& stream, const char* text, const std::string& value) {
  writeRecordWithValue(stream, text, value);
}
void writeTraceRecord(std::ofstream& stream, const char* text, int value) {
  writeRecordWithValue(stream, text, value);
}
void writeTraceRecord(std::ofstream& stream, const char* text, unsigned int value) {
  writeRecordWithValue(stream, text, value);
}
void writeTraceRecord(std::ofstream& stream, const char* text, unsigned long value) {
  writeRecordWithValue(stream, text, value);
}
