#include "ui/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "support/engine_setup.h"
#include "support/run_fixture.h"

namespace skyloom {

void PrintTo(const TimelineBand& b, std::ostream* os) {
  *os << "[" << b.firstDay << (b.clippedStart ? "<" : "") << ", " << b.lastDay << (b.clippedEnd ? ">" : "")
      << "] pass " << b.pass;
}
void PrintTo(const TimelineStretch& s, std::ostream* os) {
  *os << "[" << s.firstDay << ", " << s.lastDay << "]";
}

namespace {

using test::Day;
using test::RunFixture;

double Radians(double degrees) { return degrees / 360.0 * TwoPi; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

TimelineBand Band(int32_t first, int32_t last, int32_t pass, bool cutStart = false, bool cutEnd = false) {
  return {first, last, cutStart, cutEnd, pass};
}

// The great conjunction of 2020: a closest approach in May, the exact
// aspect in December, the transit still under way when the year ends.
TEST(Timeline, WorldRunOf2020) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2020, 1, 1), Day(2020, 12, 31));
  f.Run();
  const Timeline t = BuildTimeline(f.state.Results);
  ASSERT_EQ(t.rows.size(), 1u);
  const TimelineRow& row = t.rows[0];
  EXPECT_EQ(row.label, "Jupiter conjunction Saturn");
  const int32_t end = Day(2020, 12, 31);
  EXPECT_EQ(row.bands[0], std::vector<TimelineBand>({Band(Day(2020, 2, 14), end, 0, false, true)}));
  EXPECT_EQ(row.bands[1], std::vector<TimelineBand>({Band(Day(2020, 4, 28), Day(2020, 6, 7), 0),
                                                     Band(Day(2020, 11, 2), end, 1, false, true)}));
  EXPECT_EQ(row.bands[2], std::vector<TimelineBand>({Band(Day(2020, 12, 3), end, 1, false, true)}));
  ASSERT_EQ(row.minima.size(), 2u);
  EXPECT_FALSE(row.minima[0].exact);
  EXPECT_DOUBLE_EQ(row.minima[0].at, Day(2020, 5, 18) + 0.5);
  EXPECT_TRUE(row.minima[1].exact);
  // 18:21 GMT.
  EXPECT_NEAR(row.minima[1].at, Day(2020, 12, 21) + (18 * 60 + 21) / 1440.0, 1e-9);
  EXPECT_EQ(row.minima[1].pass, 1);
  EXPECT_EQ(row.retrograde, std::vector<TimelineStretch>({{Day(2020, 5, 18), Day(2020, 6, 7)}}));
  EXPECT_TRUE(t.sameOrbs);
  EXPECT_EQ(t.orbDegrees, (std::array<int16_t, 3>{10, 5, 2}));
}

// Saturn's loop over 298 degrees: one outer and one middle band, three inner
// bands, one per exact pass, the middle one retrograde.
TEST(Timeline, RetrogradeTriplePassNestsItsBands) {
  RunFixture f;
  f.Personal(Saturn, Sun, Radians(298.0));
  f.Period(Day(2019, 12, 1), Day(2021, 3, 31));
  f.Run();
  const Timeline t = BuildTimeline(f.state.Results);
  ASSERT_EQ(t.rows.size(), 1u);
  const TimelineRow& row = t.rows[0];
  EXPECT_EQ(row.label, "Saturn conjunction natal Sun");
  EXPECT_EQ(row.bands[0], std::vector<TimelineBand>({Band(Day(2019, 12, 1), Day(2021, 2, 24), 0)}));
  EXPECT_EQ(row.bands[1], std::vector<TimelineBand>({Band(Day(2020, 1, 14), Day(2021, 1, 12), 0)}));
  EXPECT_EQ(row.bands[2], std::vector<TimelineBand>({Band(Day(2020, 2, 9), Day(2020, 3, 22), 0),
                                                     Band(Day(2020, 7, 1), Day(2020, 8, 31), 1),
                                                     Band(Day(2020, 10, 27), Day(2020, 12, 17), 2)}));
  const int minutes[] = {7 * 60 + 42, 15 * 60 + 39, 9 * 60 + 59};
  const int32_t days[] = {Day(2020, 2, 28), Day(2020, 7, 29), Day(2020, 11, 26)};
  ASSERT_EQ(row.minima.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_TRUE(row.minima[k].exact);
    EXPECT_EQ(row.minima[k].pass, k);
    EXPECT_NEAR(row.minima[k].at, days[k] + minutes[k] / 1440.0, 1e-9);
  }
  EXPECT_EQ(row.retrograde, std::vector<TimelineStretch>({{Day(2020, 7, 1), Day(2020, 8, 31)}}));

  // Under the pointer: the innermost band there, or a tick close by.
  EXPECT_EQ(PassAt(row, Day(2020, 8, 10) + 0.5, 0.5), 1);
  EXPECT_EQ(PassAt(row, Day(2020, 11, 1), 0.5), 2);
  EXPECT_EQ(PassAt(row, Day(2020, 5, 1), 0.5), 0);          // middle orb, between the loops
  EXPECT_EQ(PassAt(row, Day(2021, 2, 1), 0.5), 0);          // outer orb only
  EXPECT_EQ(PassAt(row, Day(2021, 2, 25) + 0.1, 0.5), -1);  // past the outer exit
  EXPECT_EQ(PassAt(row, Day(2021, 2, 24) + 0.9, 0.5), 0);   // the exit day itself still counts
  // The second exact tick, reached from just outside its band.
  EXPECT_EQ(PassAt(row, Day(2020, 9, 1) + 0.2, 40.0), 1);
}

// Runs of the engine with the shapes a transit can take.
struct RealRun {
  const char* what;
  bool world;
  BodyIndex a, b;
  double natalDegrees;
  int32_t start, end;
  std::array<int16_t, 3> orbs;
};

const std::vector<RealRun>& RealRuns() {
  static const std::vector<RealRun> runs = {
      {"great conjunction", true, Jupiter, Saturn, 0, Day(2020, 1, 1), Day(2020, 12, 31), {10, 5, 2}},
      {"triple pass", false, Saturn, Sun, 298.0, Day(2019, 12, 1), Day(2021, 3, 31), {10, 5, 2}},
      {"closest approach", false, Saturn, Sun, 302.45, Day(2019, 12, 1), Day(2021, 3, 31), {10, 5, 2}},
      {"in orb on the first day", true, Jupiter, Saturn, 0, Day(2020, 12, 10), Day(2021, 1, 31), {10, 5, 2}},
      {"one day", true, Jupiter, Saturn, 0, Day(2020, 12, 21), Day(2020, 12, 21), {10, 5, 2}},
      {"orb switch", true, Sun, Mars, 0, Day(2021, 1, 1), Day(2021, 3, 31), {15, 13, 11}},
      {"many transits", true, Sun, Mars, 0, Day(2019, 1, 1), Day(2022, 12, 31), {10, 5, 2}},
      // Mercury crosses narrow orbs in a day: inner entries and exits fall
      // on the days of outer ones, and the report has only the outer date.
      {"Mercury's loops", false, Mercury, Venus, 200.0, Day(2021, 1, 1), Day(2023, 12, 31), {3, 2, 1}},
      {"the Sun", false, Sun, Moon, 10.0, Day(2021, 1, 1), Day(2021, 12, 31), {3, 2, 1}},
  };
  return runs;
}

std::unique_ptr<RunFixture> Perform(const RealRun& c) {
  auto f = std::make_unique<RunFixture>();
  if (c.world) {
    f->World(c.a, c.b);
  } else {
    f->Personal(c.a, c.b, Radians(c.natalDegrees));
  }
  f->Orbs(c.orbs[0], c.orbs[1], c.orbs[2]);
  f->Period(c.start, c.end);
  f->Run();
  return f;
}

// The report's rows rebuilt from the results, against what the report printed.
TEST(Timeline, ReportRowTextIsTheReportsLine) {
  bool sawRepeatedAspect = false;
  for (const RealRun& c : RealRuns()) {
    SCOPED_TRACE(c.what);
    const auto f = Perform(c);
    const std::vector<std::string> printed = Lines(f->Output());
    ASSERT_GT(printed.size(), 3u);
    std::vector<std::string> rebuilt;
    const RunResult& run = f->state.Results.at(0);
    for (std::size_t k = 0; k < run.transits.size(); ++k) {
      for (std::size_t p = 0; p < run.transits[k].passes.size(); ++p)
        rebuilt.push_back(ReportRowText(run, k, p));
      if (k > 0 && run.transits[k].aspect == run.transits[k - 1].aspect) sawRepeatedAspect = true;
    }
    // Title, headings and separator come first.
    EXPECT_EQ(std::vector<std::string>(printed.begin() + 3, printed.end()), rebuilt);
  }
  // The name is left out under a transit of the same aspect: make sure a
  // case above has one.
  EXPECT_TRUE(sawRepeatedAspect);
}

bool Within(const std::vector<TimelineBand>& bands, int32_t first, int32_t last) {
  for (const TimelineBand& band : bands)
    if (band.firstDay <= first && last <= band.lastDay) return true;
  return false;
}

// Whatever dates the report has, the bands nest, every date of an orb is an
// end of one of its bands, and each exact minute lies within the inner orb.
TEST(Timeline, BandsNestOnEveryRun) {
  for (const RealRun& c : RealRuns()) {
    SCOPED_TRACE(c.what);
    const auto f = Perform(c);
    const RunResult& run = f->state.Results.at(0);
    const Timeline t = BuildTimeline(f->state.Results);
    ASSERT_EQ(t.rows.size(), run.transits.size());
    for (const TimelineRow& row : t.rows) {
      SCOPED_TRACE(row.label + " " + std::to_string(row.transit));
      for (int orb = 0; orb < 3; ++orb) {
        for (std::size_t k = 0; k < row.bands[orb].size(); ++k) {
          const TimelineBand& band = row.bands[orb][k];
          EXPECT_LE(band.firstDay, band.lastDay);
          EXPECT_TRUE(band.firstDay >= c.start && band.lastDay <= c.end);
          // One orb's bands follow each other, within the enclosing orb's.
          if (k > 0) {
            EXPECT_GE(band.firstDay, row.bands[orb][k - 1].lastDay);
          }
          if (orb > 0) {
            EXPECT_TRUE(Within(row.bands[orb - 1], band.firstDay, band.lastDay));
          }
        }
      }
      for (const TransitRowData& pass : run.transits[row.transit].passes) {
        for (int orb = 0; orb < 3; ++orb) {
          if (pass.entry[orb]) {
            EXPECT_TRUE(std::any_of(row.bands[orb].begin(), row.bands[orb].end(), [&](const TimelineBand& b) {
              return b.firstDay == pass.entry[orb]->day;
            }));
          }
          if (pass.exit[orb]) {
            EXPECT_TRUE(std::any_of(row.bands[orb].begin(), row.bands[orb].end(),
                                    [&](const TimelineBand& b) { return b.lastDay == pass.exit[orb]->day; }));
          }
        }
      }
      for (const TimelineMinimum& m : row.minima) {
        const int32_t day = std::clamp(static_cast<int32_t>(std::floor(m.at)), c.start, c.end);
        EXPECT_TRUE(Within(row.bands[0], day, day));
        if (m.exact) {
          EXPECT_TRUE(Within(row.bands[2], day, day));
        }
      }
    }
  }
}

// The first rows of Mercury's run: inner orbs entered or left on the day of
// a middle one, their dates left out of the report.
TEST(Timeline, InnerOrbOnTheDayOfAnOuterOne) {
  const auto f = Perform(RealRuns()[7]);
  const Timeline t = BuildTimeline(f->state.Results);
  ASSERT_GE(t.rows.size(), 2u);
  // Square | _ 2021-01-01 _ | 2021-01-02* | _ 2021-01-03 2021-01-04
  EXPECT_EQ(t.rows[0].bands[1], std::vector<TimelineBand>({Band(Day(2021, 1, 1), Day(2021, 1, 3), 0)}));
  EXPECT_EQ(t.rows[0].bands[2], std::vector<TimelineBand>({Band(Day(2021, 1, 1), Day(2021, 1, 3), 0)}));
  // Trine | 2021-01-19 2021-01-20 _ | 2021-01-21 | 2021-01-22 2021-01-23 2021-01-24
  EXPECT_EQ(t.rows[1].bands[2], std::vector<TimelineBand>({Band(Day(2021, 1, 20), Day(2021, 1, 22), 0)}));
}

// Already in orb on the first day: the outer orbs held all period long,
// the inner one until its exit.
TEST(Timeline, InOrbAllPeriodLong) {
  const auto f = Perform(RealRuns()[3]);
  const Timeline t = BuildTimeline(f->state.Results);
  ASSERT_EQ(t.rows.size(), 1u);
  const int32_t start = Day(2020, 12, 10), end = Day(2021, 1, 31);
  EXPECT_EQ(t.rows[0].bands[0], std::vector<TimelineBand>({Band(start, end, 0, true, true)}));
  EXPECT_EQ(t.rows[0].bands[1], std::vector<TimelineBand>({Band(start, end, 0, true, true)}));
  EXPECT_EQ(t.rows[0].bands[2], std::vector<TimelineBand>({Band(start, Day(2021, 1, 8), 0, true, false)}));
}

RunResult MadeUpRun(int32_t start, int32_t end, std::vector<TransitRowData> passes = {}) {
  test::InitEngineOnce();
  RunResult run;
  run.world = false;
  run.bodies = {Mars, Moon};
  run.startDay = start;
  run.endDay = end;
  run.orbDegrees = {10, 5, 2};
  if (!passes.empty()) run.transits.push_back(TransitRecord{3, std::move(passes)});
  return run;
}

// Dates outside the period (a damaged result) are cut at its ends and
// flagged. A closest approach shows the pair within the outer orb only.
TEST(Timeline, DatesBeyondThePeriodAreClipped) {
  TransitRowData row;
  row.entry = {DateMark{900, false}, DateMark{1500, true}, std::nullopt};
  row.exit = {DateMark{2100, true}, DateMark{1400, false}, std::nullopt};  // middle: exit before entry
  MinimumRecord approach;
  approach.day = 1200;
  row.minimum = approach;
  TransitRowData approachOnly;
  approachOnly.minimum = approach;
  const Timeline t = BuildTimeline({MadeUpRun(1000, 2000, {row}), MadeUpRun(1000, 2000, {approachOnly})});
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[0].label, "Mars square natal Moon");
  EXPECT_EQ(t.rows[0].retrograde, std::vector<TimelineStretch>({{1500, 2000}}));
  for (const TimelineRow& r : t.rows) {
    EXPECT_EQ(r.bands[0], std::vector<TimelineBand>({Band(1000, 2000, 0, true, true)}));
    EXPECT_TRUE(r.bands[1].empty() && r.bands[2].empty());
  }
}

TEST(Timeline, NoResults) {
  EXPECT_TRUE(BuildTimeline({}).rows.empty());
  // A run without transits gives no row, but its period still sets the axis.
  const Timeline empty = BuildTimeline({MadeUpRun(Day(2020, 1, 1), Day(2020, 12, 31))});
  EXPECT_TRUE(empty.rows.empty());
  EXPECT_EQ(empty.axis.ticks.size(), 12u);
}

std::vector<std::string> Labels(const TimelineAxis& axis) {
  std::vector<std::string> labels;
  for (const TimelineTick& tick : axis.ticks) labels.push_back(tick.label);
  return labels;
}

TEST(TimelineAxis, LabelsByTheLengthOfThePeriod) {
  const TimelineAxis year = BuildTimelineAxis(Day(2020, 1, 1), Day(2020, 12, 31));
  EXPECT_EQ(year.unit, TimelineAxisUnit::Months);
  EXPECT_EQ(Labels(year), (std::vector<std::string>{"Jan 2020", "Feb 2020", "Mar 2020", "Apr 2020",
                                                    "May 2020", "Jun 2020", "Jul 2020", "Aug 2020",
                                                    "Sep 2020", "Oct 2020", "Nov 2020", "Dec 2020"}));
  EXPECT_EQ(year.ticks[2].day, Day(2020, 3, 1));

  // A year from mid-March: the first label is the first whole month.
  const TimelineAxis shifted = BuildTimelineAxis(Day(2020, 3, 15), Day(2021, 3, 14));
  EXPECT_EQ(shifted.ticks.front().label, "Apr 2020");
  EXPECT_EQ(shifted.ticks.back().label, "Mar 2021");

  const TimelineAxis twoYears = BuildTimelineAxis(Day(2020, 1, 1), Day(2021, 12, 31));
  EXPECT_EQ(twoYears.unit, TimelineAxisUnit::Months);
  EXPECT_EQ(twoYears.step, 2);
  EXPECT_EQ(twoYears.ticks.size(), 12u);
  EXPECT_EQ(twoYears.ticks[1].label, "Mar 2020");

  const TimelineAxis decade = BuildTimelineAxis(Day(2011, 1, 1), Day(2020, 12, 31));
  EXPECT_EQ(decade.unit, TimelineAxisUnit::Years);
  EXPECT_EQ(Labels(decade), (std::vector<std::string>{"2011", "2012", "2013", "2014", "2015", "2016", "2017",
                                                      "2018", "2019", "2020"}));
  EXPECT_EQ(decade.ticks[4].day, Day(2015, 1, 1));

  const TimelineAxis century = BuildTimelineAxis(Day(1901, 1, 1), Day(2000, 12, 31));
  EXPECT_EQ(century.unit, TimelineAxisUnit::Decades);
  EXPECT_EQ(Labels(century), (std::vector<std::string>{"1910", "1920", "1930", "1940", "1950", "1960", "1970",
                                                       "1980", "1990", "2000"}));

  const TimelineAxis days = BuildTimelineAxis(Day(2020, 12, 10), Day(2020, 12, 19));
  EXPECT_EQ(days.unit, TimelineAxisUnit::Days);
  EXPECT_EQ(days.ticks.size(), 10u);
  EXPECT_EQ(days.ticks.front().label, "Dec 10");

  // Years before the common era, as the report writes them.
  const TimelineAxis ancient = BuildTimelineAxis(Day(-520, 6, 1), Day(-480, 6, 1));
  EXPECT_EQ(ancient.unit, TimelineAxisUnit::Years);
  EXPECT_EQ(ancient.step, 2);
  EXPECT_EQ(ancient.ticks.front().label, "-518");
}

// Whatever the period, the labels stay few, in order, inside it, and on the
// first of a month.
TEST(TimelineAxis, NeverCrowded) {
  const int64_t spans[] = {1, 2, 31, 62, 63, 200, 700, 800, 801, 3000, 18263, 18264, 36524, 365242, 3652425};
  const int32_t starts[] = {Day(2020, 1, 1), Day(1999, 12, 31), Day(-4712, 1, 1), Day(2400, 2, 29)};
  TimelineAxisUnit previous = TimelineAxisUnit::Days;
  for (int64_t span : spans) {
    for (int32_t start : starts) {
      const auto end = static_cast<int32_t>(start + span - 1);
      const TimelineAxis axis = BuildTimelineAxis(start, end);
      SCOPED_TRACE("span " + std::to_string(span) + " from " + std::to_string(start));
      EXPECT_GE(axis.ticks.size(), span >= 62 ? 2u : 1u);
      EXPECT_LE(axis.ticks.size(), kMaxAxisLabels);
      for (std::size_t k = 0; k < axis.ticks.size(); ++k) {
        EXPECT_GE(axis.ticks[k].day, start);
        EXPECT_LE(axis.ticks[k].day, end);
        if (k > 0) {
          EXPECT_GT(axis.ticks[k].day, axis.ticks[k - 1].day);
        }
      }
      if (start == starts[0]) {
        EXPECT_GE(axis.unit, previous);
        previous = axis.unit;
      }
    }
  }
  // The ends of the day numbers: no endless loop, no overflow.
  const TimelineAxis widest =
      BuildTimelineAxis(std::numeric_limits<int32_t>::min() + 1, std::numeric_limits<int32_t>::max() - 1);
  EXPECT_LE(widest.ticks.size(), kMaxAxisLabels);
  EXPECT_EQ(widest.unit, TimelineAxisUnit::Decades);
}

// A century's Show-all series: every transit a row, in the series' order,
// each cut to its run's period.
TEST(Timeline, ManyRows) {
  const int32_t start = Day(1901, 1, 1), end = Day(2000, 12, 31);
  std::vector<RunResult> series;
  for (BodyIndex second = Mercury; second <= Pluto; ++second) {
    RunResult run = MadeUpRun(start, end);
    run.world = true;
    run.bodies = {Sun, second};
    for (int k = 0; k < 400; ++k) {
      TransitRowData pass;
      const int32_t entry = start - 30 + k * 183 / 2;  // the first before the period, the last past it
      if (entry >= start) pass.entry[0] = DateMark{entry, false};
      if (entry + 60 <= end) pass.exit[0] = DateMark{entry + 60, false};
      run.transits.push_back(TransitRecord{static_cast<AspectIndex>(1 + k % AspectCount), {pass}});
    }
    series.push_back(run);
  }
  series.back().orbDegrees = {15, 13, 11};
  const Timeline t = BuildTimeline(series);
  ASSERT_EQ(t.rows.size(), 8u * 400u);
  EXPECT_EQ(t.axis.unit, TimelineAxisUnit::Decades);
  EXPECT_FALSE(t.sameOrbs);
  EXPECT_EQ(t.rows[401].label, "Sun opposition Venus");
  EXPECT_EQ(t.rows[401].run, 1u);
  EXPECT_EQ(t.rows[401].transit, 1u);
  EXPECT_EQ(t.rows.back().label, "Sun sextile Pluto");
  EXPECT_EQ(t.rows.front().bands[0], std::vector<TimelineBand>({Band(start, start + 30, 0, true, false)}));
  EXPECT_EQ(t.rows[399].bands[0], std::vector<TimelineBand>({Band(start + 36478, end, 0, false, true)}));
}

}  // namespace
}  // namespace skyloom
