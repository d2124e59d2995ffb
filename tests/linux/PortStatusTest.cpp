#include <gtest/gtest.h>

#include "PortStatus.h"

using namespace KestraDiags::Ludrel;

namespace {

// The emulated hubs always answer in full; the decoded words and answers are checked there.
TEST(PortStatus, AShortAnswerHasNoWords) {
  const unsigned char answer[] = {0x0B, 0x05, 0x08, 0x01};
  for (const int length : {-1, 0, 1, 2, 3}) {
    SCOPED_TRACE(length);
    EXPECT_FALSE(statusWords(answer, length));
  }
  EXPECT_FALSE(statusWords(nullptr, 4));
}

}  // namespace
