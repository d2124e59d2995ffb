#include "FileType.h"

namespace KestraDiags {
namespace HalvexHost {

using std::filesystem::file_type;

file_type fileTypeAt(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::status(path, ignored).type();
}

std::string fileTypeName(file_type type) {
  switch (type) {
    case file_type::directory:
      return "a directory";
    case file_type::fifo:
      return "a FIFO";
    case file_type::character:
      return "a character device";
    case file_type::block:
      return "a block device";
    case file_type::socket:
      return "a socket";
    default:
      return "no regular file";
  }
}

std::optional<std::string> whyNotARegularFile(const std::string& path) {
  const file_type type = fileTypeAt(path);
  if (type == file_type::regular || type == file_type::not_found || type == file_type::none) {
    return std::nullopt;
  }
  return "it is " + fileTypeName(type);
}

}  // namespace HalvexHost
}  // namespace KestraDiags
