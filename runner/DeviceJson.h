#pragma once

#include <vector>

#include <nlohmann/json.hpp>

#include "DeviceRecord.h"

namespace KestraDiags {
namespace HalvexHost {

// The device list for machines: {"backend": ..., "devices": [...]}, fields in a fixed order.
nlohmann::ordered_json deviceListJson(const std::vector<DeviceRecord>& devices);

}  // namespace HalvexHost
}  // namespace KestraDiags
