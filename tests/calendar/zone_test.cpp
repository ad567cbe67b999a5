// Local time and Universal Time: the nearest local minute of instants just
// either side of local midnight and of the half minutes, in zones west and
// east of Greenwich and one whose offset has seconds.
#include "calendar/zone.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace skyloom {
namespace {

constexpr int32_t kDay = 2459288;  // 2021-03-14

struct ZoneCase {
  int32_t offsetSeconds;
  const char* text;
};
constexpr ZoneCase kZones[] = {
    {-41400, "GMT-11:30"}, {0, "GMT"}, {19800, "GMT+5:30"}, {41400, "GMT+11:30"}, {1172, "LMT+0:19:32"}};

// Seconds after the local midnight starting kDay, and the local minute they
// round to, counted from that midnight (negative: the day before).
struct MinuteCase {
  double seconds;
  int32_t minutes;
};
constexpr MinuteCase kMinutes[] = {{-31, -1},    {-29, 0},      {0, 0},        {29, 0},           {31, 1},
                                   {45000, 750}, {86369, 1439}, {86371, 1440}, {86400 + 91, 1442}};

TEST(Zone, NearestLocalMinuteAroundDayBoundaries) {
  for (const ZoneCase& z : kZones) {
    const Zone zone = Zone::Fixed(z.offsetSeconds, z.text);
    // Greenwich midnight starting day d is d - 0.5; a zone east of it
    // reaches its own midnight earlier.
    const Instant midnight = LocalMidnight(kDay, zone);
    EXPECT_NEAR(midnight.ut, kDay - 0.5 - z.offsetSeconds / 86400.0, 1e-9) << z.text;
    for (const MinuteCase& m : kMinutes) {
      const LocalMinute local = ToLocalMinute(midnight + m.seconds / 86400.0, zone);
      const int32_t dayOffset = m.minutes >= 0 ? m.minutes / 1440 : -1;
      EXPECT_EQ(local.day, kDay + dayOffset) << z.text << " " << m.seconds;
      EXPECT_EQ(local.minuteOfDay, m.minutes - dayOffset * 1440) << z.text << " " << m.seconds;
      EXPECT_EQ(local.offsetSeconds, z.offsetSeconds) << z.text;
      // The minute's own instant lies within half a minute of the instant.
      EXPECT_NEAR(InstantOf(local) - midnight, m.minutes * 60.0 / 86400, 1e-9) << z.text << " " << m.seconds;
      // The local day, unrounded, is the day the instant falls on.
      EXPECT_EQ(LocalDay(midnight + m.seconds / 86400.0, zone), kDay + (m.seconds < 0 ? -1 : m.seconds >= 86400))
          << z.text << " " << m.seconds;
    }
  }
}

TEST(Zone, LocalTimesBackToUniversalTime) {
  for (const ZoneCase& z : kZones) {
    const Zone zone = Zone::Fixed(z.offsetSeconds, z.text);
    for (const int32_t seconds : {0, 60, 43200, 86340}) {
      const Instant at = FromLocal(kDay, seconds, zone);
      EXPECT_NEAR(at - LocalMidnight(kDay, zone), seconds / 86400.0, 1e-9) << z.text << " " << seconds;
      const LocalMinute local = ToLocalMinute(at, zone);
      EXPECT_EQ(local.day, kDay) << z.text;
      EXPECT_EQ(local.minuteOfDay, seconds / 60) << z.text;
    }
  }
  // Twelve noon at GMT+5:30 is 06:30 UT.
  EXPECT_NEAR(FromLocal(kDay, 43200, Zone::Fixed(19800, "GMT+5:30")).ut, kDay - 0.5 + 6.5 / 24, 1e-9);
}

}  // namespace
}  // namespace skyloom
