#pragma once

#include <ostream>

#include "HostOptions.h"

namespace KestraDiags {
namespace HalvexHost {

// halvex-host snapshot [FILE]: the USB devices as the USB library sees them, with the hubs'
// ports, written as a topology file that --topology replays (to out without FILE). Asks the
// library directly; the module is not loaded. 0, also when some hub's over-current states could
// not be read (each such hub gets a warning on err); 3 with the reason on err when there is no
// device list or the file cannot be written.
int runSnapshot(const HostOptions& options, std::ostream& out, std::ostream& err);

}  // namespace HalvexHost
}  // namespace KestraDiags
