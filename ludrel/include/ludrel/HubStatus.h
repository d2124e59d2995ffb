#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ludrel/LudrelExport.h"
#include "ludrel/Result.h"

// Read-only questions about a hub and its ports beyond the module's over-current check: what
// each port's status says, what the hub says of itself, and how often the system saw a port in
// over-current. Nothing here switches power.
namespace KestraDiags {
namespace Ludrel {

class Backend;

// What a port's status tells, each fact unset where the system does not say it.
struct PortFlags {
  std::optional<bool> connected;
  std::optional<bool> enabled;
  std::optional<bool> powered;
  std::optional<bool> overCurrent;        // now
  std::optional<bool> overCurrentChange;  // latched by the hub since the change was last cleared
  std::optional<bool> reset;
  std::optional<bool> suspended;
  std::optional<int> linkState;  // SuperSpeed hubs only: the port's link state field
};

// What a hub answers for one of its ports.
struct PortStatus {
  std::optional<std::uint16_t> statusWord;  // wPortStatus, where the hub's answer is at hand
  std::optional<std::uint16_t> changeWord;  // wPortChange, likewise
  bool superSpeed = false;                  // the words are in the SuperSpeed layout
  PortFlags flags;
  // Over-currents the system counted on the port since it started; unset where it keeps none.
  std::optional<std::uint32_t> overCurrentCount;
};

// What a hub answers of itself. A hub with ganged protection reports over-current here, never on
// a port, and cuts all its ports.
struct HubStatus {
  std::optional<std::uint16_t> statusWord;  // wHubStatus
  std::optional<std::uint16_t> changeWord;  // wHubChange
  std::optional<bool> localPowerLost;
  std::optional<bool> overCurrent;
  std::optional<bool> overCurrentChange;
};

// The flags of a port's status and change words, in the USB 2 layout or the SuperSpeed one.
LUDREL_API PortFlags decodePortStatus(std::uint16_t status, std::uint16_t change, bool superSpeed);
// The flags of a hub's own status and change words.
LUDREL_API HubStatus decodeHubStatus(std::uint16_t status, std::uint16_t change);

// Asks hubs, by the device path a record gives in sDevDescriptor, through the backend that the
// library's finders use.
class LUDREL_API HubStatusReader {
 public:
  HubStatusReader();
  ~HubStatusReader();

  Result<PortStatus> portStatus(const std::string& hub, int port);
  Result<HubStatus> hubStatus(const std::string& hub);

 private:
  std::shared_ptr<Backend> m_backend;
};

}  // namespace Ludrel
}  // namespace KestraDiags
