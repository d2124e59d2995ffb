#pragma once

#include <ostream>
#include <vector>

#include "DeviceRecord.h"

namespace KestraDiags {
namespace HalvexHost {

// One line per device in library order, under a header line.
void printDeviceTable(const std::vector<DeviceRecord>& devices, std::ostream& out);

}  // namespace HalvexHost
}  // namespace KestraDiags
