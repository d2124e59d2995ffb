#pragma once

namespace KestraDiags {
namespace HalvexHost {

// Exit statuses by the monitoring-plugin convention (1, a warning, is not used).
constexpr int kExitOk = 0;
constexpr int kExitCritical = 2;
constexpr int kExitUnknown = 3;

}  // namespace HalvexHost
}  // namespace KestraDiags
