#include "log/ctime_text.h"
#include "log/trace_log.h"
#include "module/locations.h"

namespace {

constexpr std::ios::openmode kAppendMode = std::ios::out | std::ios::app;

// Allocates nothing, so that it cannot fail for want of memory.
void writeBanner(std::ofstream& stream) noexcept {
  if (!stream.is_open()) return;
  stream << std::endl << "******************** " << currentCtimeText() << std::endl;
}

}  // namespace

void openTraceLog(std::ofstream& stream, std::int32_t& users, const char* fileName,
                  bool fallBackToPackageDir) noexcept {
  // Running out of memory here (for the path, or for the stream's buffer after the file was
  // opened) counts as a log that cannot be opened: the stream is left closed, the user is counted
  // all the same, and the object works on without its log. Passing the failure on would leave
  // the file open with no user to close it.
  try {
    if (!stream.is_open()) {
      stream.open(g_sLogDir + fileName, kAppendMode);
      if (!stream.is_open() && fallBackToPackageDir) {
        g_sLogDir = g_sPackageDir;
        stream.open(g_sPackageDir + fileName, kAppendMode);
      }
    }
  } catch (...) {
    stream.close();
  }
  ++users;
  writeBanner(stream);
}

void closeTraceLog(std::ofstream& stream, std::int32_t& users) {
  --users;
  if (users == 0) stream.close();
}
