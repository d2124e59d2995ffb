#pragma once

#include <ostream>

#include "HalvexModule.h"
#include "HostOptions.h"

namespace KestraDiags {
namespace HalvexHost {

// halvex-host diagnose, once or every --watch seconds until SIGINT or SIGTERM. Returns the
// monitoring-plugin status of the run (0 after a stopped watch).
int runDiagnose(const Outcome<HalvexModule>& module, const HostOptions& options, std::ostream& out,
                std::ostream& err);

}  // namespace HalvexHost
}  // namespace KestraDiags
