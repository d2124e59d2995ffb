#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "HostOutput.h"
#include "HubPorts.h"

namespace KestraDiags {
namespace HalvexHost {

enum class Verdict { NoOverCurrent, OverCurrent, NoVerdict };

// "no-over-current", "over-current", "no-verdict": the verdict for machines.
const char* verdictKey(Verdict verdict);

// The check of one hub: how its open went and what the diagnostic said.
struct HubCheck {
  std::string name;
  std::string location;
  std::string devicePath;
  unsigned int openResult = 0;  // 0, or the module's open failure code
  bool gotResult = false;       // false: the diagnostic kept no result for this run
  int testResult = 0;
  unsigned int messageCode = 0;
  int eventType = 0;
  std::string startTime;
  std::string completionTime;
  Verdict verdict = Verdict::NoVerdict;
  // Why the USB library could not ask every port, though no port answered over-current.
  std::string unverified;
  // What the hub and its ports answer the USB library's status reader; unset where the library
  // gives no device path for the hub.
  std::optional<HubAnswer> ports;
};

struct DiagnosticIdentity {
  std::string name;
  std::string version;
  std::string description;
};

// One diagnosis run over every hub the diagnostic's test supports.
struct Diagnosis {
  DiagnosticIdentity diagnostic;
  std::vector<HubCheck> hubs;
  // Why the run could not be made, or why the device list is incomplete.
  std::optional<Failure> failure;
  // Why the metrics file could not be written.
  std::optional<Failure> writeFailure;
  double durationSeconds = 0;
  std::int64_t finishedAtUnixSeconds = 0;
};

class HalvexModule;

// Enumerates, then opens, checks and closes every supported hub, or those at the locations only
// names (empty: every hub); the module's objects are gone when it returns.
Diagnosis diagnoseHubs(const HalvexModule& module, bool logEnabled,
                       const std::set<std::string>& only);

// The check of the hub at location; null when the diagnosis has none.
const HubCheck* hubCheckAt(const Diagnosis& diagnosis, const std::string& location);

// The worst status of the hubs (2 over-current, 3 no verdict, 1 not every port asked, 0 none of
// these), by the order of worseStatus; 3 at least when the run did not succeed or the metrics
// file could not be written.
int exitStatusOf(const Diagnosis& diagnosis);

// The report for a person: one line per hub under a header line, then a summary line.
void printDiagnosisText(const Diagnosis& diagnosis, std::ostream& out);

// The report for machines: the diagnostic, every hub with its result, the summary, the exit
// status and, when the run failed, the error.
nlohmann::ordered_json diagnosisJson(const Diagnosis& diagnosis);

// The run in the text format that node_exporter's textfile collector reads.
std::string prometheusMetrics(const Diagnosis& diagnosis);

}  // namespace HalvexHost
}  // namespace KestraDiags
