#pragma once

namespace KestraDiags {
namespace HalvexHost {

// Exit statuses by the monitoring-plugin convention.
constexpr int kExitOk = 0;
constexpr int kExitWarning = 1;  // no over-current found, but not every port could be asked
constexpr int kExitCritical = 2;
constexpr int kExitUnknown = 3;

}  // namespace HalvexHost
}  // namespace KestraDiags
