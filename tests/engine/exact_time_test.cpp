#include "engine/exact_time.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "engine/positions.h"
#include "support/engine_setup.h"

namespace skyloom {
namespace {

using test::Day;

TEST(FormatAngle, DegreesAndMinutes) {
  EXPECT_EQ(FormatAngle(0.0349066), "2°0'");
  EXPECT_EQ(FormatAngle((2 + 59.6 / 60) / 360 * TwoPi), "3°0'");
  EXPECT_EQ(FormatAngle((2 + 5.0 / 60) / 360 * TwoPi), "2°5'");
  EXPECT_EQ(FormatAngle(0.0000005), "0°0'");
  EXPECT_EQ(FormatAngle((12.0 / 60) / 360 * TwoPi), "0°12'");
  EXPECT_EQ(FormatAngle((359 + 59.9 / 60) / 360 * TwoPi), "359°59'");
  // Minutes of arc rounded to nearest with ties to even.
  for (const auto& [minutes, want] : {std::pair{2.5, "0°2'"}, {30.5, "0°30'"}, {1.5, "0°2'"}})
    EXPECT_EQ(FormatAngle(minutes / 60 / 360 * TwoPi), want) << minutes;
  EXPECT_EQ(FormatAngle(-0.5), "");
  EXPECT_EQ(FormatAngle(TwoPi), "");
}

// The nearest local minute and the date it falls on: the last half minute of
// a day belongs to 00:00 of the next, east and west of Greenwich.
TEST(ExactMinimum, NearestLocalMinuteAndItsDate) {
  RunDescription run;
  run.bodies = {Mars, Jupiter};
  const int32_t day = Day(2021, 3, 14);
  for (const int16_t zone : {-690, 0, 330}) {
    run.zone = ZoneOfMinutes(zone);
    for (const auto& [seconds, nextDay, minute] :
         {std::tuple{86369.0, 0, 1439}, {86371.0, 1, 0}, {29.0, 0, 0}, {31.0, 0, 1}, {45000.0, 0, 750}}) {
      const MinimumRecord m =
          ExactMinimum(run, test::TestPositions(), LocalMidnight(day, ZoneOfMinutes(zone)) + seconds / 86400);
      EXPECT_EQ(m.day, day + nextDay) << zone << " " << seconds;
      EXPECT_EQ(m.minuteOfDay, minute) << zone << " " << seconds;
    }
  }
}

TEST(RetroState, MarksTheFirstBodyUnlessTheRunLeavesMarksOut) {
  RunDescription run;
  run.bodies = {Mars, Jupiter};
  const int32_t retrograde = Day(2020, 10, 1);
  EXPECT_TRUE(RetroState(run, test::TestPositions(), retrograde));
  EXPECT_FALSE(RetroState(run, test::TestPositions(), Day(2020, 8, 1)));
  run.retrogradeMarks = false;
  EXPECT_FALSE(RetroState(run, test::TestPositions(), retrograde));
}

}  // namespace
}  // namespace skyloom
