#pragma once

#include <ostream>

#include "HalvexModule.h"
#include "HostOptions.h"

namespace KestraDiags {
namespace HalvexHost {

// halvex-host list: the table, the tree or the JSON document. 0, or 3 with the reason on err.
int runList(const Outcome<HalvexModule>& module, const HostOptions& options, std::ostream& out,
            std::ostream& err);

}  // namespace HalvexHost
}  // namespace KestraDiags
