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

// Days whose local midnight is a strict minimum of the deviation inside 2
// degrees, as the daily walk finds them.
std::vector<int32_t> MinimumDays(RunFixture& f, AspectIndex aspect, int32_t from, int32_t to) {
  std::vector<int32_t> days;
  f.state.WorldRun = f.window.Value(Ctl(ControlName::optWorld)) != 0;
  auto dev = [&](int32_t d) { return DeviationAt(f.state, LocalMidnight(d, f.state.ZoneMinutes), aspect); };
  for (int32_t d = from; d <= to; ++d) {
    const double here = dev(d);
    if (here < OrbRadiansFromDegrees(2) && here < dev(d - 1) && here < dev(d + 1)) days.push_back(d);
  }
  return days;
}

void ExpectSameAsMinuteScan(RunFixture& f, AspectIndex aspect, int32_t from, int32_t to, int& compared) {
  for (int32_t d : MinimumDays(f, aspect, from, to)) {
    const auto fast = FindExactTime(f.state, d, f.state.RunBodies[0], f.state.RunBodies[1], aspect);
    const auto scan = FindExactTimeByMinuteScan(f.state, d, f.state.RunBodies[0], f.state.RunBodies[1], aspect);
    ASSERT_EQ(fast.has_value(), scan.has_value()) << BodyNames[f.state.RunBodies[0]] << " day " << d;
    if (fast) {
      EXPECT_EQ(fast->day, scan->day);
      EXPECT_EQ(fast->minuteOfDay, scan->minuteOfDay) << BodyNames[f.state.RunBodies[0]] << " day " << d;
      EXPECT_EQ(fast->instantUt, scan->instantUt);
      EXPECT_EQ(fast->retrograde, scan->retrograde);
    }
    ++compared;
  }
}

// The quick search must give the minute the full walk gives, for fast and
// slow pairs, near stations, and in zones on both sides of Greenwich.
TEST(FindExactTime, SameMinuteAsTheFullWalk) {
  int compared = 0;
  struct WorldCase {
    BodyIndex a, b;
    AspectIndex aspect;
    int year;
  };
  const WorldCase world[] = {{Sun, Mercury, 1, 2021}, {Mercury, Venus, 1, 2020}, {Sun, Mars, 3, 2021},
                             {Venus, Mars, 5, 1700}, {Jupiter, Saturn, 1, 2020}, {Mars, Jupiter, 2, 2750},
                             {Saturn, Uranus, 3, 2021}};
  for (const auto& c : world) {
    for (int16_t zone : {int16_t{24}, int16_t{1}, int16_t{47}}) {
      RunFixture f;
      f.World(c.a, c.b);
      f.Zone(zone);
      ExpectSameAsMinuteScan(f, c.aspect, Day(c.year, 1, 1), Day(c.year, 12, 31), compared);
    }
  }
  // Natal points where a transiting planet turns: Mercury's and Mars's
  // stations of 2020 sit within two degrees of these points.
  struct PersonalCase {
    BodyIndex body;
    double natalDegrees;
  };
  const PersonalCase personal[] = {{Mercury, 12.0}, {Mercury, 253.0}, {Mars, 28.0}, {Mars, 15.2}, {Venus, 59.0}};
  for (const auto& c : personal) {
    for (double offset : {-1.5, -0.4, 0.0, 0.3, 1.2}) {
      RunFixture f;
      f.Personal(c.body, Sun, (c.natalDegrees + offset) / 360 * TwoPi);
      f.Zone(35);
      ExpectSameAsMinuteScan(f, 1, Day(2020, 1, 1), Day(2020, 12, 31), compared);
    }
  }
  EXPECT_GT(compared, 60);
}

// A closest approach takes the day before its best midnight when the pair is
// already separating half an hour after that midnight, in the results zone.
TEST(RecordNearMiss, DateOfTheClosestApproach) {
  RunFixture f;
  f.Personal(Saturn, Sun, 302.45 / 360 * TwoPi);
  f.state.WorldRun = false;
  f.state.Table.Create(100);
  const int32_t station = Day(2020, 5, 11);
  for (int16_t zone : {int16_t{24}, int16_t{47}, int16_t{1}}) {
    f.Zone(zone);
    int32_t best = station - 3;
    for (int32_t d = station - 3; d <= station + 3; ++d)
      if (DeviationAt(f.state, LocalMidnight(d, f.state.ZoneMinutes), 1) <
          DeviationAt(f.state, LocalMidnight(best, f.state.ZoneMinutes), 1))
        best = d;
    const double minDev = DeviationAt(f.state, LocalMidnight(best, f.state.ZoneMinutes), 1);
    RecordNearMiss(f.state, FirstTransitRow, best, 1, minDev);
    const MinimumRecord& m = *f.state.Table.Data(FirstTransitRow).minimum;
    const bool growing = DeviationAt(f.state, LocalMidnight(best, f.state.ZoneMinutes) + 1.0 / 48, 1) > minDev;
    EXPECT_EQ(m.day, growing ? best - 1 : best) << zone;
    EXPECT_FALSE(m.exact);
    EXPECT_EQ(f.state.Table.Cell(FirstTransitRow, 8), FormatAngle(minDev));
  }
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
