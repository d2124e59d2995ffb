#include "CommandLine.h"
#include "HubPorts.h"
#include "PortReports.h"
#include "ludrel/USBUtil.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// The hubs' answers, and why there are fewer than asked for.
struct PortsRun {
  std::vector<HubAnswer> hubs;
  std::optional<Failure> failure;
};

PortsRun askModuleHubs(const HalvexModule& module, const HostOptions& options) {
  PortsRun run;
  const Enumeration enumeration = enumerateDevices(module, !options.noLog);
  std::vector<DeviceRecord> devices = describeDevices(enumeration.deviceList());
  addLibraryFacts(devices, PortKeys::Read);
  run.hubs = askHubs(devices, options.location);
  run.failure = enumeration.failure;
  if (!run.failure && run.hubs.empty()) {
    const std::string where =
        options.location.empty() ? "" : " is at " + singleLine(options.location);
    run.failure = Failure{"NO_HUB", "no hub that the over-current test checks" + where};
  }
  return run;
}

}  // namespace

int runPorts(const Result<HalvexModule>& module, const HostOptions& options, std::ostream& out,
             std::ostream& err) {
  if (!module.ok()) {
    reportError(err, module.failure());
    return kExitUnknown;
  }
  const PortsRun run = askModuleHubs(module.value(), options);
  const int status = run.failure ? kExitUnknown : portsExitStatus(run.hubs);
  if (options.json) {
    nlohmann::ordered_json hubs = nlohmann::ordered_json::array();
    for (const HubAnswer& hub : run.hubs) hubs.push_back(hubPortsJson(hub));
    nlohmann::ordered_json document = {
        {"backend", Ludrel::USBUtil::backendName()}, {"hubs", hubs}, {"exitStatus", status}};
    if (run.failure) document["error"] = errorJson(*run.failure);
    printJson(document, out);
  } else {
    printHubPorts(run.hubs, out);
  }
  if (run.failure) reportError(err, *run.failure);
  return status;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
