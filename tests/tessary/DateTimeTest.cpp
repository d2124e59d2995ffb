#include "tessary/DateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <regex>
#include <sstream>
#include <string>

namespace KestraDiags {
namespace TessaryTests {
namespace {

// Each test runs in a process of its own, so the zone set here reaches no other test.
void setTimeZone(const char* zone) {
#ifdef _WIN32
  _putenv_s("TZ", zone);
  _tzset();
#else
  setenv("TZ", zone, 1);
  tzset();
#endif
}

std::time_t utcFromFields(std::tm& fields) {
#ifdef _WIN32
  return _mkgmtime(&fields);
#else
  return timegm(&fields);
#endif
}

// Zones without summer time, so that the offset does not depend on the date. Far east and far
// west zones are a day apart from UTC for much of the day, so together they cover the
// crossing of a date line at any hour the test runs. The names have three letters, the only
// length the Windows C run-time reads.
const struct {
  const char* zone;
  const char* offset;
} kZones[] = {
    {"UTC0", "+00:00"},    {"EST5", "-05:00"},     {"IST-5:30", "+05:30"}, {"NPT-5:45", "+05:45"},
    {"XYZ0:30", "-00:30"}, {"ABC-0:30", "+00:30"}, {"LNT-14", "+14:00"},   {"BIT12", "-12:00"},
};

TEST(DateTimeTest, StampIsLocalTimeWithItsUtcOffset) {
  const std::regex shape(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}([+-])(\d{2}):(\d{2})$)");
  for (const auto& c : kZones) {
    setTimeZone(c.zone);
    const std::time_t before = std::time(nullptr);
    const std::string stamp = System::DateTime().getDateTime();
    const std::time_t after = std::time(nullptr);

    std::smatch parts;
    ASSERT_TRUE(std::regex_match(stamp, parts, shape)) << c.zone << ": " << stamp;
    EXPECT_EQ(stamp.substr(stamp.size() - 6), c.offset) << c.zone;
    // The clock fields less the offset must be the moment of the call.
    std::tm fields{};
    std::istringstream(stamp) >> std::get_time(&fields, "%Y-%m-%dT%H:%M:%S");
    const long offsetSeconds =
        (parts[1] == "-" ? -60L : 60L) * (std::stol(parts[2]) * 60 + std::stol(parts[3]));
    const std::time_t moment = utcFromFields(fields) - offsetSeconds;
    EXPECT_GE(moment, before) << c.zone << ": " << stamp;
    EXPECT_LE(moment, after) << c.zone << ": " << stamp;
  }
}

}  // namespace
}  // namespace TessaryTests
}  // namespace KestraDiags
