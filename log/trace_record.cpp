#include <cstdio>
#include <cstring>

#include "log/ctime_text.h"
#include "log/trace_log.h"
#include "platform/windows_calls.h"

std::int32_t g_nEnumeratorLogUsers = 0;
std::int32_t g_nDiagnosticLogUsers = 0;
std::ofstream* g_pCurrentLog = nullptr;

namespace {

// The identifiers' part of the stamp, formatted again only when the thread or the process is
// another than last time.
const char* idsText() noexcept {
  thread_local DWORD t_thread = 0;
  thread_local DWORD t_process = 0;
  thread_local char t_ids[80] = {};
  const DWORD thread = GetCurrentThreadId();
  const DWORD process = GetCurrentProcessId();
  if (t_ids[0] == '\0' || thread != t_thread || process != t_process) {
    std::snprintf(t_ids, sizeof t_ids, "  Thread id: %u   Process id: %u",
                  static_cast<unsigned int>(thread), static_cast<unsigned int>(process));
    t_thread = thread;
    t_process = process;
  }
  return t_ids;
}

// "Time: ", the ctime text with its newline, and the identifiers, in a buffer of its own.
struct Stamp {
  char text[6 + 26 + 80] = "Time: ";
  std::size_t size = 6;

  Stamp() noexcept {
    append(currentCtimeText());
    append(idsText());
  }
  void append(const char* part) noexcept {
    const std::size_t length = std::strlen(part);
    std::memcpy(text + size, part, length);
    size += length;
  }
};

// A record is built and written without a single allocation: it costs the stamp and the two
// flushes that the file needs, cannot fail for want of memory, and so never changes the course
// of the operation that writes it. The insertions report failures through the stream's flags.
template <typename... Value>
void writeRecord(std::ofstream& stream, const char* text, const Value&... value) noexcept {
  const Stamp stamp;
  stream << std::endl;
  stream.write(stamp.text, static_cast<std::streamsize>(stamp.size));
  stream << '\t' << text;
  ((stream << ' ' << value), ...);
  stream << std::endl;
}

}  // namespace

std::string getLogStamp() {
  const Stamp stamp;
  return std::string(stamp.text, stamp.size);
}

void writeTraceRecord(std::ofstream& stream, const char* text) noexcept {
  writeRecord(stream, text);
}
void writeTraceRecord(std::ofstream& stream, const char* text, const std::string& value) noexcept {
  writeRecord(stream, text, value);
}
void writeTraceRecord(std::ofstream& stream, const char* text, int value) noexcept {
  writeRecord(stream, text, value);
}
void writeTraceRecord(std::ofstream& stream, const char* text, unsigned int value) noexcept {
  writeRecord(stream, text, value);
}
void writeTraceRecord(std::ofstream& stream, const char* text, unsigned long value) noexcept {
  writeRecord(stream, text, value);
}
