#pragma once

#include <cstdint>
#include <optional>

namespace KestraDiags {
namespace Ludrel {

// What checkforOCState answers for a port.
namespace OverCurrentAnswer {
constexpr int kNothingConnected = -1;
constexpr int kNoOverCurrent = 0;
constexpr int kOverCurrent = 2;
}  // namespace OverCurrentAnswer

// The four bytes a hub answers to GET_STATUS for a port or itself: the status word, then the
// change word, each little-endian.
constexpr int kPortStatusLength = 4;

struct StatusWords {
  std::uint16_t status = 0;
  std::uint16_t change = 0;
};

// The words of the answer; nothing when fewer than kPortStatusLength bytes came.
std::optional<StatusWords> statusWords(const unsigned char* answer, int length);

// The answer for a port whose hub reported portStatus. USB 2 hubs and SuperSpeed (USB 3) hubs
// lay wPortStatus out alike at the two bits read here, bit 0 a device is connected and bit 3 the
// port is in over-current; they differ above them (power is bit 8 on a USB 2 hub, bit 9 on a
// SuperSpeed one, which keeps its link state in bits 5 to 8), and those bits do not count.
// Over-current wins over an empty port: a port in over-current usually loses its device when the
// hub cuts its power.
int overCurrentAnswer(std::uint16_t portStatus);

}  // namespace Ludrel
}  // namespace KestraDiags
