#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ludrel/Result.h"

// What the host tells its user and how: errors, exit statuses, text for a person, JSON for
// machines, and the files it writes.
namespace KestraDiags {
namespace HalvexHost {

// Failures the host reports are the USB library's kind: a stable name and a one-line message.
using Ludrel::Failure;
using Ludrel::Result;

// The one line a user reads on stderr.
inline void reportError(std::ostream& err, const Failure& error) {
  err << "halvex-host: " << error.message << '\n';
}

// Exit statuses by the monitoring-plugin convention.
constexpr int kExitOk = 0;
constexpr int kExitWarning = 1;  // no over-current found, but not every port could be asked
constexpr int kExitCritical = 2;
constexpr int kExitUnknown = 3;

// The one of two statuses that outranks the other: an over-current (2) outranks everything, then
// a run that could not be made or written (3), then a port that could not be asked (1), then 0.
constexpr int worseStatus(int one, int other) {
  constexpr int rank[] = {0, 1, 3, 2};
  return rank[other] > rank[one] ? other : one;
}

// The text with every control character (a line feed, a tab ...) replaced by a blank, so that
// a device's text cannot break the line it is printed on.
std::string singleLine(const std::string& text);

// Columns aligned for a person: two blanks between columns, an empty cell shown as "-", the last
// column not padded, so no line ends in blanks.
class TextTable {
 public:
  explicit TextTable(std::vector<std::string> header);

  void addRow(std::vector<std::string> cells);
  void print(std::ostream& out) const;

 private:
  std::vector<std::vector<std::string>> m_rows;
};

// One line of a tree in the manner of lsusb -t: a root (depth 0) marked "/:", a child indented
// by its depth and marked "|__".
std::string treeLine(int depth, const std::string& text);

// Device texts are bytes, not always UTF-8: a stray byte becomes U+FFFD instead of an error.
inline void printJson(const nlohmann::ordered_json& document, std::ostream& out) {
  out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

inline nlohmann::ordered_json errorJson(const Failure& error) {
  return {{"name", error.name}, {"message", error.message}};
}

// What path names, symbolic links followed, told without opening it: opening a FIFO or a device
// can wait for ever. file_type::not_found when there is nothing, file_type::none when it cannot
// be told.
std::filesystem::file_type fileTypeAt(const std::string& path);

// "a directory", "a FIFO", "a character device" and so on, for messages.
std::string fileTypeName(std::filesystem::file_type type);

// "it is a FIFO" when path names something that exists and is no regular file.
std::optional<std::string> whyNotARegularFile(const std::string& path);

// Writes the file under a temporary name in its own directory, then renames it into place, so
// a reader sees the old content or the new one and never a part. Only a regular file or a path
// where nothing is yet is replaced; a symbolic link stays and what it leads to is replaced.
std::optional<Failure> replaceFileContent(const std::string& path, const std::string& content);

// "-" is standard output, any other path is replaced as above.
std::optional<Failure> writeOutput(const std::string& path, const std::string& content,
                                   std::ostream& out);

}  // namespace HalvexHost
}  // namespace KestraDiags
