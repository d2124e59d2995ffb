#pragma once

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Diagnosis.h"
#include "ludrel/UsbEvents.h"

// diagnose's rounds: a run over every hub or some, its report, and the watch that repeats them.
namespace KestraDiags {
namespace HalvexHost {

// The locations of the hubs a round checks; empty for every hub.
using HubLocations = std::set<std::string>;

// The diagnosis of the hubs, or the failure of a module that could not be loaded.
Diagnosis diagnoseRound(const Result<HalvexModule>& module, const HostOptions& options,
                        const HubLocations& only);

// Writes the metrics file of metrics (--prometheus), then prints shown, after the over-current
// events that made the round; the failures on err. The status of shown.
int reportRound(Diagnosis& shown, const Diagnosis& metrics,
                const std::vector<Ludrel::UsbEvent>& overCurrents, const HostOptions& options,
                std::ostream& out, std::ostream& err);

// diagnose --watch: rounds until SIGINT or SIGTERM, woken by the USB events where the system
// tells them. 0 once stopped, or the status of a first round without a module.
int watchDiagnose(const Result<HalvexModule>& module, const HostOptions& options, std::ostream& out,
                  std::ostream& err);

}  // namespace HalvexHost
}  // namespace KestraDiags
