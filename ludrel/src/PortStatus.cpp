#include "PortStatus.h"

#include "StatusBits.h"

namespace KestraDiags {
namespace Ludrel {

std::optional<StatusWords> statusWords(const unsigned char* answer, int length) {
  if (answer == nullptr || length < kPortStatusLength) return std::nullopt;
  return StatusWords{static_cast<std::uint16_t>(answer[0] | (answer[1] << 8)),
                     static_cast<std::uint16_t>(answer[2] | (answer[3] << 8))};
}

int overCurrentAnswer(std::uint16_t portStatus) {
  if ((portStatus & PortBit::kOverCurrent) != 0) return OverCurrentAnswer::kOverCurrent;
  if ((portStatus & PortBit::kConnected) == 0) return OverCurrentAnswer::kNothingConnected;
  return OverCurrentAnswer::kNoOverCurrent;
}

}  // namespace Ludrel
}  // namespace KestraDiags
