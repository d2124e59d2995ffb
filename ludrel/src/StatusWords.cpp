#include "ludrel/HubStatus.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

bool bit(std::uint16_t word, int number) { return (word >> number) & 1U; }

}  // namespace

// wPortStatus: bit 0 connected, 1 enabled, 2 suspended (USB 2 only), 3 over-current, 4 reset;
// power is bit 8 on a USB 2 hub, bit 9 on a SuperSpeed hub, whose link state is bits 5 to 8.
// wPortChange: bit 3 the over-current change.
PortFlags decodePortStatus(std::uint16_t status, std::uint16_t change, bool superSpeed) {
  PortFlags flags;
  flags.connected = bit(status, 0);
  flags.enabled = bit(status, 1);
  flags.overCurrent = bit(status, 3);
  flags.reset = bit(status, 4);
  flags.overCurrentChange = bit(change, 3);
  if (superSpeed) {
    flags.powered = bit(status, 9);
    flags.linkState = (status >> 5) & 0xFU;
  } else {
    flags.powered = bit(status, 8);
    flags.suspended = bit(status, 2);
  }
  return flags;
}

// wHubStatus: bit 0 local power lost, bit 1 over-current; wHubChange likewise.
HubStatus decodeHubStatus(std::uint16_t status, std::uint16_t change) {
  HubStatus hub;
  hub.statusWord = status;
  hub.changeWord = change;
  hub.localPowerLost = bit(status, 0);
  hub.overCurrent = bit(status, 1);
  hub.overCurrentChange = bit(change, 1);
  return hub;
}

}  // namespace Ludrel
}  // namespace KestraDiags
