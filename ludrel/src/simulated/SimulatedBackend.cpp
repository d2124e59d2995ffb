#include "simulated/SimulatedBackend.h"

#include <algorithm>
#include <utility>

#include "Failure.h"

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
  const std::vector<PortState>& states = hubPorts->second;
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
  return state->overCurrent.value_or(state->key ? 0 : -1);
}

}  // namespace Ludrel
}  // namespace KestraDiags
