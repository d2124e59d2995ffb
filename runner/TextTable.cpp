#include "TextTable.h"

#include <algorithm>
#include <utility>

namespace KestraDiags {
namespace HalvexHost {

namespace {

// An empty cell gets a mark so that the columns still read.
std::string printable(const std::string& text) { return text.empty() ? "-" : singleLine(text); }

// Columns on a terminal, counting a UTF-8 sequence as one.
std::size_t displayWidth(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
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

}  // namespace HalvexHost
}  // namespace KestraDiags
