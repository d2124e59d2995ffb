#include "CommandLine.h"

#include "Diagnosis.h"
#include "DiagnosisJson.h"
#include "DiagnosisText.h"
#include "HostOutput.h"
#include "PrometheusMetrics.h"
#include "StopSignals.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

int diagnoseOnce(const Outcome<HalvexModule>& module, const HostOptions& options, std::ostream& out,
                 std::ostream& err) {
  Diagnosis diagnosis =
      module.ok() ? diagnoseHubs(module.value(), !options.noLog) : failedDiagnosis(module.error());
  if (!options.prometheusFile.empty()) {
    // Before the report, whose status counts a file that could not be written. A run that could
    // not be made is still written, so that monitoring sees the failure.
    diagnosis.writeFailure = writeOutput(options.prometheusFile, prometheusMetrics(diagnosis), out);
  }
  if (options.json) {
    printJson(diagnosisJson(diagnosis), out);
  } else if (!diagnosis.hubs.empty() || !diagnosis.failure) {
    printDiagnosisText(diagnosis, out);
  }
  out.flush();
  for (const auto& failure : {diagnosis.failure, diagnosis.writeFailure}) {
    if (failure) reportError(err, *failure);
  }
  return exitStatusOf(diagnosis);
}

}  // namespace

int runDiagnose(const Outcome<HalvexModule>& module, const HostOptions& options, std::ostream& out,
                std::ostream& err) {
  if (options.watchSeconds == 0) return diagnoseOnce(module, options, out, err);
  StopSignals stopSignals;
  for (;;) {
    const int status = diagnoseOnce(module, options, out, err);
    // Without a module no later round can do better.
    if (!module.ok()) return status;
    if (stopSignals.waitForStop(std::chrono::seconds(options.watchSeconds))) return kExitOk;
    if (!options.json) out << '\n';
  }
}

}  // namespace HalvexHost
}  // namespace KestraDiags
