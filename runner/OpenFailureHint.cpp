#include "OpenFailureHint.h"

#include "FileType.h"
#include "device/OpenResult.h"

namespace KestraDiags {
namespace HalvexHost {

using std::filesystem::file_type;

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
    case Halvex::DEV_ERR_ACCESS_DENIED:
      return "run as root or with write access to " + path;
    case Halvex::DEV_ERR_BUSY:
      return "another program holds " + path;
    case Halvex::DEV_ERR_WRITE_PROTECTED:
      return path + " is write-protected";
    case Halvex::DEV_ERR_NOT_CONNECTED:
      return path + " is not there: the hub is gone";
    case Halvex::DEV_ERR_NOT_READY:
      return path + " is not ready yet: try again";
  }
  return "cannot open " + path;
}

std::string openResultLabel(unsigned int openResult) {
  const char* name = Halvex::openResultName(openResult);
  return name != nullptr ? name : "UNKNOWN";
}

std::string describeOpenFailure(unsigned int openResult, const std::string& devicePath) {
  return std::to_string(openResult) + " " + openResultLabel(openResult) + ": " +
         openFailureHint(openResult, devicePath);
}

}  // namespace HalvexHost
}  // namespace KestraDiags
