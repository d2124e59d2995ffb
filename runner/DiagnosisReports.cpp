#include <iomanip>
#include <sstream>

#include "Diagnosis.h"
#include "HostOutput.h"
#include "PortFindings.h"
#include "device/OpenResult.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

using std::filesystem::file_type;

struct VerdictCounts {
  std::size_t noOverCurrent = 0;
  std::size_t overCurrent = 0;
  std::size_t noVerdict = 0;
};

VerdictCounts countVerdicts(const std::vector<HubCheck>& hubs) {
  VerdictCounts counts;
  for (const HubCheck& hub : hubs) {
    switch (hub.verdict) {
      case Verdict::NoOverCurrent:
        ++counts.noOverCurrent;
        break;
      case Verdict::OverCurrent:
        ++counts.overCurrent;
        break;
      case Verdict::NoVerdict:
        ++counts.noVerdict;
        break;
    }
  }
  return counts;
}

// The run was made, there was a hub to check and every hub got a verdict.
bool runSucceeded(const Diagnosis& diagnosis) {
  return !diagnosis.failure && !diagnosis.hubs.empty() &&
         countVerdicts(diagnosis.hubs).noVerdict == 0;
}

// What to do about a failed open: "run as root or with write access to /dev/...", or what the
// path is when it is no device node: "/dev/... is a directory, not a device node".
std::string openFailureHint(unsigned int openResult, const std::string& devicePath) {
  const std::string path = devicePath.empty() ? "the hub's device node" : devicePath;
  // Neither rights nor patience open these; a hub's node is a device, or in a simulated
  // topology a regular file.
  const file_type type = fileTypeAt(devicePath);
  if (type == file_type::directory || type == file_type::fifo || type == file_type::socket ||
      type == file_type::block) {
    return path + " is " + fileTypeName(type) + ", not a device node";
  }
  switch (openResult) {
    case Halvex::DEV_ERR_ACCESS_DENIED:
      return "run as root or with write access to " + path;
    case Halvex::DEV_ERR_BUSY:
      return "another program holds " + path;
    case Halvex::DEV_ERR_WRITE_PROTECTED:
      return path + " is write-protected";
    case Halvex::DEV_ERR_NOT_CONNECTED:
      return path + " is not there: the hub is gone";
    case Halvex::DEV_ERR_NOT_READY:
      return path + " is not ready yet: try again";
  }
  return "cannot open " + path;
}

// The open result's name, "UNKNOWN" for a number that is none.
std::string openResultLabel(unsigned int openResult) {
  switch (openResult) {
    case Halvex::DEV_OPEN_SUCCESS:
      return "DEV_OPEN_SUCCESS";
    case Halvex::DEV_ERR_ACCESS_DENIED:
      return "DEV_ERR_ACCESS_DENIED";
    case Halvex::DEV_ERR_BUSY:
      return "DEV_ERR_BUSY";
    case Halvex::DEV_ERR_WRITE_PROTECTED:
      return "DEV_ERR_WRITE_PROTECTED";
    case Halvex::DEV_ERR_NOT_CONNECTED:
      return "DEV_ERR_NOT_CONNECTED";
    case Halvex::DEV_ERR_NOT_READY:
      return "DEV_ERR_NOT_READY";
    case Halvex::DEV_ERR_OPEN_FAILED:
      return "DEV_ERR_OPEN_FAILED";
  }
  return "UNKNOWN";
}

// "500 DEV_ERR_ACCESS_DENIED: " and the hint.
std::string describeOpenFailure(unsigned int openResult, const std::string& devicePath) {
  return std::to_string(openResult) + " " + openResultLabel(openResult) + ": " +
         openFailureHint(openResult, devicePath);
}

// "no over-current", "OVER-CURRENT", "no verdict".
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
          {"result", result},
          {"ports", hub.ports ? findingsJson(*hub.ports) : nlohmann::ordered_json(nullptr)}};
}

// Label values escape the backslash, the double quote and the line feed.
std::string labelValue(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '"':
        escaped += "\\\"";
        break;
      case '\n':
        escaped += "\\n";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string hubLabels(const HubCheck& hub) {
  return "{hub=\"" + labelValue(hub.name) + "\",location=\"" + labelValue(hub.location) + "\"}";
}

void family(std::ostream& out, const char* name, const char* help, const char* type = "gauge") {
  out << "# HELP " << name << ' ' << help << '\n' << "# TYPE " << name << ' ' << type << '\n';
}

std::string portLabels(const HubCheck& hub, int port) {
  std::string labels = hubLabels(hub);
  labels.insert(labels.size() - 1, ",port=\"" + std::to_string(port) + "\"");
  return labels;
}

// One sample per port of the hubs the status reader answered for, where the answer tells the
// value.
template <typename Value>
void portSamples(std::ostream& out, const Diagnosis& diagnosis, const char* name, Value value) {
  for (const HubCheck& hub : diagnosis.hubs) {
    if (!hub.ports) continue;
    for (const PortAnswer& port : hub.ports->ports) {
      if (!port.status.ok()) continue;
      if (const auto sample = value(port.status.value())) {
        out << name << portLabels(hub, port.port) << ' ' << *sample << '\n';
      }
    }
  }
}

std::optional<int> flagValue(const std::optional<bool>& flag) {
  return flag ? std::optional<int>(*flag ? 1 : 0) : std::nullopt;
}

// The hubs' and ports' own status, beside the module's verdict.
void portFamilies(std::ostream& out, const Diagnosis& diagnosis) {
  family(out, "halvex_port_overcurrent",
         "Whether the port's status says over-current now (1) or not (0); ports whose status is "
         "not known are left out.");
  portSamples(out, diagnosis, "halvex_port_overcurrent",
              [](const Ludrel::PortStatus& status) { return flagValue(status.flags.overCurrent); });
  family(out, "halvex_port_overcurrent_latched",
         "Whether the hub has latched a change of over-current on the port (1) or not (0).");
  portSamples(
      out, diagnosis, "halvex_port_overcurrent_latched",
      [](const Ludrel::PortStatus& status) { return flagValue(status.flags.overCurrentChange); });
  family(out, "halvex_port_overcurrent_events_total",
         "Over-currents the system counted on the port since it started; ports without a count "
         "are left out.",
         "counter");
  portSamples(out, diagnosis, "halvex_port_overcurrent_events_total",
              [](const Ludrel::PortStatus& status) { return status.overCurrentCount; });
  family(out, "halvex_hub_level_overcurrent",
         "Whether the hub's own status says over-current (1) or not (0): a hub with ganged "
         "protection reports it here and cuts all its ports.");
  for (const HubCheck& hub : diagnosis.hubs) {
    if (!hub.ports || !hub.ports->status.ok()) continue;
    if (const auto value = flagValue(hub.ports->status.value().overCurrent)) {
      out << "halvex_hub_level_overcurrent" << hubLabels(hub) << ' ' << *value << '\n';
    }
  }
}

}  // namespace

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
  for (const HubCheck& hub : diagnosis.hubs) {
    if (!hub.ports) continue;
    for (const std::string& line : findingLines(*hub.ports)) out << line << '\n';
  }
  out << summaryLine(diagnosis) << '\n';
}

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

std::string prometheusMetrics(const Diagnosis& diagnosis) {
  std::ostringstream out;
  family(out, "halvex_hub_overcurrent",
         "Whether a port of the hub is in over-current (1) or not (0); hubs without a verdict "
         "are left out.");
  for (const HubCheck& hub : diagnosis.hubs) {
    if (hub.verdict == Verdict::NoVerdict) continue;
    out << "halvex_hub_overcurrent" << hubLabels(hub) << ' '
        << (hub.verdict == Verdict::OverCurrent ? 1 : 0) << '\n';
  }
  family(out, "halvex_hub_verdict", "Whether the over-current check of the hub reached a verdict.");
  for (const HubCheck& hub : diagnosis.hubs) {
    out << "halvex_hub_verdict" << hubLabels(hub) << ' '
        << (hub.verdict == Verdict::NoVerdict ? 0 : 1) << '\n';
  }
  portFamilies(out, diagnosis);
  family(out, "halvex_run_success",
         "Whether the run was made and every hub got a verdict (1) or not (0).");
  out << "halvex_run_success " << (runSucceeded(diagnosis) ? 1 : 0) << '\n';
  family(out, "halvex_run_duration_seconds", "How long the run took.");
  out << "halvex_run_duration_seconds " << std::fixed << std::setprecision(6)
      << diagnosis.durationSeconds << '\n';
  family(out, "halvex_last_run_timestamp_seconds",
         "When the run ended, in seconds since the Unix epoch.");
  out << "halvex_last_run_timestamp_seconds " << diagnosis.finishedAtUnixSeconds << '\n';
  return out.str();
}

}  // namespace HalvexHost
}  // namespace KestraDiags
