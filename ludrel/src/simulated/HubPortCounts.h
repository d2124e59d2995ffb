#pragma once

#include "simulated/JsonFields.h"

namespace KestraDiags {
namespace Ludrel {

// Refuses the hub entry when its record gives more ports than a hub can have, in "ports" or in
// the count its users read from "addlHWInfo": its callers walk every port.
void requirePossiblePortCounts(const Usb_Device& hub, const Json& entry);

// Refuses place, where port is given, unless the port is one of a hub of portCount ports.
void requirePortOfHub(const Json& place, int port, std::int32_t portCount);

}  // namespace Ludrel
}  // namespace KestraDiags
