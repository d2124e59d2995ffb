#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// A table row prints as its name, so that test names and failure messages stay readable.
// Put it right after the row's struct, in the same namespace.
#define ROW_PRINTS_AS_ITS_NAME(Case) \
  [[maybe_unused]] void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }

// Names each instance of a parameterized test after its row's name:
// INSTANTIATE_TEST_SUITE_P(Rows, SomeTest, ::testing::ValuesIn(kRows), RowName());
struct RowName {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
    return info.param.name;
  }
};
