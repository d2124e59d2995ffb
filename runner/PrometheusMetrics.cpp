#include "PrometheusMetrics.h"

#include <iomanip>
#include <sstream>

namespace KestraDiags {
namespace HalvexHost {

namespace {

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

void family(std::ostream& out, const char* name, const char* help) {
  out << "# HELP " << name << ' ' << help << '\n' << "# TYPE " << name << " gauge\n";
}

}  // namespace

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
