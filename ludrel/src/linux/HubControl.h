#pragma once

#include <cstdint>
#include <string>

#include "PortStatus.h"
#include "ludrel/Result.h"

namespace KestraDiags {
namespace Ludrel {

// wPortStatus and wPortChange of a hub's port (from 1), asked with the hub class request
// GET_STATUS through usbfs. handle is a descriptor of the hub's usbfs node as the module's open
// hands it over (the descriptor itself in the pointer); when it is null, the node at hub is
// opened for this call.
Result<StatusWords> readPortStatus(const std::string& hub, int port, void* handle);

// wHubStatus and wHubChange of the hub itself, asked likewise on the node at hub.
Result<StatusWords> readHubStatus(const std::string& hub);

}  // namespace Ludrel
}  // namespace KestraDiags
