#include "StatusBits.h"
#include "ludrel/HubStatus.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

bool has(std::uint16_t word, std::uint16_t bit) { return (word & bit) != 0; }

}  // namespace

// USB 2 and SuperSpeed hubs agree on the low bits; above them a SuperSpeed hub keeps its link
// state where a USB 2 hub keeps power and speed, and has no suspend bit.
PortFlags decodePortStatus(std::uint16_t status, std::uint16_t change, bool superSpeed) {
  PortFlags flags;
  flags.connected = has(status, PortBit::kConnected);
  flags.enabled = has(status, PortBit::kEnabled);
  flags.overCurrent = has(status, PortBit::kOverCurrent);
  flags.reset = has(status, PortBit::kReset);
  flags.overCurrentChange = has(change, PortBit::kOverCurrentChange);
  if (superSpeed) {
    flags.powered = has(status, PortBit::kPowerSuperSpeed);
    flags.linkState = (status >> PortBit::kLinkStateShift) & PortBit::kLinkStateMask;
  } else {
    flags.powered = has(status, PortBit::kPowerUsb2);
    flags.suspended = has(status, PortBit::kSuspended);
  }
  return flags;
}

HubStatus decodeHubStatus(std::uint16_t status, std::uint16_t change) {
  HubStatus hub;
  hub.statusWord = status;
  hub.changeWord = change;
  hub.localPowerLost = has(status, HubBit::kLocalPowerLost);
  hub.overCurrent = has(status, HubBit::kOverCurrent);
  hub.overCurrentChange = has(change, HubBit::kOverCurrent);
  return hub;
}

}  // namespace Ludrel
}  // namespace KestraDiags
