#include <gtest/gtest.h>

#include <string>

#include "enum/StringCleaner.h"

#include "../support/NamedCase.h"

namespace {

using KestraDiags::Halvex::StringCleaner;

std::string cleaned(std::string text) {
  StringCleaner().ParseNRemChars(text);
  return text;
}

struct CleanerCase {
  const char* name;
  std::string input;
  std::string expected;
};

ROW_PRINTS_AS_ITS_NAME(CleanerCase)

class StringCleanerTest : public ::testing::TestWithParam<CleanerCase> {};

TEST_P(StringCleanerTest, RewritesByteByByte) {
  EXPECT_EQ(cleaned(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StringCleanerTest,
    ::testing::Values(
        CleanerCase{"Empty", "", ""}, CleanerCase{"AmpersandBetweenLetters", "A&B", "A AND B"},
        CleanerCase{"AngleBracketsAroundALetter", "<x>", "~x~"},
        CleanerCase{"QuotesAndBackslash", "\"'\\", "~~~"},
        CleanerCase{"SlashesAndEqualsVanish", "a/b=c", "abc"},
        CleanerCase{"DroppedPunctuation", "$%/=?|", ""},
        CleanerCase{"KeptPunctuation", " -()#_.^*{:}~!,;@[]`+", " -()#_.^*{:}~!,;@[]`+"},
        CleanerCase{"ControlBytes",
                    std::string("a\tb\rc\nd\x7f"
                                "e\0f",
                                11),
                    "abcdef"},
        CleanerCase{"HighBytesAreNoLetters", "caf\xc3\xa9 \xff", "caf "},
        CleanerCase{"KeyTextsPassUnchanged", "FLOPPY_H1440_USB_DESCR", "FLOPPY_H1440_USB_DESCR"},
        CleanerCase{"HubTextsPassUnchanged", "Integrated USB Hub", "Integrated USB Hub"},
        CleanerCase{"FlashDrive", "SanDisk Cruzer & Co <32GB> 3/4",
                    "SanDisk Cruzer  AND  Co ~32GB~ 34"}),
    [](const ::testing::TestParamInfo<CleanerCase>& info) { return info.param.name; });

TEST(StringCleanerAllBytesTest, OnlyAllowedBytesComeOutAndASecondPassChangesNothing) {
  std::string everyByte;
  for (int byte = 0; byte < 256; ++byte) everyByte += static_cast<char>(byte);
  const std::string once = cleaned(everyByte);
  for (const char byte : once) {
    EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(byte)) ||
                std::string(" -()#_.^*{:}~!,;@[]`+").find(byte) != std::string::npos)
        << "byte " << static_cast<int>(static_cast<unsigned char>(byte));
  }
  EXPECT_EQ(cleaned(once), once);
  // 62 letters and digits, 21 kept marks, " AND " for "&", "~" for each of five.
  EXPECT_EQ(once.size(), 62u + 21u + 5u + 5u);
}

}  // namespace
