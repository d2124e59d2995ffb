#include "TopologySnapshot.h"

#include "ludrel/TopologyFormat.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// What the record knows beyond the members of the format, for the people who read the file.
std::string factsOf(const DeviceSnapshot& device) {
  const Usb_Device& record = device.record;
  std::string facts;
  const auto add = [&facts](const std::string& fact) {
    facts += (facts.empty() ? "" : ", ") + fact;
  };
  if (record.nBusNumber != 0) add("bus " + std::to_string(record.nBusNumber));
  if (record.nDevAddress != 0) add("address " + std::to_string(record.nDevAddress));
  if (!record.sSpeed.empty()) add(record.sSpeed + " Mbit/s");
  if (!record.sUsbVersion.empty()) add("USB " + record.sUsbVersion);
  if (!record.sService.empty()) add("driver " + record.sService);
  if (!device.portFailure.empty()) add("over-current states not read: " + device.portFailure);
  return facts;
}

// A free port that answered "no device" is what the format assumes of every unlisted port.
bool isWorthListing(const PortSnapshot& port) {
  return port.key || (port.overCurrent && *port.overCurrent != -1);
}

Ludrel::DeviceEntry deviceEntry(const DeviceSnapshot& device) {
  Ludrel::DeviceEntry entry;
  entry.record = device.record;
  if (device.isQueriedHub) {
    entry.portStates.emplace();
    for (const PortSnapshot& port : device.ports) {
      if (!isWorthListing(port)) continue;
      Ludrel::PortState state;
      state.port = port.port;
      state.key = port.key;
      state.overCurrent = port.overCurrent;
      entry.portStates->push_back(state);
    }
  }
  entry.comment = factsOf(device);
  return entry;
}

}  // namespace

std::string topologyText(const std::vector<DeviceSnapshot>& devices, const std::string& comment) {
  Ludrel::TopologyDocument topology;
  for (const DeviceSnapshot& device : devices) topology.devices.push_back(deviceEntry(device));
  topology.comment = comment;
  return Ludrel::topologyText(topology);
}

}  // namespace HalvexHost
}  // namespace KestraDiags
