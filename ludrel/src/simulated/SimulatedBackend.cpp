#include "simulated/SimulatedBackend.h"

#include <algorithm>
#include <utility>

#include "Failure.h"
#include "simulated/ImpliedStatus.h"
#include "simulated/ReplayedEvents.h"

namespace KestraDiags {
namespace Ludrel {

SimulatedBackend::SimulatedBackend(std::string topologyPath) : m_path(std::move(topologyPath)) {}

std::string SimulatedBackend::name() const { return "simulated"; }

const LoadedTopology& SimulatedBackend::topology() {
  if (!m_topology) m_topology = loadTopology(m_path);
  return *m_topology;
}

const PortState* SimulatedBackend::findPort(const Topology& topology, const std::string& hub,
                                            int port) const {
  const auto hubPorts = topology.hubsByPath.find(hub);
  if (hubPorts == topology.hubsByPath.end()) return nullptr;
  const std::vector<PortState>& states = hubPorts->second.ports;
  const auto state = std::find_if(states.begin(), states.end(),
                                  [port](const PortState& each) { return each.port == port; });
  return state == states.end() ? nullptr : &*state;
}

Result<DeviceList> SimulatedBackend::collectDevices() {
  const LoadedTopology& loaded = topology();
  if (!loaded.ok()) return loaded.failure();
  const Topology& machine = *loaded.value();
  if (machine.getAllUSBDevicesFails) {
    return makeFailure(ErrorName::kIo, m_path + ": getAllUSBDevices fails as the topology asks: " +
                                           *machine.getAllUSBDevicesFails);
  }
  // The list shares the cached topology's ownership, so it stays valid if the file is reloaded.
  return DeviceList(loaded.value(), &machine.devices);
}

void SimulatedBackend::completeRecord(std::size_t index, Usb_Device&) {
  const LoadedTopology& loaded = topology();
  if (!loaded.ok()) return;
  const auto fault = loaded.value()->nextThrows.find(index);
  if (fault != loaded.value()->nextThrows.end()) throwValue(fault->second);
}

Result<bool> SimulatedBackend::portKey(const std::string& hub, int port, std::string& key) {
  const LoadedTopology& loaded = topology();
  if (!loaded.ok()) return loaded.failure();
  const PortState* state = findPort(*loaded.value(), hub, port);
  if (state == nullptr) return false;
  if (state->isPortBusyThrows) throwValue(*state->isPortBusyThrows);
  if (!state->key) return false;
  key = *state->key;
  return true;
}

Result<int> SimulatedBackend::overCurrentState(const std::string& hub, int port, void*) {
  const LoadedTopology& loaded = topology();
  if (!loaded.ok()) return loaded.failure();
  const PortState* state = findPort(*loaded.value(), hub, port);
  if (state == nullptr) return -1;
  if (state->checkforOCStateThrows) throwValue(*state->checkforOCStateThrows);
  if (state->checkforOCStateFails) return makeFailure(ErrorName::kIo, *state->checkforOCStateFails);
  return impliedOverCurrent(*state);
}

Result<const SimulatedHub*> SimulatedBackend::findHub(const std::string& hub) {
  const LoadedTopology& loaded = topology();
  if (!loaded.ok()) return loaded.failure();
  const auto found = loaded.value()->hubsByPath.find(hub);
  if (found == loaded.value()->hubsByPath.end()) {
    return makeFailure(ErrorName::kNotFound, m_path + ": no hub has the devicePath " + hub);
  }
  return &found->second;
}

Result<PortStatus> SimulatedBackend::portStatus(const std::string& hub, int port) {
  const Result<const SimulatedHub*> found = findHub(hub);
  if (!found.ok()) return found.failure();
  const SimulatedHub& simulated = *found.value();
  if (port < 1 || port > simulated.portCount) {
    return makeFailure(ErrorName::kNotFound, m_path + ": hub " + hub + " has no port " +
                                                 std::to_string(port) + " (it has " +
                                                 std::to_string(simulated.portCount) + ")");
  }
  const PortState* described = findPort(*topology().value(), hub, port);
  const PortState state = described ? *described : PortState{};
  if (state.checkforOCStateFails) return makeFailure(ErrorName::kIo, *state.checkforOCStateFails);
  PortStatus answer;
  answer.statusWord =
      state.portStatus.value_or(impliedPortStatus(state, simulated.superSpeed, simulated.status));
  answer.changeWord = state.portChange.value_or(0);
  answer.superSpeed = simulated.superSpeed;
  answer.flags = decodePortStatus(*answer.statusWord, *answer.changeWord, simulated.superSpeed);
  answer.overCurrentCount = state.overCurrentCount;
  return answer;
}

Result<HubStatus> SimulatedBackend::hubStatus(const std::string& hub) {
  const Result<const SimulatedHub*> found = findHub(hub);
  if (!found.ok()) return found.failure();
  return decodeHubStatus(found.value()->status, found.value()->change);
}

Result<std::shared_ptr<UsbEventSource>> SimulatedBackend::openEvents() {
  // The delays count from the call, not from the end of loading the file.
  const auto opened = std::chrono::steady_clock::now();
  const LoadedTopology& loaded = topology();
  if (!loaded.ok()) return loaded.failure();
  return std::shared_ptr<UsbEventSource>(
      std::make_shared<ReplayedEvents>(loaded.value()->events, opened));
}

}  // namespace Ludrel
}  // namespace KestraDiags
