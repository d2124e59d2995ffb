#pragma once

#include <ostream>

// A table row prints as its name, so that test names and failure messages stay readable.
// Put it right after the row's struct, in the same namespace.
#define ROW_PRINTS_AS_ITS_NAME(Case) \
  [[maybe_unused]] void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }
