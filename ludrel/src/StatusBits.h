#pragma once

#include <cstdint>

namespace KestraDiags {
namespace Ludrel {

// The bits of the words a hub answers to GET_STATUS, for a port and of itself.
namespace PortBit {
constexpr std::uint16_t kConnected = 1u << 0;
constexpr std::uint16_t kEnabled = 1u << 1;
constexpr std::uint16_t kSuspended = 1u << 2;  // USB 2 hubs only
constexpr std::uint16_t kOverCurrent = 1u << 3;
constexpr std::uint16_t kReset = 1u << 4;
constexpr int kLinkStateShift = 5;  // SuperSpeed hubs only: bits 5 to 8
constexpr std::uint16_t kLinkStateMask = 0xFu;
constexpr std::uint16_t kPowerUsb2 = 1u << 8;
constexpr std::uint16_t kPowerSuperSpeed = 1u << 9;
// In the change word.
constexpr std::uint16_t kOverCurrentChange = 1u << 3;
}  // namespace PortBit

namespace HubBit {
constexpr std::uint16_t kLocalPowerLost = 1u << 0;
constexpr std::uint16_t kOverCurrent = 1u << 1;  // in the status word and the change word alike
}  // namespace HubBit

}  // namespace Ludrel
}  // namespace KestraDiags
