#include "HostOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>

namespace KestraDiags {
namespace HalvexHost {

using std::filesystem::file_type;

namespace {

// An empty cell gets a mark so that the columns still read.
std::string printable(const std::string& text) { return text.empty() ? "-" : singleLine(text); }

// Columns on a terminal, counting a UTF-8 sequence as one.
std::size_t displayWidth(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

constexpr const char* kRootMark = "/:  ";
constexpr const char* kChildMark = "|__ ";
constexpr const char* kIndent = "    ";

// Beside the target, and without its extension at the end, so that a collector that reads
// "*.prom" skips it.
std::filesystem::path temporaryPathFor(const std::filesystem::path& target) {
  std::random_device random;
  return std::filesystem::path(target).concat(".tmp." + std::to_string(random()));
}

// Where a chain of symbolic links ends, as many as the system follows.
std::filesystem::path linkTarget(std::filesystem::path path) {
  std::error_code error;
  for (int links = 0; links < 40 && std::filesystem::is_symlink(path, error); ++links) {
    path = path.parent_path() / std::filesystem::read_symlink(path, error);
  }
  return path;
}

Failure writeError(const std::string& path, const std::string& reason) {
  return Failure{"OUTPUT_WRITE_FAILED", "cannot write " + path + ": " + reason};
}

}  // namespace

std::string singleLine(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  return result;
}

TextTable::TextTable(std::vector<std::string> header) { m_rows.push_back(std::move(header)); }

void TextTable::addRow(std::vector<std::string> cells) {
  for (std::string& cell : cells) cell = printable(cell);
  m_rows.push_back(std::move(cells));
}

void TextTable::print(std::ostream& out) const {
  std::vector<std::size_t> widths;
  for (const auto& row : m_rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t column = 0; column < row.size(); ++column) {
      widths[column] = std::max(widths[column], displayWidth(row[column]));
    }
  }
  for (const auto& row : m_rows) {
    std::string line;
    for (std::size_t column = 0; column < row.size(); ++column) {
      line += row[column];
      if (column + 1 < row.size()) {
        line.append(widths[column] - displayWidth(row[column]) + 2, ' ');
      }
    }
    out << line << '\n';
  }
}

std::string treeLine(int depth, const std::string& text) {
  if (depth == 0) return kRootMark + text;
  std::string line;
  for (int level = 0; level < depth; ++level) line += kIndent;
  return line + kChildMark + text;
}

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

std::optional<Failure> replaceFileContent(const std::string& path, const std::string& content) {
  // A rename would put a regular file in the place of a device, a FIFO or a directory; as root
  // even in that of /dev/null.
  if (auto reason = whyNotARegularFile(path)) return writeError(path, *reason);
  const std::filesystem::path target = linkTarget(path);
  const std::filesystem::path temporary = temporaryPathFor(target);
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) {
      return writeError(path, "cannot create " + temporary.string() + ": " + std::strerror(errno));
    }
    file << content;
    file.close();
    if (!file) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return writeError(path, "writing " + temporary.string() + " failed");
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, target, error);
  if (error) {
    const std::string reason = error.message();
    std::filesystem::remove(temporary, error);
    return writeError(path, reason);
  }
  return std::nullopt;
}

std::optional<Failure> writeOutput(const std::string& path, const std::string& content,
                                   std::ostream& out) {
  if (path != "-") return replaceFileContent(path, content);
  out << content;
  return std::nullopt;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
