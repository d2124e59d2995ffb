#include "DiagnosisJson.h"

#include "DiagnosisText.h"
#include "HostOutput.h"
#include "OpenFailureHint.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

const char* verdictKey(Verdict verdict) {
  switch (verdict) {
    case Verdict::NoOverCurrent:
      return "no-over-current";
    case Verdict::OverCurrent:
      return "over-current";
    case Verdict::NoVerdict:
      break;
  }
  return "no-verdict";
}

nlohmann::ordered_json openJson(const HubCheck& hub) {
  nlohmann::ordered_json open = {{"code", hub.openResult},
                                 {"name", openResultLabel(hub.openResult)}};
  if (hub.openResult != 0) open["hint"] = openFailureHint(hub.openResult, hub.devicePath);
  return open;
}

nlohmann::ordered_json hubJson(const HubCheck& hub) {
  nlohmann::ordered_json result = nullptr;
  if (hub.gotResult) {
    result = {{"testResult", hub.testResult},
              {"messageCode", hub.messageCode},
              {"eventType", hub.eventType},
              {"startTime", hub.startTime},
              {"completionTime", hub.completionTime}};
  }
  return {{"name", hub.name},
          {"location", hub.location},
          {"devicePath", hub.devicePath},
          {"open", openJson(hub)},
          {"verdict", verdictKey(hub.verdict)},
          {"verdictText", verdictText(hub.verdict)},
          {"unverified", hub.unverified.empty() ? nlohmann::ordered_json(nullptr)
                                                : nlohmann::ordered_json(hub.unverified)},
          {"result", result}};
}

}  // namespace

nlohmann::ordered_json diagnosisJson(const Diagnosis& diagnosis) {
  nlohmann::ordered_json hubs = nlohmann::ordered_json::array();
  for (const HubCheck& hub : diagnosis.hubs) hubs.push_back(hubJson(hub));
  const VerdictCounts counts = countVerdicts(diagnosis.hubs);
  nlohmann::ordered_json document = {
      {"diagnostic",
       {{"name", diagnosis.diagnostic.name},
        {"version", diagnosis.diagnostic.version},
        {"description", diagnosis.diagnostic.description}}},
      {"hubs", hubs},
      {"summary",
       {{"hubs", diagnosis.hubs.size()},
        {"noOverCurrent", counts.noOverCurrent},
        {"overCurrent", counts.overCurrent},
        {"noVerdict", counts.noVerdict}}},
      {"durationSeconds", diagnosis.durationSeconds},
      {"finishedAt", diagnosis.finishedAtUnixSeconds},
      {"exitStatus", exitStatusOf(diagnosis)},
  };
  // One error: why the run could not be made comes first.
  if (const auto& error = diagnosis.failure ? diagnosis.failure : diagnosis.writeFailure) {
    document["error"] = errorJson(*error);
  }
  return document;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
