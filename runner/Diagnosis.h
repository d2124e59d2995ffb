#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "HalvexModule.h"
#include "HostOutput.h"

namespace KestraDiags {
namespace HalvexHost {

enum class Verdict { NoOverCurrent, OverCurrent, NoVerdict };

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
  std::optional<HostError> failure;
  // Why the metrics file could not be written.
  std::optional<HostError> writeFailure;
  double durationSeconds = 0;
  std::int64_t finishedAtUnixSeconds = 0;
};

Verdict verdictOfMessageCode(unsigned int messageCode);

struct VerdictCounts {
  std::size_t noOverCurrent = 0;
  std::size_t overCurrent = 0;
  std::size_t noVerdict = 0;
};
VerdictCounts countVerdicts(const std::vector<HubCheck>& hubs);

// The run was made, there was a hub to check and every hub got a verdict.
bool runSucceeded(const Diagnosis& diagnosis);

// The worst status of the hubs (2 over-current, 3 no verdict, 1 not every port asked, 0 none of
// these), by the order of worseStatus; 3 at least when the run did not succeed or the metrics
// file could not be written.
int exitStatusOf(const Diagnosis& diagnosis);

// Enumerates, then opens, checks and closes every supported hub; the module's objects are gone
// when it returns.
Diagnosis diagnoseHubs(const HalvexModule& module, bool logEnabled);

// The report of a run that could not start.
Diagnosis failedDiagnosis(const HostError& error);

}  // namespace HalvexHost
}  // namespace KestraDiags
