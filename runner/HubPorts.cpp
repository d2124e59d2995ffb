#include "HubPorts.h"

#include <algorithm>

#include "HubChildren.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

std::optional<PortDevice> deviceOnPort(int port, const DeviceRecord& hub,
                                       const std::map<int, const DeviceRecord*>& children) {
  const auto key = hub.portKeys.find(port);
  const auto child = children.find(port);
  if (key == hub.portKeys.end() && child == children.end()) return std::nullopt;
  PortDevice device;
  if (key != hub.portKeys.end()) device.key = key->second;
  if (child != children.end()) {
    device.name = child->second->name;
    device.usbId = child->second->usbId;
  }
  return device;
}

int statusOf(OverCurrent overCurrent) {
  switch (overCurrent) {
    case OverCurrent::Now:
      return kExitCritical;
    case OverCurrent::Past:
      return kExitWarning;
    case OverCurrent::None:
    case OverCurrent::Unknown:
      break;
  }
  return kExitOk;
}

template <typename T>
int statusOf(const Result<T>& answer) {
  if (answer.ok()) return statusOf(overCurrentOf(answer.value()));
  return isUnsupported(answer.failure()) ? kExitOk : kExitWarning;
}

bool anyAnswered(const HubAnswer& hub) {
  return hub.status.ok() || std::any_of(hub.ports.begin(), hub.ports.end(),
                                        [](const PortAnswer& port) { return port.status.ok(); });
}

}  // namespace

OverCurrent overCurrentFrom(const std::optional<bool>& now, const std::optional<bool>& latched,
                            const std::optional<std::uint32_t>& count) {
  if (now.value_or(false)) return OverCurrent::Now;
  if (latched.value_or(false) || count.value_or(0) > 0) return OverCurrent::Past;
  return now ? OverCurrent::None : OverCurrent::Unknown;
}

OverCurrent overCurrentOf(const Ludrel::PortStatus& status) {
  return overCurrentFrom(status.flags.overCurrent, status.flags.overCurrentChange,
                         status.overCurrentCount);
}

OverCurrent overCurrentOf(const Ludrel::HubStatus& status) {
  return overCurrentFrom(status.overCurrent, status.overCurrentChange, std::nullopt);
}

const PortAnswer* portAnswerOf(const HubAnswer& hub, int port) {
  for (const PortAnswer& answer : hub.ports) {
    if (answer.port == port) return &answer;
  }
  return nullptr;
}

std::vector<HubAnswer> askHubs(const std::vector<DeviceRecord>& devices,
                               const std::string& location) {
  Ludrel::HubStatusReader reader;
  std::vector<HubAnswer> hubs;
  for (const DeviceRecord& hub : devices) {
    if (hub.devicePath.empty() || (!location.empty() && hub.location != location)) continue;
    hubs.push_back(askHub(reader, hub, devices));
  }
  return hubs;
}

HubAnswer askHub(Ludrel::HubStatusReader& reader, const DeviceRecord& hub,
                 const std::vector<DeviceRecord>& devices) {
  HubAnswer answer{hub.name, hub.location, hub.devicePath, reader.hubStatus(hub.devicePath), {}};
  const std::map<int, const DeviceRecord*> children = childrenByPort(hub, devices);
  // A wider counter, so that a port count of INT_MAX cannot overflow it.
  for (std::int64_t wide = 1; wide <= hub.portCount; ++wide) {
    const int port = static_cast<int>(wide);
    answer.ports.push_back(
        {port, reader.portStatus(hub.devicePath, port), deviceOnPort(port, hub, children)});
  }
  return answer;
}

bool isUnsupported(const Failure& failure) { return failure.name == "LUDREL_ERROR_NOT_SUPPORTED"; }

int answerStatus(const HubAnswer& hub) {
  int status = statusOf(hub.status);
  for (const PortAnswer& port : hub.ports) status = worseStatus(status, statusOf(port.status));
  return status;
}

int portsExitStatus(const std::vector<HubAnswer>& hubs) {
  int status = kExitOk;
  for (const HubAnswer& hub : hubs) status = worseStatus(status, answerStatus(hub));
  return std::any_of(hubs.begin(), hubs.end(), anyAnswered) ? status
                                                            : worseStatus(status, kExitUnknown);
}

}  // namespace HalvexHost
}  // namespace KestraDiags
