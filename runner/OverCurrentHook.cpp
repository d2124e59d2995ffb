#include "OverCurrentHook.h"

#include <algorithm>

#include "HookProcess.h"
#include "UsbId.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

const PortAnswer* answerFor(const HubCheck& hub, int port) {
  return hub.ports ? portAnswerOf(*hub.ports, port) : nullptr;
}

// The hub an event names as the round checked it; one the round did not find is named as the
// event names it, without verdict.
HubCheck hubOfEvent(const Diagnosis& round, const Ludrel::UsbEvent& event) {
  if (const HubCheck* hub = hubCheckAt(round, event.location)) return *hub;
  HubCheck unknown;
  unknown.location = event.location;
  unknown.devicePath = event.devicePath;
  return unknown;
}

// "04d9:1702 USB Keyboard" as the module lists the device, else the key of the hub's cache;
// empty for a free port.
std::string deviceName(const std::optional<PortDevice>& device) {
  if (!device) return "";
  if (!device->usbId && device->name.empty()) return singleLine(device->key);
  const std::string id = device->usbId ? usbIdText(device->usbId) : "";
  return id + (id.empty() || device->name.empty() ? "" : " ") + singleLine(device->name);
}

}  // namespace

OverCurrentHooks::OverCurrentHooks(std::vector<std::string> command, std::chrono::seconds limit)
    : m_command(std::move(command)), m_limit(limit) {}

void OverCurrentHooks::afterRound(const Diagnosis& round,
                                  const std::vector<Ludrel::UsbEvent>& overCurrents,
                                  std::ostream& err) {
  // What the ports said matters only to the command.
  if (m_command.empty()) return;
  std::vector<PortKey> announced;
  for (const Ludrel::UsbEvent& event : overCurrents) {
    const HubCheck hub = hubOfEvent(round, event);
    const PortAnswer* answer = answerFor(hub, event.port);
    const auto count = event.overCurrentCount          ? event.overCurrentCount
                       : answer && answer->status.ok() ? answer->status.value().overCurrentCount
                                                       : std::nullopt;
    run(hub, event.port, count, "event", err);
    announced.emplace_back(hub.location, event.port);
  }
  for (const HubCheck& hub : round.hubs) {
    if (!hub.ports) continue;
    for (const PortAnswer& port : hub.ports->ports) {
      if (!port.status.ok()) continue;
      const PortKey key{hub.location, port.port};
      const PortState state{port.status.value().flags.overCurrent.value_or(false),
                            port.status.value().overCurrentCount};
      if (isNew(key, state) &&
          std::find(announced.begin(), announced.end(), key) == announced.end()) {
        run(hub, port.port, state.count, "round", err);
      }
      m_lastSeen[key] = state;
    }
  }
}

bool OverCurrentHooks::isNew(const PortKey& key, const PortState& state) const {
  const auto last = m_lastSeen.find(key);
  // The first look is where the watch starts from: its report already tells what it finds.
  if (last == m_lastSeen.end()) return false;
  const bool rose = state.count && last->second.count && *state.count > *last->second.count;
  return (state.overCurrentNow && !last->second.overCurrentNow) || rose;
}

void OverCurrentHooks::run(const HubCheck& hub, int port, const std::optional<std::uint32_t>& count,
                           const char* source, std::ostream& err) const {
  const PortAnswer* answer = answerFor(hub, port);
  const EnvironmentVariables variables = {
      {"HALVEX_SOURCE", source},
      {"HALVEX_HUB", hub.location},
      {"HALVEX_HUB_NAME", hub.name},
      {"HALVEX_HUB_PATH", hub.devicePath},
      {"HALVEX_PORT", std::to_string(port)},
      {"HALVEX_DEVICE", answer ? deviceName(answer->device) : ""},
      {"HALVEX_COUNT", count ? std::to_string(*count) : ""},
      {"HALVEX_VERDICT", verdictKey(hub.verdict)},
  };
  // After the run, so that what the program prints cannot split the line.
  const std::string outcome = runHookProgram(m_command, variables, m_limit);
  err << "halvex-host: --on-over-current for " << hub.location << " port " << port << ": "
      << outcome << std::endl;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
