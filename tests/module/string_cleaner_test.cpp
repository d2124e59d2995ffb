#include <gtest/gtest.h>

#include <string>

#include "../support/NamedCase.h"
#include "enum/StringCleaner.h"

namespace {

std::string everyByte() {
  std::string bytes;
  for (int byte = 0; byte < 256; ++byte) bytes += static_cast<char>(byte);
  return bytes;
}

struct CleanerCase {
  const char* name;
  std::string input;
  std::string expected;
};
ROW_PRINTS_AS_ITS_NAME(CleanerCase)

class StringCleanerTest : public ::testing::TestWithParam<CleanerCase> {};

TEST_P(StringCleanerTest, RewritesByteByByte) {
  std::string text = GetParam().input;
  KestraDiags::Halvex::StringCleaner().ParseNRemChars(text);
  EXPECT_EQ(text, GetParam().expected);
}

const CleanerCase kTexts[] = {
    {"Empty", "", ""},
    // Controls, "$%/=?|", DEL and every byte above it vanish.
    {"EveryByteInOrder", everyByte(),
     " !~# AND "
     "~()*+,-.0123456789:;~~@ABCDEFGHIJKLMNOPQRSTUVWXYZ[~]^_`abcdefghijklmnopqrstuvwxyz{}~"},
    {"FlashDrive", "SanDisk Cruzer & Co <32GB> 3/4", "SanDisk Cruzer  AND  Co ~32GB~ 34"},
};
INSTANTIATE_TEST_SUITE_P(Texts, StringCleanerTest, ::testing::ValuesIn(kTexts), RowName());

}  // namespace
