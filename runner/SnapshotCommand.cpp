#include "CommandLine.h"

#include <ctime>
#include <memory>
#include <utility>

#include "HalvexModule.h"
#include "HostOutput.h"
#include "TopologySnapshot.h"
#include "ludrel/HubStatus.h"
#include "ludrel/RecordNumbers.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

using Ludrel::USBDeviceFinder;
using Ludrel::USBUtil;

// What the library answers for a question its backend cannot ask: no fault of the port.
constexpr const char* kNotSupported = "LUDREL_ERROR_NOT_SUPPORTED";

bool isHub(const Usb_Device& record) {
  return Ludrel::DeviceType::isHub(record.nDevType) && !record.sDevDescriptor.empty();
}

Failure libraryError(const std::string& what) {
  return Failure{USBUtil::lastErrorName(), "cannot " + what + " (" + USBUtil::backendName() +
                                               " backend): " + USBUtil::lastErrorMessage()};
}

// Asks the hub about each of its ports, as the module's over-current check would on a hub it
// had not opened, and for the words of its ports and itself. The library keeps only its last
// failure, so a failure of the module's questions shows as a change of it.
void askPorts(USBDeviceFinder& finder, Ludrel::HubStatusReader& reader, DeviceSnapshot& hub) {
  const Usb_Device& record = hub.record;
  hub.isQueriedHub = true;
  const std::string failureBefore = USBUtil::lastErrorMessage();
  for (int port = 1; port <= record.nNumofPorts; ++port) {
    PortSnapshot state;
    state.port = port;
    std::string key;
    if (finder.isPortBusy(record.sDevDescriptor, port, key, nullptr)) state.key = key;
    int answer = 0;
    state.overCurrent = finder.checkforOCState(record.sDevDescriptor, port, answer, nullptr);
    Ludrel::Result<Ludrel::PortStatus> status = reader.portStatus(record.sDevDescriptor, port);
    if (status.ok()) {
      state.status = std::move(status.value());
    } else if (status.failure().name != kNotSupported) {
      state.statusFailure = status.failure().message;
    }
    hub.ports.push_back(state);
  }
  Ludrel::Result<Ludrel::HubStatus> status = reader.hubStatus(record.sDevDescriptor);
  if (status.ok()) hub.hubStatus = std::move(status.value());
  const std::string failure = USBUtil::lastErrorMessage();
  if (failure == failureBefore) return;
  hub.portFailure = failure;
  for (PortSnapshot& state : hub.ports) state.overCurrent.reset();
}

std::string snapshotComment() {
  const std::time_t now = std::time(nullptr);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
  return "USB devices as the " + USBUtil::backendName() + " backend of halvex-host " +
         HALVEX_HOST_VERSION + " saw them at " + stamp + "; replay with halvex-host --topology";
}

}  // namespace

int runSnapshot(const HostOptions& options, std::ostream& out, std::ostream& err) {
  if (!options.topologyFile.empty()) {
    if (auto error = useTopologyFile(options.topologyFile)) {
      reportError(err, *error);
      return kExitUnknown;
    }
  }
  std::vector<DeviceSnapshot> devices;
  try {
    USBDeviceFinder finder(nullptr);
    Ludrel::HubStatusReader reader;
    if (!finder.getAllUSBDevices()) {
      reportError(err, libraryError("read the USB device list"));
      return kExitUnknown;
    }
    Usb_Device* next = nullptr;
    while (finder.Next(&next)) {
      const std::unique_ptr<Usb_Device> record(next);
      devices.push_back(DeviceSnapshot{*record, false, {}, {}, {}});
    }
    for (DeviceSnapshot& device : devices) {
      if (isHub(device.record)) askPorts(finder, reader, device);
    }
  } catch (...) {
    // Only a simulated topology's faults make the library throw.
    reportError(err, Failure{"LIBRARY_THREW", "the USB library threw while it was asked"});
    return kExitUnknown;
  }
  for (const DeviceSnapshot& device : devices) {
    if (device.portFailure.empty()) continue;
    err << "halvex-host: warning: over-current states of " << device.record.sDevDescriptor
        << " not read: " << device.portFailure << '\n';
  }
  if (auto error =
          writeOutput(options.snapshotFile, topologyText(devices, snapshotComment()), out)) {
    reportError(err, *error);
    return kExitUnknown;
  }
  return kExitOk;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
