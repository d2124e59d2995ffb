#pragma once

#include <map>
#include <optional>
#include <set>
#include <vector>

#include "ModuleDevices.h"

// Which port of its parent hub a device sits on, as far as the module's fields and the hub's
// cache tell it.
namespace KestraDiags {
namespace HalvexHost {

bool isChildOf(const DeviceRecord& child, const DeviceRecord& parent);

// The port of the parent hub that the child sits on: from its bus location where that names
// one, else when a key of the hub's cache names the child. Keys are the USB library's texts,
// derived from the device's identity: the serial number names a device best, then its
// location, then its name. A port goes to one child only.
std::optional<int> portOnParent(const DeviceRecord& child, const DeviceRecord& parent,
                                const std::set<int>& claimedPorts);

// The hub's children by the port each sits on, siblings claiming ports in list order.
std::map<int, const DeviceRecord*> childrenByPort(const DeviceRecord& hub,
                                                  const std::vector<DeviceRecord>& devices);

}  // namespace HalvexHost
}  // namespace KestraDiags
