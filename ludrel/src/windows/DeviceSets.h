#pragma once

#include <guiddef.h>

#include <vector>

#include "ludrel/Result.h"
#include "windows/DeviceNode.h"

namespace KestraDiags {
namespace Ludrel {

// Every present device that offers the device interface class, with what SetupAPI and the
// configuration manager tell of it; kind is recorded in each node. An empty list when there is
// none; a failure when the system cannot list them.
Result<std::vector<DeviceNode>> presentDevicesOf(const GUID& interfaceClass, DeviceKind kind,
                                                 const char* className);

}  // namespace Ludrel
}  // namespace KestraDiags
