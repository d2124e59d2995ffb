#pragma once

namespace KestraDiags {
namespace HalvexHost {

// Exit statuses by the monitoring-plugin convention.
constexpr int kExitOk = 0;
constexpr int kExitWarning = 1;  // no over-current found, but not every port could be asked
constexpr int kExitCritical = 2;
constexpr int kExitUnknown = 3;

// The one of two statuses that outranks the other: an over-current (2) outranks everything, then
// a run that could not be made or written (3), then a port that could not be asked (1), then 0.
constexpr int worseStatus(int one, int other) {
  constexpr int rank[] = {0, 1, 3, 2};
  return rank[other] > rank[one] ? other : one;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
