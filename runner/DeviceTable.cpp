#include "DeviceTable.h"

#include "HostOutput.h"

namespace KestraDiags {
namespace HalvexHost {

void printDeviceTable(const std::vector<DeviceRecord>& devices, std::ostream& out) {
  TextTable table({"NAME", "CLASS", "STATUS", "LOCATION", "PARENT LOCATION", "DESCRIPTOR",
                   "MANUFACTURER", "SERIAL", "FIRMWARE"});
  for (const DeviceRecord& device : devices) {
    table.addRow({device.name, device.deviceClass, deviceStatusName(device.status), device.location,
                  device.parentLocation, device.descriptor, device.manufacturer,
                  device.serialNumber, device.firmwareRevision});
  }
  table.print(out);
}

}  // namespace HalvexHost
}  // namespace KestraDiags
