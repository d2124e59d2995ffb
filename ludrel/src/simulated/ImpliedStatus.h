#pragma once

#include <cstdint>

#include "ludrel/TopologyFormat.h"

namespace KestraDiags {
namespace Ludrel {

// What a simulated port answers where its state leaves an answer out, so that every port of a
// simulated hub answers and says what its other members say.

// The status word: connected and enabled with a device on it, in over-current when its
// overCurrent is 2, powered unless the hub's own status says over-current (the hub has then cut
// every port). superSpeed puts power at the SuperSpeed layout's bit and gives the link state
// such a port is in: U0 with a device, else Rx.Detect, or SS.Disabled without power.
std::uint16_t impliedPortStatus(const PortState& state, bool superSpeed, std::uint16_t hubStatus);

// What checkforOCState answers: overCurrent, else what the port's status word says, else 0 with
// a device on the port and -1 without.
int impliedOverCurrent(const PortState& state);

}  // namespace Ludrel
}  // namespace KestraDiags
