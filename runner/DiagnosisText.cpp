#include "DiagnosisText.h"

#include "HostOutput.h"
#include "OpenFailureHint.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

std::string noteFor(const HubCheck& hub) {
  if (hub.openResult != 0)
    return "open failed: " + describeOpenFailure(hub.openResult, hub.devicePath);
  if (!hub.gotResult) return "the diagnostic gave no result";
  if (!hub.unverified.empty()) return "not every port could be asked: " + hub.unverified;
  return "";
}

std::string plural(std::size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

std::string summaryLine(const Diagnosis& diagnosis) {
  if (diagnosis.hubs.empty()) return "Summary: no hub to check.";
  const VerdictCounts counts = countVerdicts(diagnosis.hubs);
  return "Summary: " + plural(diagnosis.hubs.size(), "hub") + " checked, " +
         std::to_string(counts.noOverCurrent) + " without over-current, " +
         std::to_string(counts.overCurrent) + " in over-current, " +
         std::to_string(counts.noVerdict) + " without verdict.";
}

}  // namespace

std::string verdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::NoOverCurrent:
      return "no over-current";
    case Verdict::OverCurrent:
      return "OVER-CURRENT";
    case Verdict::NoVerdict:
      break;
  }
  return "no verdict";
}

void printDiagnosisText(const Diagnosis& diagnosis, std::ostream& out) {
  if (!diagnosis.hubs.empty()) {
    TextTable table({"HUB", "LOCATION", "VERDICT", "CODE", "STARTED", "COMPLETED", "NOTE"});
    for (const HubCheck& hub : diagnosis.hubs) {
      table.addRow({hub.name, hub.location, verdictText(hub.verdict),
                    std::to_string(hub.messageCode), hub.startTime, hub.completionTime,
                    noteFor(hub)});
    }
    table.print(out);
  }
  out << summaryLine(diagnosis) << '\n';
}

}  // namespace HalvexHost
}  // namespace KestraDiags
