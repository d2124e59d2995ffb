#include "linux/PortStatus.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

constexpr std::uint16_t kConnectionBit = 1u << 0;
constexpr std::uint16_t kOverCurrentBit = 1u << 3;

}  // namespace

std::optional<std::uint16_t> portStatusWord(const unsigned char* answer, int length) {
  if (answer == nullptr || length < kPortStatusLength) return std::nullopt;
  return static_cast<std::uint16_t>(answer[0] | (answer[1] << 8));
}

int overCurrentAnswer(std::uint16_t portStatus) {
  if ((portStatus & kOverCurrentBit) != 0) return OverCurrentAnswer::kOverCurrent;
  if ((portStatus & kConnectionBit) == 0) return OverCurrentAnswer::kNothingConnected;
  return OverCurrentAnswer::kNoOverCurrent;
}

}  // namespace Ludrel
}  // namespace KestraDiags
