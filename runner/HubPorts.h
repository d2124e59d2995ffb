#pragma once

#include <optional>
#include <string>
#include <vector>

#include "HostOutput.h"
#include "ModuleDevices.h"
#include "ludrel/HubStatus.h"

// What the USB library's status reader answers for the hubs the module checks: each hub's own
// status and each port's, with the device that the hub's cache names on the port.
namespace KestraDiags {
namespace HalvexHost {

// The device on a busy port: the key text of the hub's cache and, where the module lists the
// device, its name and ID.
struct PortDevice {
  std::string key;
  std::string name;
  std::optional<UsbId> usbId;
};

struct PortAnswer {
  int port = 0;
  Result<Ludrel::PortStatus> status;
  std::optional<PortDevice> device;  // unset: the cache names no device on the port
};

struct HubAnswer {
  std::string name;
  std::string location;
  std::string devicePath;
  Result<Ludrel::HubStatus> status;
  std::vector<PortAnswer> ports;
};

// What the answers tell of over-current: Now outranks Past (the change bit latched, or a count
// above zero), which outranks None; Unknown where the flag is not told.
enum class OverCurrent { None, Past, Now, Unknown };

OverCurrent overCurrentFrom(const std::optional<bool>& now, const std::optional<bool>& latched,
                            const std::optional<std::uint32_t>& count);
OverCurrent overCurrentOf(const Ludrel::PortStatus& status);
OverCurrent overCurrentOf(const Ludrel::HubStatus& status);

// The hub's answer for the port numbered port; null when it gave none.
const PortAnswer* portAnswerOf(const HubAnswer& hub, int port);

// Asks the hub for its status and each port's; devices are the hub's neighbours, for the device
// on each port.
HubAnswer askHub(Ludrel::HubStatusReader& reader, const DeviceRecord& hub,
                 const std::vector<DeviceRecord>& devices);

// Asks every hub that the module checks and the library knows a path of (or the one at location,
// unless it is empty), for its status and each port's; devices carry the library's facts with
// the port keys read.
std::vector<HubAnswer> askHubs(const std::vector<DeviceRecord>& devices,
                               const std::string& location);

// Whether the failure says that the system cannot read such a status at all: it then tells
// nothing of the port, as a port without a count tells nothing of past over-currents.
bool isUnsupported(const Failure& failure);

// The worst of one hub's answers: 2 an over-current now, 1 a past one or a question not
// answered (but not one the system cannot answer at all), 0 none.
int answerStatus(const HubAnswer& hub);

// The worst of the answers by the diagnose convention: 2 an over-current now, 1 a past one or a
// question not answered, 0 none; 3 when there is no hub or no question got an answer.
int portsExitStatus(const std::vector<HubAnswer>& hubs);

}  // namespace HalvexHost
}  // namespace KestraDiags
