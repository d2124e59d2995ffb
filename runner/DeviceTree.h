#pragma once

#include <ostream>
#include <vector>

#include "DeviceRecord.h"

namespace KestraDiags {
namespace HalvexHost {

// The devices as a tree by parent location, roots first, each child indented under its parent,
// siblings in library order.
void printDeviceTree(const std::vector<DeviceRecord>& devices, std::ostream& out);

}  // namespace HalvexHost
}  // namespace KestraDiags
