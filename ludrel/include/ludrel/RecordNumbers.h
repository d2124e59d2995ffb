#pragma once

#include <cstdint>

namespace KestraDiags {
namespace Ludrel {

// The type numbers of a record, as every backend fills nDevType.
namespace DeviceType {
constexpr std::int32_t kHostController = 0;
constexpr std::int32_t kRootHub = 1;
constexpr std::int32_t kExternalHub = 2;
constexpr std::int32_t kOtherDevice = 3;

inline bool isHub(std::int32_t type) { return type == kRootHub || type == kExternalHub; }
}  // namespace DeviceType

// The status numbers of a record's nDevStatus, numbered as the framework's device status.
namespace DeviceStatus {
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kError = 1;
constexpr std::int32_t kDisabled = 2;
constexpr std::int32_t kNotPresent = 3;
constexpr std::int32_t kNotConfigured = 4;
}  // namespace DeviceStatus

}  // namespace Ludrel
}  // namespace KestraDiags
