#include "OpenFailureHint.h"

#include "HostOutput.h"

namespace KestraDiags {
namespace HalvexHost {

using std::filesystem::file_type;

namespace {

// What the module's devices answer to open. The framework's open returns a bare number; the
// codes are the module's own.
enum OpenResult : unsigned int {
  kOpenSucceeded = 0,
  kAccessDenied = 500,
  kBusy = 501,
  kWriteProtected = 502,
  kNotConnected = 503,
  kNotReady = 505,
  kOpenFailed = 506,
};

}  // namespace

std::string openFailureHint(unsigned int openResult, const std::string& devicePath) {
  const std::string path = devicePath.empty() ? "the hub's device node" : devicePath;
  // Neither rights nor patience open these; a hub's node is a device, or in a simulated
  // topology a regular file.
  const file_type type = fileTypeAt(devicePath);
  if (type == file_type::directory || type == file_type::fifo || type == file_type::socket ||
      type == file_type::block) {
    return path + " is " + fileTypeName(type) + ", not a device node";
  }
  switch (openResult) {
    case kAccessDenied:
      return "run as root or with write access to " + path;
    case kBusy:
      return "another program holds " + path;
    case kWriteProtected:
      return path + " is write-protected";
    case kNotConnected:
      return path + " is not there: the hub is gone";
    case kNotReady:
      return path + " is not ready yet: try again";
  }
  return "cannot open " + path;
}

std::string openResultLabel(unsigned int openResult) {
  switch (openResult) {
    case kOpenSucceeded:
      return "DEV_OPEN_SUCCESS";
    case kAccessDenied:
      return "DEV_ERR_ACCESS_DENIED";
    case kBusy:
      return "DEV_ERR_BUSY";
    case kWriteProtected:
      return "DEV_ERR_WRITE_PROTECTED";
    case kNotConnected:
      return "DEV_ERR_NOT_CONNECTED";
    case kNotReady:
      return "DEV_ERR_NOT_READY";
    case kOpenFailed:
      return "DEV_ERR_OPEN_FAILED";
  }
  return "UNKNOWN";
}

std::string describeOpenFailure(unsigned int openResult, const std::string& devicePath) {
  return std::to_string(openResult) + " " + openResultLabel(openResult) + ": " +
         openFailureHint(openResult, devicePath);
}

}  // namespace HalvexHost
}  // namespace KestraDiags
