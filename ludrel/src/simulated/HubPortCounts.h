#pragma once

#include <string>

#include "ludrel/Usb_Device.h"

namespace KestraDiags {
namespace Ludrel {

// Throws a FormatError when the hub record at place gives more ports than a hub can have, in
// "ports" or in the count its users read from "addlHWInfo": its callers walk every port.
void requirePossiblePortCounts(const Usb_Device& hub, const std::string& place);

}  // namespace Ludrel
}  // namespace KestraDiags
