// The Search button: the first transit whose whole pass lies after the end
// date, found here again by walking positions straight from the ephemeris.
#include <gtest/gtest.h>

#include <string>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "support/engine_setup.h"
#include "support/form_fixture.h"
#include "support/independent.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::FormFixture;

// The last day before the first local midnight in orb after endDate (a
// transit under way the day after is passed over), and the first day after
// it whose midnight is out of orb again.
std::pair<int32_t, int32_t> Walk(const test::IndependentRun& run, double orb, int32_t endDay) {
  auto inOrb = [&](int32_t day) { return test::IndependentDeviation(run, day - 0.5 - run.zoneMinutes / 1440.0) < orb; };
  int32_t day = endDay + 1;
  if (test::IndependentDeviation(run, day - 0.5) < orb)
    while (inOrb(day)) ++day;
  while (!inOrb(day)) ++day;
  const int32_t start = day - 1;
  while (inOrb(day)) ++day;
  return {start, day};
}

// The Sun met Jupiter on 29 January 2021, under way the day after an end
// date of 25 January: the conjunction of March 2022 is found, in the zone
// of the results, and without kept dates written into the boxes.
TEST(Search, FindsTheFirstWholeTransitAfterTheEndDate) {
  test::WorstError minutes("exact minutes of the transits found against the scan", "min");
  // The Sun and Jupiter, results in the zone list's entry 47; Mars to the
  // natal Sun in entry 24, the dates kept.
  for (const bool world : {true, false}) {
    const int16_t zone = world ? 47 : 24;
    FormFixture f;
    world ? test::World(f, 0, 3) : test::Personal(f, 3, 0, "1990");
    f.Choose(Ctl(cboOrbs, 0), 9);
    f.Choose(Ctl(cboTimezone, 0), zone);
    f.EnterDate(1, "2021", "1", "25");
    f.window.SetValue(Ctl(chkKeepDates), world ? 0 : 1);
    f.Press(Ctl(cmdSearch));
    ASSERT_EQ(f.state.Runs.RunsStarted(), 1) << f.LastMessage().text;
    const test::IndependentRun run{
        world, world ? Sun : Mars,         world ? Jupiter : Sun, f.state.Runs.Results().back().natalLongitude,
        1,     ZoneMinutesOfPosition(zone)};
    const auto [start, end] = Walk(run, 10.0, test::Day(2021, 1, 25));
    EXPECT_EQ(FormatDayNumber(f.state.Runs.RunStartDay()), FormatDayNumber(start));
    EXPECT_EQ(FormatDayNumber(f.state.Runs.RunEndDay()), FormatDayNumber(end));
    test::ExpectIndependentlyRight(f.state.Runs.Results().back(), minutes);
    EXPECT_EQ(f.window.Text(Ctl(txbYear)), world ? FormatDayNumber(start).substr(0, 4) : "2020");
  }
}

}  // namespace
}  // namespace skyloom
