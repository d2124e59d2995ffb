#include <gtest/gtest.h>

#include <string>

#include "enum/StringCleaner.h"

namespace {

// Realistic descriptions are cleaned through enumeration (enumerator_test.cpp); only here can a
// text hold every byte.
TEST(StringCleanerTest, DropsControlsDelAndHighBytesAndRewritesTheRest) {
  std::string text;
  for (int byte = 0; byte < 256; ++byte) text += static_cast<char>(byte);
  KestraDiags::Halvex::StringCleaner().ParseNRemChars(text);
  // Controls, "$%/=?|", DEL and every byte above it vanish.
  EXPECT_EQ(text,
            " !~# AND "
            "~()*+,-.0123456789:;~~@ABCDEFGHIJKLMNOPQRSTUVWXYZ[~]^_`abcdefghijklmnopqrstuvwxyz{}~");
}

}  // namespace
