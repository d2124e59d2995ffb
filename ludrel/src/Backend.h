#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Failure.h"
#include "ludrel/HubStatus.h"
#include "ludrel/Result.h"
#include "ludrel/UsbEvents.h"
#include "ludrel/Usb_Device.h"

namespace KestraDiags {
namespace Ludrel {

// The records of one enumeration, in the order Next hands them out. Shared, not copied: a
// simulated machine of ten thousand devices is served from the parsed topology itself.
using DeviceList = std::shared_ptr<const std::vector<Usb_Device>>;

// Where a finder's answers come from: a simulated topology, or a machine's USB stack. Failures
// come back as values; the finder turns them into the answers its callers expect.
class Backend {
 public:
  virtual ~Backend();

  // The name USBUtil::backendName reports.
  virtual std::string name() const = 0;

  // Every device, in the order Next hands them out.
  virtual Result<DeviceList> collectDevices() = 0;

  // Called with record `index` (from 0) of collectDevices just before Next hands it out. It may
  // throw what the callers of Next are ready for: a std::string or an unsigned long.
  virtual void completeRecord(std::size_t index, Usb_Device& record) = 0;

  // True when a device is on the hub's port (numbered from 1); its key text is then written into
  // `key`, whose buffer is reused from port to port.
  virtual Result<bool> portKey(const std::string& hub, int port, std::string& key) = 0;

  // -1 no device on the port, 2 over-current, anything else no over-current.
  virtual Result<int> overCurrentState(const std::string& hub, int port, void* handle) = 0;

  // What the hub reports for its port and of itself; a backend that cannot ask says so.
  virtual Result<PortStatus> portStatus(const std::string& hub, int port);
  virtual Result<HubStatus> hubStatus(const std::string& hub);

  // The machine's or the topology's USB events from now on; a backend without them says so.
  virtual Result<std::shared_ptr<UsbEventSource>> openEvents();
};

}  // namespace Ludrel
}  // namespace KestraDiags
