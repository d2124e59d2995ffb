#include "simulated/TopologyFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

Failure readFailure(const std::string& path, const std::string& reason) {
  return makeFailure(ErrorName::kIo, path + ": cannot read the topology file: " + reason);
}

}  // namespace

Result<FileStamp> stampTopologyFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) {
    return makeFailure(ErrorName::kNotFound, path + ": no such topology file");
  }
  if (error) return readFailure(path, error.message());
  if (status.type() == fs::file_type::directory) {
    return readFailure(path, "it is a directory, not a file");
  }
  if (status.type() != fs::file_type::regular) return readFailure(path, "it is not a regular file");
  FileStamp stamp;
  stamp.size = fs::file_size(path, error);
  if (!error) stamp.modified = fs::last_write_time(path, error);
  if (error) return readFailure(path, error.message());
  return stamp;
}

Result<std::string> readTopologyFile(const std::string& path) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) return readFailure(path, std::generic_category().message(errno));
  std::string text;
  char buffer[64 * 1024];
  std::size_t count = 0;
  // The file may have grown since its size was checked: read no further than the limit allows.
  while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    text.append(buffer, count);
    if (text.size() > kMaxTopologyBytes) return tooBigFailure(path);
  }
  if (std::ferror(file.get())) return readFailure(path, std::generic_category().message(errno));
  return text;
}

Failure tooBigFailure(const std::string& path) {
  return makeFailure(ErrorName::kTooBig, path + ": the topology file is larger than 16 MiB (" +
                                             std::to_string(kMaxTopologyBytes) +
                                             " bytes), the most it may be");
}

}  // namespace Ludrel
}  // namespace KestraDiags
