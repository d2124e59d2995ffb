#include <gtest/gtest.h>

#include <cstdint>

#include "PortStatus.h"

using namespace KestraDiags::Ludrel;

namespace {

// Words as hubs report them. USB 2: power at bit 8, low speed at 9, high speed at 10.
// SuperSpeed: power at bit 9, link state in bits 5 to 8.
TEST(PortStatus, OverCurrentAnswerOfUsb2AndSuperSpeedPorts) {
  const struct {
    const char* what;
    std::uint16_t portStatus;
    int answer;
  } cases[] = {
      {"USB 2: unpowered, empty", 0x0000, -1},
      {"USB 2: high-speed device, enabled", 0x0503, 0},
      {"USB 2: low-speed device, enabled", 0x0303, 0},
      {"USB 2: device connected, not yet enabled", 0x0101, 0},
      {"USB 2: suspended device", 0x0507, 0},
      {"USB 2: device in over-current", 0x050B, 2},
      {"USB 2: over-current on a powered empty port", 0x0108, 2},
      {"SuperSpeed: powered, link SS.Disabled, empty", 0x0280, -1},
      {"SuperSpeed: link in compliance mode (bits 6 and 8), empty", 0x0340, -1},
      {"SuperSpeed: device in U3, enabled", 0x0263, 0},
      {"SuperSpeed: device in over-current", 0x020B, 2},
      {"SuperSpeed: over-current, power cut, link SS.Disabled", 0x0088, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(overCurrentAnswer(c.portStatus), c.answer);
  }
}

TEST(PortStatus, TheWordsAreTwoLittleEndianPairsOfBytes) {
  const unsigned char answer[] = {0x0B, 0x05, 0x08, 0x01};
  const auto words = statusWords(answer, 8);
  ASSERT_TRUE(words);
  EXPECT_EQ(words->status, 0x050B);
  EXPECT_EQ(words->change, 0x0108);
  // A short answer has no words.
  for (const int length : {-1, 0, 1, 2, 3}) {
    SCOPED_TRACE(length);
    EXPECT_FALSE(statusWords(answer, length));
  }
  EXPECT_FALSE(statusWords(nullptr, 4));
}

}  // namespace
