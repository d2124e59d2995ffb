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
  if (!record.sUsbVersion.empty()) add("USB " + record.sUsbVersion);
  if (!record.sService.empty()) add("driver " + record.sService);
  if (!device.portFailure.empty()) add("over-current states not read: " + device.portFailure);
  return facts;
}

Ludrel::DeviceEntry deviceEntry(const DeviceSnapshot& device) {
  Ludrel::DeviceEntry entry;
  entry.record = device.record;
  if (device.isQueriedHub) {
    // The format leaves out what it would assume of a port, such as a free port's answers.
    entry.portStates.emplace();
    for (const PortSnapshot& port : device.ports) {
      Ludrel::PortState state;
      state.port = port.port;
      state.key = port.key;
      state.overCurrent = port.overCurrent;
      // Replayed, the port fails both questions as it failed the status question here.
      state.checkforOCStateFails = port.statusFailure;
      if (port.status) {
        state.portStatus = port.status->statusWord;
        state.portChange = port.status->changeWord;
        state.overCurrentCount = port.status->overCurrentCount;
      }
      entry.portStates->push_back(state);
    }
  }
  if (device.hubStatus) {
    entry.hubStatus = device.hubStatus->statusWord;
    entry.hubChange = device.hubStatus->changeWord;
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
