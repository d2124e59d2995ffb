#include "simulated/ImpliedStatus.h"

#include "PortStatus.h"
#include "StatusBits.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

// SuperSpeed link states: a device at work, a port looking for one, a port without power.
constexpr std::uint16_t kLinkU0 = 0;
constexpr std::uint16_t kLinkDisabled = 4;
constexpr std::uint16_t kLinkRxDetect = 5;

}  // namespace

std::uint16_t impliedPortStatus(const PortState& state, bool superSpeed, std::uint16_t hubStatus) {
  std::uint16_t status = 0;
  if (state.key) status |= PortBit::kConnected | PortBit::kEnabled;
  if (state.overCurrent == OverCurrentAnswer::kOverCurrent) status |= PortBit::kOverCurrent;
  const bool powered = (hubStatus & HubBit::kOverCurrent) == 0;
  if (!superSpeed) return powered ? status | PortBit::kPowerUsb2 : status;
  if (powered) status |= PortBit::kPowerSuperSpeed;
  const std::uint16_t link = state.key ? kLinkU0 : powered ? kLinkRxDetect : kLinkDisabled;
  return status | (link << PortBit::kLinkStateShift);
}

int impliedOverCurrent(const PortState& state) {
  if (state.overCurrent) return *state.overCurrent;
  if (state.portStatus) return overCurrentAnswer(*state.portStatus);
  return state.key ? OverCurrentAnswer::kNoOverCurrent : OverCurrentAnswer::kNothingConnected;
}

}  // namespace Ludrel
}  // namespace KestraDiags
