#include "engine/transit_search.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <algorithm>
#include <array>
#include <climits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/midnight_longitudes.h"
#include "ports/ephemeris.h"
#include "report/exports.h"
#include "support/engine_setup.h"
#include "support/form_fixture.h"
#include "support/independent.h"
#include "support/transit_runs.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

using test::Day;

using test::SameTransits;
using test::TakeEverything;

struct Engine {
  RunResult Run(const RunDescription& run) {
    table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
    RunResult result = ResultOf(run);
    TakeEverything observer;
    EXPECT_EQ(SearchTransits(run, test::TestPositions(), table, result, observer), RunEnd::Completed);
    return result;
  }
  TransitTable table;
};

double Radians(double degrees) { return degrees / 360.0 * TwoPi; }

// Where Mercury stands still (its speed changes sign) between two instants.
double MercuryStation(double from, double to) {
  double speed = 0;
  test::EphemerisDegrees(Mercury, from, &speed);
  const bool directFirst = speed > 0;
  while (to - from > 1e-7) {
    const double mid = (from + to) / 2;
    test::EphemerisDegrees(Mercury, mid, &speed);
    ((speed > 0) == directFirst ? from : to) = mid;
  }
  return from;
}

// A run of the reference tables, and its description for the engine.
struct ReferenceRun {
  const char* what;
  bool world;
  BodyIndex a, b;
  double natalDegrees;
  int32_t start, end;
  int16_t zone;  // minutes east of Greenwich
  std::array<int16_t, 3> orbs;
  AspectSet aspects = AspectSet::Major();

  RunDescription Description() const {
    RunDescription run;
    run.world = world;
    run.bodies = {a, b};
    run.natalLongitude = Radians(natalDegrees);
    run.orbs.Set(orbs[0], orbs[1], orbs[2]);
    run.startDay = start;
    run.endDay = end;
    run.zone = ZoneOfMinutes(zone);
    run.aspects = aspects;
    return run;
  }
};

// The reference table of runs: pairs fast and slow, centuries from the
// seventeenth to the twenty-eighth, zones from one end of the list to the
// other, the smallest orbs a run or a series takes. The independent scan
// finds every zero and least deviation of each run's period on its own: the
// results must hold every exact aspect it finds, each at its minute, only
// closest approaches it found, and orb dates right to the day.
TEST(TransitSearch, ReferenceRunsRightToTheDayAndMinuteAndComplete) {
  using Case = ReferenceRun;
  const double birth = swe_julday(1985, 7, 4, 6 + 5.0 / 60, SE_GREG_CAL);
  // Mercury's station of 2020-02-17, and points just short of it, just past
  // it and two minutes of arc off: a turn within a minute of the point, two
  // passes hours apart, and a closest approach.
  const double station = test::EphemerisDegrees(
      Mercury, MercuryStation(swe_julday(2020, 2, 15, 0, SE_GREG_CAL), swe_julday(2020, 2, 19, 0, SE_GREG_CAL)));
  const int32_t y2020 = Day(2020, 1, 1);
  // clang-format off
  const Case cases[] = {
      {"Sun-Mars 1620", true, Sun, Mars, 0, Day(1620, 1, 1), Day(1621, 6, 30), -690, {10, 5, 2}},
      {"Venus-Jupiter 2450", true, Venus, Jupiter, 0, Day(2450, 1, 1), Day(2451, 6, 30), 690, {10, 5, 2}},
      {"Mars-Saturn 2790", true, Mars, Saturn, 0, Day(2790, 1, 1), Day(2791, 6, 30), -300, {10, 5, 2}},
      {"Mercury-Uranus 1800", true, Mercury, Uranus, 0, Day(1800, 1, 1), Day(1801, 6, 30), 330, {10, 5, 3}},
      {"Jupiter-Saturn 2020", true, Jupiter, Saturn, 0, y2020, Day(2021, 12, 31), 0, {15, 13, 11}},
      {"Jupiter-Pluto 2020", true, Jupiter, Pluto, 0, y2020, Day(2020, 12, 31), 0, {10, 5, 2}},
      {"Sun-Mercury", true, Sun, Mercury, 0, y2020, Day(2023, 12, 31), 0, {5, 3, 1}},
      {"Sun-Venus", true, Sun, Venus, 0, Day(2019, 1, 1), Day(2022, 12, 31), 690, {5, 3, 1}},
      {"Mercury-Venus", true, Mercury, Venus, 0, y2020, Day(2022, 12, 31), -690, {5, 3, 1}},
      {"Mercury-Mars", true, Mercury, Mars, 0, Day(2021, 1, 1), Day(2023, 12, 31), 330, {5, 3, 1}},
      {"Sun-Mercury of 2100", true, Sun, Mercury, 0, Day(2100, 1, 1), Day(2101, 12, 31), -120, {10, 5, 2}},
      {"Mercury to a natal Moon", false, Mercury, Moon, test::EphemerisDegrees(Moon, birth), Day(2022, 1, 1),
       Day(2022, 12, 31), 0, {7, 5, 3}},
      {"Mercury to 100 degrees", false, Mercury, Sun, 100.0, y2020, Day(2023, 12, 31), -690, {5, 3, 1}},
      {"Venus to 250 degrees", false, Venus, Sun, 250.0, Day(2019, 1, 1), Day(2022, 12, 31), 690, {5, 3, 1}},
      {"Mars to 15.2 degrees", false, Mars, Sun, 15.2, Day(2019, 1, 1), Day(2022, 12, 31), 330, {5, 3, 1}},
      {"Saturn's loop of 2020", false, Saturn, Sun, 298.0, Day(2019, 12, 1), Day(2021, 3, 31), 0, {10, 5, 2}},
      {"Venus 1750", false, Venus, Moon, 301.0, Day(1750, 1, 1), Day(1751, 6, 30), -450, {10, 5, 2}},
      {"Mars 2600", false, Mars, Venus, 17.7, Day(2600, 1, 1), Day(2601, 6, 30), 510, {10, 5, 2}},
      {"Mercury turning short", false, Mercury, Sun, station + 0.5 / 60, Day(2020, 2, 1), Day(2020, 3, 15), 0,
       {5, 3, 1}},
      {"Mercury turning past", false, Mercury, Sun, station - 0.5 / 60, Day(2020, 2, 1), Day(2020, 3, 15), 690,
       {5, 3, 1}},
      {"Mercury turning two minutes short", false, Mercury, Sun, station + 2.0 / 60, Day(2020, 2, 1),
       Day(2020, 3, 15), 0, {5, 3, 1}},
      // Pluto's data begin at 0h UT of 1600-01-01: east of Greenwich the
      // first day has no midnight with positions.
      {"Jupiter-Pluto 1600", true, Jupiter, Pluto, 0, Day(1600, 1, 1), Day(1600, 12, 31), 300, {10, 5, 2}},
  };
  // clang-format on
  test::WorstError minutes("exact minutes against the scan", "min");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Engine engine;
    const RunResult result = engine.Run(c.Description());
    ASSERT_FALSE(result.transits.empty());
    test::ExpectIndependentlyRight(result, minutes);
    for (const TransitRecord& transit : result.transits)
      for (const TransitRowData& row : transit.passes)
        EXPECT_GE(row.minimum ? row.minimum->day : c.start, c.start) << "a minimum before the period";
  }
}

// The first and last day of a transit's events.
std::pair<int32_t, int32_t> DaysOf(const TransitRecord& transit) {
  int32_t first = INT32_MAX, last = INT32_MIN;
  auto note = [&](int32_t day) {
    first = std::min(first, day);
    last = std::max(last, day);
  };
  for (const TransitRowData& row : transit.passes) {
    for (OrbIndex o = 0; o < 3; ++o) {
      if (row.entry[o]) note(row.entry[o]->day);
      if (row.exit[o]) note(row.exit[o]->day);
    }
    if (row.minimum) note(row.minimum->day);
  }
  return {first, last};
}

// The transits of the aspects of a set, in the order found.
std::vector<TransitRecord> Only(const RunResult& result, const AspectSet& aspects) {
  std::vector<TransitRecord> kept;
  for (const TransitRecord& transit : result.transits)
    if (aspects.Has(transit.aspect)) kept.push_back(transit);
  return kept;
}

// The minor aspects lie close to each other and to the major ones (the
// biquintile and the quincunx 6 degrees apart): with these orbs a pair is
// often within the orbs of two aspects at once. Each aspect must still be
// found whole and right by the independent scan, its transits the same as
// a run of that aspect alone finds, two transits overlapping in time where
// the orbs overlap, and the transits handed over in the order they began.
TEST(TransitSearch, OverlappingOrbsOfElevenAspectsEachFoundWhole) {
  using Case = ReferenceRun;
  const AspectSet all = AspectSet::All();
  // clang-format off
  const Case cases[] = {
      {"Sun-Mars, 15-degree orbs", true, Sun, Mars, 0, Day(2021, 1, 1), Day(2022, 12, 31), 330, {15, 13, 11}, all},
      {"Jupiter-Saturn", true, Jupiter, Saturn, 0, Day(2019, 1, 1), Day(2026, 12, 31), 0, {10, 5, 2}, all},
      {"Mercury-Venus", true, Mercury, Venus, 0, Day(2020, 1, 1), Day(2021, 12, 31), -690, {10, 5, 2}, all},
      {"Mars to 15.2 degrees, semisextile and semisquare", false, Mars, Sun, 15.2, Day(2019, 1, 1),
       Day(2022, 12, 31), 330, {10, 5, 2}, AspectSet::Of({Semisextile, Semisquare})},
      {"Saturn to 298 degrees, biquintile and quincunx", false, Saturn, Sun, 298.0, Day(2000, 1, 1),
       Day(2012, 12, 31), 0, {10, 5, 2}, AspectSet::Of({Biquintile, Quincunx})},
      {"Jupiter to 100 degrees, sesquiquadrate and others", false, Jupiter, Sun, 100.0, Day(2010, 1, 1),
       Day(2021, 12, 31), -300, {15, 13, 11}, AspectSet::Of({Sesquiquadrate, Trine, Biquintile, Sextile})},
  };
  // clang-format on
  test::WorstError minutes("exact and crossing minutes of overlapping aspects against the scan", "min");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RunDescription run = c.Description();
    Engine engine;
    const RunResult result = engine.Run(run);
    test::ExpectIndependentlyRight(result, minutes);

    std::set<AspectIndex> found;
    int overlapping = 0;
    for (size_t k = 0; k < result.transits.size(); ++k) {
      const TransitRecord& transit = result.transits[k];
      EXPECT_TRUE(c.aspects.Has(transit.aspect)) << AspectName(transit.aspect) << " was not asked for";
      found.insert(transit.aspect);
      const auto [first, last] = DaysOf(transit);
      for (size_t j = 0; j < k; ++j) {
        const auto [otherFirst, otherLast] = DaysOf(result.transits[j]);
        if (result.transits[j].aspect != transit.aspect && otherFirst <= last && first <= otherLast) ++overlapping;
      }
      // Handed over in the order their outer orbs were entered.
      const auto& entry = transit.passes.front().entry[0];
      if (k > 0 && entry && result.transits[k - 1].passes.front().entry[0]) {
        EXPECT_LE(result.transits[k - 1].passes.front().entry[0]->day, entry->day) << "transit " << k + 1;
      }
    }
    EXPECT_GE(found.size(), 2u);
    EXPECT_GT(overlapping, 0) << "no two transits at once: the case tests no overlap";

    // Each aspect alone finds what the run of all of them found of it.
    for (const AspectIndex aspect : c.aspects.List()) {
      RunDescription alone = run;
      alone.aspects = AspectSet::Of({aspect});
      const RunResult one = engine.Run(alone);
      EXPECT_TRUE(SameTransits(one.transits, Only(result, alone.aspects))) << AspectName(aspect);
    }
  }
}

// The runs of a series share one set of daily samples: each finds what it
// finds alone, right by the independent scan, and the series computes fewer
// positions than its runs would.
TEST(TransitSearch, SharedSamplesChangeNoResult) {
  std::vector<RunDescription> runs;
  for (const BodyIndex other : {Sun, Mars, Saturn, Pluto}) {
    RunDescription run;
    run.bodies = {std::min(other, Jupiter), std::max(other, Jupiter)};
    run.startDay = Day(1995, 1, 1);
    run.endDay = Day(1999, 12, 31);
    run.zone = ZoneOfMinutes(330);
    runs.push_back(run);
  }
  const BodyPositions& positions = test::TestPositions();
  auto series = [&](const std::vector<RunDescription>& described, bool shared) {
    std::vector<RunResult> results;
    MidnightLongitudes midnights(positions, described.front().zone, described.front().zodiac);
    const uint64_t before = positions.Evaluations();
    for (const RunDescription& run : described) {
      TransitTable table;
      table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
      results.push_back(ResultOf(run));
      TakeEverything observer;
      if (shared) {
        SearchTransits(run, midnights, table, results.back(), observer);
      } else {
        SearchTransits(run, positions, table, results.back(), observer);
      }
    }
    return std::make_tuple(WriteCsv(results), positions.Evaluations() - before, results);
  };
  const auto alone = series(runs, false), together = series(runs, true);
  EXPECT_EQ(std::get<0>(together), std::get<0>(alone));
  EXPECT_LT(std::get<1>(together), std::get<1>(alone));
  test::WorstError minutes("exact minutes of shared samples against the scan", "min");
  for (const RunResult& result : std::get<2>(together)) test::ExpectIndependentlyRight(result, minutes);

  // Transiting Mars to two natal points, sidereal: samples kept by zodiac.
  std::vector<RunDescription> sidereal(2, RunDescription{});
  for (size_t k = 0; k < sidereal.size(); ++k) {
    sidereal[k].world = false;
    sidereal[k].bodies = {Mars, Sun};
    sidereal[k].natalLongitude = Radians(k == 0 ? 12.5 : 200.0);
    sidereal[k].startDay = Day(2019, 1, 1);
    sidereal[k].endDay = Day(2024, 12, 31);
    sidereal[k].zodiac = Zodiac::Sidereal;
    sidereal[k].zone = ZoneOfMinutes(-300);
  }
  const auto siderealAlone = series(sidereal, false), siderealTogether = series(sidereal, true);
  EXPECT_EQ(std::get<0>(siderealTogether), std::get<0>(siderealAlone));
  EXPECT_LT(std::get<1>(siderealTogether), std::get<1>(siderealAlone));
  EXPECT_GT(std::get<2>(siderealTogether)[0].transits.size(), 20u);
}

// The samples kept are the positions at the zone's midnights, whichever way
// and however far the days asked for move.
TEST(TransitSearch, MidnightSamplesAreThePositions) {
  const BodyPositions& positions = test::TestPositions();
  MidnightLongitudes midnights(positions, ZoneOfMinutes(-690), Zodiac::Sidereal);
  const int32_t d = Day(2000, 1, 1);
  // clang-format off
  const struct {
    BodyIndex body;
    int32_t day;
  } asked[] = {{Mars, d},          {Mars, d - 1},         {Mars, d + 255},     {Mars, d + 256},  {Mars, d - 300},
               {Mars, d - 90000},  {Mars, d + 200000},    {Pluto, Day(1600, 1, 1)}, {Pluto, Day(2100, 1, 1)},
               {Moon, d + 3},      {Sun, d - 700},        {Sun, d - 699},      {Sun, d + 1}};
  // clang-format on
  for (int pass = 0; pass < 2; ++pass) {
    const uint64_t before = positions.Evaluations();
    for (const auto& a : asked) {
      EXPECT_EQ(midnights.At(a.body, a.day),
                positions.Longitude(a.body, LocalMidnight(a.day, ZoneOfMinutes(-690)).ut, Zodiac::Sidereal))
          << BodyNames[a.body] << " " << a.day;
    }
    // The second time round only the comparisons compute positions.
    if (pass == 1) {
      EXPECT_EQ(positions.Evaluations() - before, std::size(asked));
    }
  }
  EXPECT_EQ(midnights.Kept(), std::size(asked));
}

// A personal Show-all series of transiting Mercury at orbs 5, 3, 1, which a
// series takes though a single run would not: each run of it right.
TEST(TransitSearch, EveryRunOfAShowAllSeriesRight) {
  test::FormFixture f;
  test::Personal(f, 1, 0, "1990");  // Mercury, natal Sun
  f.EnterDate(0, "2021", "1", "1");
  f.EnterDate(1, "2021", "12", "31");
  for (int16_t k = 0; k < 3; ++k) f.Choose(Ctl(ControlName::cboOrbs, k), static_cast<int16_t>(4 - 2 * k));
  f.Press(Ctl(ControlName::cmdShowAll, 1));  // "Show all transits by transiting Mercury"
  ASSERT_EQ(f.state.Runs.Results().size(), 10u) << f.LastMessage().text;
  test::WorstError minutes("exact minutes of a series against the scan", "min");
  for (const RunResult& run : f.state.Runs.Results()) {
    EXPECT_EQ(run.orbDegrees, (std::array<int16_t, 3>{5, 3, 1}));
    test::ExpectIndependentlyRight(run, minutes);
  }
}

// Where the data end no longitude is made up: the conjunction of Mars and
// Pluto in December 2099 stays open, its exit and minimum unknown, and a
// one-day period knows only what happens between its own two midnights.
TEST(TransitSearch, NothingIsMadeUpBeyondTheData) {
  RunDescription run;
  run.bodies = {Mars, Pluto};
  run.orbs.Set(10, 5, 3);
  run.startDay = Day(2099, 10, 1);
  run.endDay = Day(2099, 12, 31);
  Engine engine;
  const RunResult end = engine.Run(run);
  ASSERT_EQ(end.transits.size(), 2u);
  const TransitRowData& open = end.transits[1].passes.at(0);
  EXPECT_TRUE(open.entry[0] && open.entry[1]);
  EXPECT_FALSE(open.minimum || open.exit[0] || open.exit[1] || open.exit[2]);

  // The great conjunction of 2020-12-21 18:21 UT lies in its own day.
  run.bodies = {Jupiter, Saturn};
  run.orbs.Set(10, 5, 2);
  for (const int32_t day : {Day(2020, 12, 21), Day(2020, 12, 22)}) {
    run.startDay = run.endDay = day;
    const RunResult one = engine.Run(run);
    const bool exactThatDay =
        !one.transits.empty() && one.transits[0].passes[0].minimum && one.transits[0].passes[0].minimum->exact;
    EXPECT_EQ(exactThatDay, day == Day(2020, 12, 21));
  }
}

// Each row is handed over with its place in its transit: Saturn's triple
// pass over one point, three rows of one dated transit; and a one-day period
// inside the great conjunction's orbs, a transit of a minimum alone.
TEST(TransitSearch, RowsHandedOverWithTheirPlace) {
  struct Recorder : TakeEverything {
    RowTaken TakeRow(const TransitRowData& row, RowPlace place) override {
      places.push_back({row.aspect, place.beginsTransit, place.transitDated});
      return {};
    }
    std::vector<std::tuple<AspectIndex, bool, bool>> places;
  };
  const std::pair<ReferenceRun, std::vector<std::tuple<AspectIndex, bool, bool>>> cases[] = {
      {{"Saturn's loop of 2020", false, Saturn, Sun, 298.0, Day(2019, 12, 1), Day(2021, 3, 31), 0, {10, 5, 2}},
       {{1, true, true}, {1, false, true}, {1, false, true}}},
      // clang-format off
      {{"one day of the great conjunction", true, Jupiter, Saturn, 0, Day(2020, 12, 21), Day(2020, 12, 21), 0, {10, 5, 2}},
       {{1, true, false}}},
      // clang-format on
  };
  for (const auto& [c, places] : cases) {
    const RunDescription run = c.Description();
    TransitTable table;
    table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
    RunResult result = ResultOf(run);
    Recorder recorder;
    SearchTransits(run, test::TestPositions(), table, result, recorder);
    EXPECT_EQ(recorder.places, places) << c.what;
  }
}

// An ephemeris of straight lines: every planet at `start` at the instant t0,
// moving `rate` radians a day.
class StraightLines : public EphemerisLibrary {
 public:
  StraightLines(double start, double t0, double rate) : start_(start), t0_(t0), rate_(rate) {}
  Position PlanetLongitude(int32_t, double jd, int32_t, double* speed) override {
    if (speed) *speed = rate_;
    return {PositionStatus::Known, NormalizeAngle(start_ + rate_ * (jd - t0_))};
  }
  Position MoonLongitude(double, double*) override { return Position::Unknown(PositionStatus::BeforeRange); }

 private:
  double start_, t0_, rate_;
};

// The Moon as the moving body: a year of transits, each to the minute and
// none lost between midnights, east and west of Greenwich, at both ends of
// its data, with orbs it crosses within hours (a middle orb of 3 degrees is
// passed in half a day) and outer orbs of 15 degrees, where one day ends one
// aspect's pass and begins the next one's. Every pass inside the period is
// one row holding all six orb dates and its exact aspect.
TEST(TransitSearch, MoonYearsRightToTheMinuteAndComplete) {
  using Case = ReferenceRun;
  const double sun = test::EphemerisDegrees(Sun, swe_julday(1985, 7, 4, 6 + 5.0 / 60, SE_GREG_CAL));
  // clang-format off
  const Case cases[] = {
      {"to the natal Sun, east", false, Moon, Sun, sun, Day(2024, 1, 1), Day(2024, 12, 31), 330, {10, 5, 2}},
      {"to the natal Sun, west", false, Moon, Sun, sun, Day(2024, 1, 1), Day(2024, 12, 31), -480, {9, 3, 1}},
      {"to the natal Sun in 1600, west", false, Moon, Sun, sun, Day(1600, 1, 1), Day(1600, 12, 31), -300, {10, 5, 2}},
      {"to the natal Sun in 2099, east", false, Moon, Sun, sun, Day(2099, 1, 1), Day(2099, 12, 31), 690, {9, 5, 1}},
      {"and Saturn, outer orbs touching", true, Moon, Saturn, 0, Day(2030, 1, 1), Day(2030, 12, 31), 0, {15, 13, 11}},
      {"and Mercury", true, Moon, Mercury, 0, Day(1850, 1, 1), Day(1850, 12, 31), -120, {9, 3, 1}},
  };
  // clang-format on
  test::WorstError minutes("Moon's exact minutes against the scan", "min");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Engine engine;
    const RunResult result = engine.Run(c.Description());
    test::ExpectIndependentlyRight(result, minutes);
    std::vector<const TransitRowData*> rows;
    for (const TransitRecord& transit : result.transits) {
      EXPECT_EQ(transit.passes.size(), 1u) << "the Moon makes one pass a transit";
      for (const TransitRowData& row : transit.passes) rows.push_back(&row);
    }
    // About 13 passes of each of the 8 aspect points a year.
    EXPECT_GT(rows.size(), 95u);
    for (size_t i = 1; i + 1 < rows.size(); ++i) {
      const TransitRowData& row = *rows[i];
      for (OrbIndex o = 0; o < 3; ++o) EXPECT_TRUE(row.entry[o] && row.exit[o]) << "row " << i << " orb " << o;
      EXPECT_TRUE(row.minimum && row.minimum->exact) << "row " << i;
      if (row.entry[0] && row.exit[0]) {
        EXPECT_LE(row.exit[0]->day - row.entry[0]->day, 3) << "row " << i;
      }
    }
  }
}

// A point reached exactly at a midnight: an orb's edge there is outside the
// orb, and an exact aspect there falls on that day at 00:00.
TEST(TransitSearch, OrbEdgesAndExactAspectsAtAMidnight) {
  const int32_t edge = Day(2020, 3, 10);
  RunDescription run;
  run.world = false;
  run.bodies = {Mars, Sun};
  run.natalLongitude = 0;
  run.startDay = Day(2020, 3, 1);
  run.endDay = Day(2020, 4, 30);
  run.orbs.Set(10, 5, 2);
  // Mars 10 degrees east of the point at the midnight starting `edge`,
  // closing one degree a day.
  StraightLines library(run.orbs.OrbRadians[0], LocalMidnight(edge, ZoneOfMinutes(0)).ut, -OrbRadiansFromDegrees(1));
  const BodyPositions positions(library);
  TransitTable table;
  table.Create(61);
  RunResult result = ResultOf(run);
  TakeEverything observer;
  SearchTransits(run, positions, table, result, observer);
  ASSERT_FALSE(result.transits.empty());
  const TransitRowData& pass = result.transits[0].passes.at(0);
  ASSERT_TRUE(pass.entry[0] && pass.minimum);
  EXPECT_EQ(pass.entry[0]->day, edge);
  EXPECT_TRUE(pass.entry[0]->retrograde);
  EXPECT_TRUE(pass.minimum->exact);
  EXPECT_EQ(pass.minimum->day, edge + 10);
  EXPECT_EQ(pass.minimum->minuteOfDay, 0);
}

TEST(TransitSearch, TableGrowsPastItsEstimate) {
  EXPECT_EQ(TransitTable::RowsForPeriod(1), 200);
  EXPECT_EQ(TransitTable::RowsForPeriod(1451), 200);
  EXPECT_EQ(TransitTable::RowsForPeriod(1458), 201);
  EXPECT_EQ(TransitTable::RowsForPeriod(650 * 366), 32760);
  TransitTable table;
  table.Create(3);
  table.SetEntry(1000, 1, 0, DateMark{Day(2020, 1, 1), false, {}});
  EXPECT_FALSE(table.RowIsEmpty(1000));
  ASSERT_TRUE(table.Data(1000).entry[0]);
  EXPECT_EQ(table.Data(1000).entry[0]->day, Day(2020, 1, 1));
  EXPECT_TRUE(table.RowIsEmpty(999));
  EXPECT_TRUE(table.RowIsEmpty(table.RowCount() + 5));
}

// Exact minutes in a named results zone on the days its clocks change, each
// against the Sun's position straight from the ephemeris: the natal point is
// where the Sun stood at the instant, so the conjunction is exact then. The
// local times and offsets are Python zoneinfo's for Europe/Berlin (2150 by
// the rule after the years its file lists). A day of 25 hours keeps its
// last hour, a day of 23 finds nothing twice.
TEST(TransitSearch, ExactMinutesInANamedZoneAcrossItsChanges) {
  const Zone berlin = *Zone::Named("Europe/Berlin");
  const struct {
    int32_t year, month, day;
    double utHours;
    int32_t localDayOffset;  // the local date is the UT date plus this
    int16_t localMinute;
    int32_t offset;
    const char* what;
  } cases[] = {
      {2024, 3, 30, 12.0, 0, 13 * 60, 3600, "the day before summer time"},
      {2024, 3, 31, 0.0 + 40 / 60.0, 0, 1 * 60 + 40, 3600, "the 23-hour day, before the gap"},
      {2024, 3, 31, 1.0 + 20 / 60.0, 0, 3 * 60 + 20, 7200, "just after the skipped hour 02:00-03:00"},
      {2024, 3, 31, 21.0 + 50 / 60.0, 0, 23 * 60 + 50, 7200, "the last hour of the 23-hour day"},
      {2024, 10, 27, 0.5, 0, 2 * 60 + 30, 7200, "the repeated hour, first reading"},
      {2024, 10, 27, 1.5, 0, 2 * 60 + 30, 3600, "the repeated hour, second reading"},
      {2024, 10, 27, 22.5, 0, 23 * 60 + 30, 3600, "the 25th hour of the day"},
      {2024, 10, 27, 23.5, 1, 0 * 60 + 30, 3600, "the day after"},
      {2150, 7, 4, 10.0, 0, 12 * 60, 7200, "summer time by the rule after 2037"},
  };
  test::WorstError minutes("exact minutes in Europe/Berlin against the ephemeris", "min");
  for (const auto& c : cases) {
    const int32_t day = Day(c.year, c.month, c.day);
    const double at = day - 0.5 + c.utHours / 24;
    RunDescription run;
    run.world = false;
    run.bodies = {Sun, Sun};
    run.natalLongitude = Radians(test::EphemerisDegrees(Sun, at));
    run.orbs.Set(10, 5, 2);
    run.startDay = day - 20;
    run.endDay = day + 20;
    run.zone = berlin;
    Engine engine;
    const RunResult result = engine.Run(run);
    std::vector<MinimumRecord> exact;
    for (const TransitRecord& t : result.transits)
      for (const TransitRowData& row : t.passes)
        if (row.minimum && row.minimum->exact) exact.push_back(*row.minimum);
    ASSERT_EQ(exact.size(), 1u) << c.what;
    const MinimumRecord& m = exact.front();
    minutes.Note(std::fabs(m.instant - Instant{at}) * 1440, 0.5 + 2e-3, c.what);
    EXPECT_EQ(m.day, day + c.localDayOffset) << c.what;
    EXPECT_EQ(m.minuteOfDay, c.localMinute) << c.what;
    EXPECT_EQ(m.offsetSeconds, c.offset) << c.what;
    EXPECT_EQ(m.zoneText, "Europe/Berlin");
  }
}

}  // namespace
}  // namespace skyloom
