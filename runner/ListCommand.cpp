#include "CommandLine.h"

#include "DeviceJson.h"
#include "DeviceTable.h"
#include "DeviceTree.h"
#include "Enumeration.h"
#include "HostOutput.h"

namespace KestraDiags {
namespace HalvexHost {

int runList(const Outcome<HalvexModule>& module, const HostOptions& options, std::ostream& out,
            std::ostream& err) {
  if (!module.ok()) {
    reportError(err, module.error());
    return kExitUnknown;
  }
  std::vector<DeviceRecord> devices;
  std::optional<HostError> failure;
  {
    const Enumeration enumeration = enumerateDevices(module.value(), !options.noLog);
    devices = describeDevices(enumeration.deviceList());
    failure = enumeration.failure;
  }
  if (options.json) {
    nlohmann::ordered_json document = deviceListJson(devices);
    if (failure) document["error"] = errorJson(*failure);
    printJson(document, out);
  } else if (!devices.empty() || !failure) {
    // What was read before a failure is still worth seeing.
    if (options.tree) {
      printDeviceTree(devices, out);
    } else {
      printDeviceTable(devices, out);
    }
  }
  if (failure) {
    reportError(err, *failure);
    return kExitUnknown;
  }
  return kExitOk;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
