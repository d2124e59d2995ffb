#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace KestraDiags {
namespace HalvexHost {

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

}  // namespace HalvexHost
}  // namespace KestraDiags
