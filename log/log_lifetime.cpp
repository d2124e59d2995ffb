#include "log/ctime_text.h"
#include "log/trace_log.h"
#include "module/locations.h"

namespace {

constexpr std::ios::openmode kAppendMode = std::ios::out | std::ios::app;

void writeBanner(std::ofstream& stream) {
  if (!stream.is_open()) return;
  std::string banner("******************** ");
  appendCtimeText(banner);
  stream << std::endl << banner << std::endl;
}

}  // namespace

void openTraceLog(std::ofstream& stream, std::int32_t& users, const char* fileName,
                  bool fallBackToPackageDir) {
  if (!stream.is_open()) {
    stream.open(g_sLogDir + fileName, kAppendMode);
    if (!stream.is_open() && fallBackToPackageDir) {
      g_sLogDir = g_sPackageDir;
      stream.open(g_sPackageDir + fileName, kAppendMode);
    }
  }
  ++users;
  writeBanner(stream);
}

void closeTraceLog(std::ofstream& stream, std::int32_t& users) {
  --users;
  if (users == 0) stream.close();
}
