#include "engine/exact_time.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/positions.h"
#include "support/run_fixture.h"

namespace skyloom {
namespace {

using test::Day;
using test::RunFixture;

TEST(FormatTimeOfDay, RoundsToTheMinuteWithinTheDay) {
  struct Case {
    double seconds;
    bool rounding;
    const char* want;
  };
  const Case cases[] = {
      {0, true, "00:00"},           {29, true, "00:00"},          {30, true, "00:01"},
      {7 * 3600 + 5 * 60, true, "07:05"}, {3600 * 13 + 59 * 60 + 45, true, "14:00"},
      // At hour 23 rounding stops at 59 minutes: the date never changes.
      {23 * 3600 + 59 * 60 + 40, true, "23:59"}, {86399, true, "23:59"},
      {3600 * 9 + 60 * 8 + 7, false, "09:08:07"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatTimeOfDay(c.seconds / 86400.0, c.rounding, ":"), c.want) << c.seconds;
  EXPECT_EQ(FormatTimeOfDay(-0.001, true, ":"), "");
  EXPECT_EQ(FormatTimeOfDay(1.0, true, ":"), "");
  EXPECT_EQ(FormatTimeOfDay(std::nan(""), true, ":"), "");
  // Every minute of the day, as the exact-time search hands them over.
  for (int m = 0; m < 1440; ++m) {
    char want[6];
    std::snprintf(want, sizeof want, "%02d:%02d", m / 60, m % 60);
    ASSERT_EQ(FormatTimeOfDay(m / 1440.0, true, ":"), want);
  }
}

TEST(FormatAngle, DegreesAndMinutes) {
  EXPECT_EQ(FormatAngle(0.0349066), "2°0'");
  EXPECT_EQ(FormatAngle((2 + 59.6 / 60) / 360 * TwoPi), "3°0'");
  EXPECT_EQ(FormatAngle((2 + 5.0 / 60) / 360 * TwoPi), "2°5'");
  EXPECT_EQ(FormatAngle(0.0000005), "0°0'");
  EXPECT_EQ(FormatAngle((12.0 / 60) / 360 * TwoPi), "0°12'");
  EXPECT_EQ(FormatAngle((359 + 59.9 / 60) / 360 * TwoPi), "359°59'");
  EXPECT_EQ(FormatAngle(-0.5), "");
  EXPECT_EQ(FormatAngle(TwoPi), "");
}

TEST(SplitExactText, SplitsAfterTheMarks) {
  EXPECT_EQ(SplitExactText("2020-07-29*r15:39 GMT"), std::make_pair(std::string("2020-07-29*r"), std::string("15:39 GMT")));
  EXPECT_EQ(SplitExactText("2020-12-21*18:21 EST/CDT"), std::make_pair(std::string("2020-12-21*"), std::string("18:21 EST/CDT")));
  // The table's cells are the same split of the same minimum.
  MinimumRecord m{true, Day(2020, 7, 29), true, 0, 939, 0, "GMT", 0};
  EXPECT_EQ(SplitExactText(ExactTimeText(m)), std::make_pair(MinimumDateText(m), MinimumValueText(m)));
  EXPECT_EQ(MinimumValueText(m), "15:39 GMT");
}

TEST(RetroMark, NoMarksInAWorldShowAllSeries) {
  RunFixture f;
  f.World(Mars, Jupiter);
  f.state.WorldRun = true;
  const int32_t retrograde = Day(2020, 10, 1);
  EXPECT_EQ(RetroMark(f.state, retrograde, Mars), "r");
  EXPECT_EQ(RetroMark(f.state, Day(2020, 8, 1), Mars), "");
  f.state.ShowAllMode = true;
  EXPECT_EQ(RetroMark(f.state, retrograde, Mars), "");
  f.state.WorldRun = false;
  EXPECT_EQ(RetroMark(f.state, retrograde, Mars), "r");
}

}  // namespace
}  // namespace skyloom
