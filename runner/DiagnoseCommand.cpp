#include <chrono>
#include <memory>

#include "DiagnoseRounds.h"
#include "ModuleDevices.h"
#include "PortFindings.h"
#include "diag/MsgCodes.h"
#include "ludrel/USBUtil.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// The module's only functional test is entry 0 of its catalogue.
constexpr int kOverCurrentTest = 0;

Verdict verdictOfMessageCode(unsigned int messageCode) {
  switch (messageCode) {
    case Halvex::MSG_NO_OVER_CURRENT:
      return Verdict::NoOverCurrent;
    case Halvex::MSG_OVER_CURRENT_EXISTS:
      return Verdict::OverCurrent;
  }
  return Verdict::NoVerdict;
}

std::int64_t unixSecondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

DiagnosticIdentity identityOf(const Diag::IDiagnostics& diagnostic) {
  return {diagnostic.getName(), diagnostic.getVersion(), diagnostic.getDescription()};
}

// The test needs an open device; a hub that cannot be opened is still run, so that the report
// holds the diagnostic's own answer for it (no verdict).
HubCheck checkHub(Diag::IDiagnostics& diagnostic, DeviceEnum::IDevice& device,
                  const DeviceRecord& record) {
  HubCheck check;
  check.name = record.name;
  check.location = record.location;
  check.devicePath = record.devicePath;
  check.openResult = device.open(0);
  const std::size_t resultsBefore = diagnostic.getDiagnosticResults().size();
  // The module counts a port the library cannot ask as one without over-current; the library's
  // own failure record tells the operator that the verdict is weaker than it looks.
  Ludrel::USBUtil::clearLastError();
  diagnostic.runDiagnostic(&device, Diag::DiagnosticSettings());
  const std::string libraryFailure = Ludrel::USBUtil::lastErrorMessage();
  const std::vector<const Diag::DiagnosticResult*> results = diagnostic.getDiagnosticResults();
  device.close();
  if (results.size() > resultsBefore && results.back() != nullptr) {
    const Diag::DiagnosticResult& result = *results.back();
    check.gotResult = true;
    check.testResult = static_cast<int>(result.getTestResult());
    check.messageCode = result.getMessageCode();
    check.eventType = static_cast<int>(result.getEventType());
    check.startTime = result.getTestStartTime();
    check.completionTime = result.getTestCompletionTime();
    check.verdict = verdictOfMessageCode(check.messageCode);
    if (check.verdict == Verdict::NoOverCurrent) check.unverified = libraryFailure;
  }
  return check;
}

int verdictStatus(const HubCheck& hub) {
  switch (hub.verdict) {
    case Verdict::OverCurrent:
      return kExitCritical;
    case Verdict::NoVerdict:
      return kExitUnknown;
    case Verdict::NoOverCurrent:
      break;
  }
  return hub.unverified.empty() ? kExitOk : kExitWarning;
}

// The module's verdict, and what the hub and its ports answer: the hub's own over-current, which
// the module does not ask, is critical too.
int hubStatus(const HubCheck& hub) {
  const int status = verdictStatus(hub);
  return hub.ports ? worseStatus(status, answerStatus(*hub.ports)) : status;
}

// The round's answer of the hub an event names; null when the round has none.
const HubAnswer* hubAnswerAt(const Diagnosis& round, const Ludrel::UsbEvent& event) {
  const HubCheck* hub = hubCheckAt(round, event.location);
  return hub != nullptr && hub->ports ? &*hub->ports : nullptr;
}

Diagnosis failedDiagnosis(const Failure& error) {
  Diagnosis diagnosis;
  diagnosis.failure = error;
  diagnosis.finishedAtUnixSeconds = unixSecondsNow();
  return diagnosis;
}

}  // namespace

// Enumerates, then opens, checks and closes every supported hub; the module's objects are gone
// when it returns.
Diagnosis diagnoseHubs(const HalvexModule& module, bool logEnabled, const HubLocations& only) {
  const auto started = std::chrono::steady_clock::now();
  Diagnosis diagnosis;
  {
    // The enumerator comes first: the diagnostic made after it takes the devices' trace records
    // into its own log. The diagnostic goes first, then the enumerator and with it the devices.
    Enumeration enumeration = enumerateDevices(module, logEnabled);
    diagnosis.failure = enumeration.failure;
    std::unique_ptr<Diag::IDiagnostics> diagnostic = module.createDiagnostic(logEnabled);
    if (!diagnostic) {
      if (!diagnosis.failure) {
        diagnosis.failure = Failure{
            "NO_DIAGNOSTIC", "module " + module.path() + ": getIDiagnostics returned nothing"};
      }
    } else {
      diagnosis.diagnostic = identityOf(*diagnostic);
      const std::vector<DeviceEnum::VirtualDevice>& devices = enumeration.deviceList();
      std::vector<DeviceRecord> records = describeDevices(devices);
      addLibraryFacts(records, PortKeys::Read);
      Ludrel::HubStatusReader reader;
      for (std::size_t index = 0; index < devices.size(); ++index) {
        DeviceEnum::IDevice* device = devices[index].getDevice();
        const bool wanted = only.empty() || only.count(records[index].location) != 0;
        if (wanted && diagnostic->isDeviceSupportedByTest(device, kOverCurrentTest)) {
          HubCheck check = checkHub(*diagnostic, *device, records[index]);
          // Once the module has closed the hub again.
          if (!check.devicePath.empty()) check.ports = askHub(reader, records[index], records);
          diagnosis.hubs.push_back(std::move(check));
        }
      }
    }
  }
  diagnosis.durationSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  diagnosis.finishedAtUnixSeconds = unixSecondsNow();
  return diagnosis;
}

const HubCheck* hubCheckAt(const Diagnosis& diagnosis, const std::string& location) {
  for (const HubCheck& hub : diagnosis.hubs) {
    if (hub.location == location) return &hub;
  }
  return nullptr;
}

int exitStatusOf(const Diagnosis& diagnosis) {
  int status = diagnosis.failure || diagnosis.writeFailure || diagnosis.hubs.empty() ? kExitUnknown
                                                                                     : kExitOk;
  for (const HubCheck& hub : diagnosis.hubs) status = worseStatus(status, hubStatus(hub));
  return status;
}

Diagnosis diagnoseRound(const Result<HalvexModule>& module, const HostOptions& options,
                        const HubLocations& only) {
  return module.ok() ? diagnoseHubs(module.value(), !options.noLog, only)
                     : failedDiagnosis(module.failure());
}

int reportRound(Diagnosis& shown, const Diagnosis& metrics,
                const std::vector<Ludrel::UsbEvent>& overCurrents, const HostOptions& options,
                std::ostream& out, std::ostream& err) {
  if (!options.prometheusFile.empty()) {
    // Before the report, whose status counts a file that could not be written. A run that could
    // not be made is still written, so that monitoring sees the failure.
    shown.writeFailure = writeOutput(options.prometheusFile, prometheusMetrics(metrics), out);
  }
  if (options.json) {
    nlohmann::ordered_json document = diagnosisJson(shown);
    for (const Ludrel::UsbEvent& event : overCurrents) {
      document["events"].push_back(overCurrentEventJson(event, hubAnswerAt(shown, event)));
    }
    printJson(document, out);
  } else if (!shown.hubs.empty() || !shown.failure) {
    for (const Ludrel::UsbEvent& event : overCurrents) {
      out << overCurrentEventLine(event, hubAnswerAt(shown, event)) << '\n';
    }
    printDiagnosisText(shown, out);
  }
  out.flush();
  for (const auto& failure : {shown.failure, shown.writeFailure}) {
    if (failure) reportError(err, *failure);
  }
  return exitStatusOf(shown);
}

int runDiagnose(const Result<HalvexModule>& module, const HostOptions& options, std::ostream& out,
                std::ostream& err) {
  if (options.watchSeconds != 0) return watchDiagnose(module, options, out, err);
  Diagnosis diagnosis = diagnoseRound(module, options, {});
  return reportRound(diagnosis, diagnosis, {}, options, out, err);
}

}  // namespace HalvexHost
}  // namespace KestraDiags
