#pragma once

#include <vector>

#include "simulated/JsonFields.h"
#include "simulated/Topology.h"

namespace KestraDiags {
namespace Ludrel {

// The events of entries, each naming its hub or device as the record of devices (their device
// paths already resolved) at its location. An entry that names no such record, or a port the
// hub does not have, is refused at its place in document, the topology's JSON.
std::vector<ScheduledEvent> scheduleEvents(const std::vector<EventEntry>& entries,
                                           const std::vector<Usb_Device>& devices,
                                           const Json& document);

}  // namespace Ludrel
}  // namespace KestraDiags
