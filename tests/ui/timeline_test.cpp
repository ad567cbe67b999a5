// Where the timeline's plain data can break: passes that start or end
// outside the period, and axes of any length. Whole pictures of real runs
// are golden images of the Qt tests.
#include "ui/timeline.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "support/engine_setup.h"
#include "support/run_fixture.h"

namespace skyloom {
namespace {

using test::Day;

std::string Bands(const TimelineRow& row) {
  std::string s;
  for (const auto& orb : row.bands) {
    for (const TimelineBand& b : orb)
      s += (b.clippedStart ? "<" : "") + std::to_string(b.firstDay) + "-" + std::to_string(b.lastDay) +
           (b.clippedEnd ? ">" : "") + "#" + std::to_string(b.pass) + " ";
    s += "| ";
  }
  for (const TimelineStretch& r : row.retrograde) s += "r" + std::to_string(r.firstDay) + "-" + std::to_string(r.lastDay);
  return s;
}

// Passes of one transit from day 1000 to day 2000; a missing entry or exit
// is one before the period began or after it ended.
TEST(Timeline, BandsAreCutToThePeriod) {
  auto mark = [](int32_t day, bool r = false) { return std::optional<DateMark>(DateMark{day, r}); };
  MinimumRecord approach;
  approach.day = 1200;
  const struct {
    const char* what;
    std::vector<TransitRowData> passes;
    const char* bands;
  } kCases[] = {
      {"dates beyond the period, a middle exit before its entry",
       {{3, {mark(900), mark(1500, true), std::nullopt}, approach, {mark(2100, true), mark(1400), std::nullopt}}},
       "<1000-2000>#0 | | | r1500-2000"},
      {"a closest approach alone", {{3, {}, approach, {}}}, "<1000-2000>#0 | | | "},
      {"in orb on the first day, out before the last",
       {{3, {std::nullopt, std::nullopt, mark(1100)}, approach, {mark(1900), mark(1800), mark(1300)}}},
       "<1000-1900#0 | <1000-1800#0 | 1100-1300#0 | "},
      {"a second pass inside the outer orb's",
       {{3, {mark(1010), mark(1020), mark(1030)}, approach, {mark(1990), mark(1980), mark(1040)}},
        {3, {std::nullopt, std::nullopt, mark(1500)}, approach, {std::nullopt, std::nullopt, mark(1600)}}},
       "1010-1990#0 | 1020-1980#0 | 1030-1040#0 1500-1600#1 | "},
  };
  test::InitEngineOnce();
  for (const auto& c : kCases) {
    RunResult run;
    run.world = false;
    run.bodies = {Mars, Moon};
    run.startDay = 1000;
    run.endDay = 2000;
    run.transits = {TransitRecord{3, c.passes}};
    const Timeline t = BuildTimeline({run});
    ASSERT_EQ(t.rows.size(), 1u) << c.what;
    EXPECT_EQ(t.rows[0].label, "Mars square natal Moon");
    EXPECT_EQ(Bands(t.rows[0]), c.bands) << c.what;
  }
}

// Few labels, in order, inside the period, in units by its length.
TEST(Timeline, AxisLabelsByTheLengthOfThePeriod) {
  const struct {
    int32_t first, last;
    TimelineAxisUnit unit;
    const char* firstLabel;
    size_t labels;
  } kCases[] = {
      {Day(2020, 12, 10), Day(2020, 12, 19), TimelineAxisUnit::Days, "Dec 10", 10},
      {Day(2020, 1, 1), Day(2020, 12, 31), TimelineAxisUnit::Months, "Jan 2020", 12},
      {Day(2020, 3, 15), Day(2021, 3, 14), TimelineAxisUnit::Months, "Apr 2020", 12},
      {Day(2020, 1, 1), Day(2021, 12, 31), TimelineAxisUnit::Months, "Jan 2020", 12},
      {Day(2011, 1, 1), Day(2020, 12, 31), TimelineAxisUnit::Years, "2011", 10},
      {Day(-520, 6, 1), Day(-480, 6, 1), TimelineAxisUnit::Years, "-518", 20},
      {Day(1901, 1, 1), Day(2000, 12, 31), TimelineAxisUnit::Decades, "1910", 10},
      {std::numeric_limits<int32_t>::min() + 1, std::numeric_limits<int32_t>::max() - 1, TimelineAxisUnit::Decades,
       nullptr, 0},
  };
  for (const auto& c : kCases) {
    const TimelineAxis axis = BuildTimelineAxis(c.first, c.last);
    EXPECT_EQ(axis.unit, c.unit) << c.first;
    ASSERT_LE(axis.ticks.size(), kMaxAxisLabels);
    if (c.firstLabel == nullptr) continue;
    EXPECT_EQ(axis.ticks.size(), c.labels) << c.firstLabel;
    EXPECT_EQ(axis.ticks.front().label, c.firstLabel);
    for (size_t k = 0; k < axis.ticks.size(); ++k) {
      const int32_t previous = k > 0 ? axis.ticks[k - 1].day : c.first - 1;
      EXPECT_TRUE(axis.ticks[k].day > previous && axis.ticks[k].day <= c.last) << c.firstLabel << k;
    }
  }
}

}  // namespace
}  // namespace skyloom
