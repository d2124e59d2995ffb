#include "tessary/DateTime.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace KestraDiags {
namespace System {

namespace {

struct BrokenDownTimes {
  std::tm local;
  std::tm utc;
};

BrokenDownTimes breakDown(std::time_t now) {
  BrokenDownTimes times{};
#ifdef _WIN32
  localtime_s(&times.local, &now);
  gmtime_s(&times.utc, &now);
#else
  localtime_r(&now, &times.local);
  gmtime_r(&now, &times.utc);
#endif
  return times;
}

// Seconds by which local time is ahead of UTC. Worked out from the two broken-down times
// rather than with strftime's %z, which some Windows run-times fill with the zone's name.
int utcOffsetSeconds(const std::tm& local, const std::tm& utc) {
  // An offset is less than a day, so the two dates are at most one day apart; across a new
  // year the day of the year jumps, so the year decides the direction there.
  const int days =
      local.tm_year != utc.tm_year ? local.tm_year - utc.tm_year : local.tm_yday - utc.tm_yday;
  const int hours = days * 24 + (local.tm_hour - utc.tm_hour);
  const int minutes = hours * 60 + (local.tm_min - utc.tm_min);
  return minutes * 60 + (local.tm_sec - utc.tm_sec);
}

}  // namespace

std::string DateTime::getDateTime() const {
  const BrokenDownTimes times = breakDown(std::time(nullptr));

  char clock[32];
  const std::size_t clockLength =
      std::strftime(clock, sizeof clock, "%Y-%m-%dT%H:%M:%S", &times.local);

  const int offsetMinutes = utcOffsetSeconds(times.local, times.utc) / 60;
  const int absoluteMinutes = std::abs(offsetMinutes);
  char offset[24];
  std::snprintf(offset, sizeof offset, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+',
                absoluteMinutes / 60, absoluteMinutes % 60);

  return std::string(clock, clockLength) + offset;
}

}  // namespace System
}  // namespace KestraDiags
