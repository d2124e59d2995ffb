#pragma once

#include <optional>
#include <string>

#include "Backend.h"
#include "simulated/TopologyCache.h"

namespace KestraDiags {
namespace Ludrel {

// Answers from a topology file, with the faults the file asks for.
class SimulatedBackend : public Backend {
 public:
  explicit SimulatedBackend(std::string topologyPath);

  std::string name() const override;
  Result<DeviceList> collectDevices() override;
  void completeRecord(std::size_t index, Usb_Device& record) override;
  Result<bool> portKey(const std::string& hub, int port, std::string& key) override;
  Result<int> overCurrentState(const std::string& hub, int port, void* handle) override;
  Result<PortStatus> portStatus(const std::string& hub, int port) override;
  Result<HubStatus> hubStatus(const std::string& hub) override;
  Result<std::shared_ptr<UsbEventSource>> openEvents() override;

 private:
  // The topology, loaded at the first use and kept for the life of the backend.
  const LoadedTopology& topology();
  // The state of the port, or null when the topology says nothing of it.
  const PortState* findPort(const Topology& topology, const std::string& hub, int port) const;
  // The hub of that devicePath, or the failure that stands for it.
  Result<const SimulatedHub*> findHub(const std::string& hub);

  std::string m_path;
  std::optional<LoadedTopology> m_topology;
};

}  // namespace Ludrel
}  // namespace KestraDiags
