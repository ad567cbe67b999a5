#include "engine/transit_search.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/midnight_longitudes.h"
#include "ports/ephemeris.h"
#include "report/exports.h"
#include "support/case_file.h"
#include "support/engine_setup.h"
#include "support/independent.h"
#include "support/transit_runs.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

using test::Day;
using test::SameTransits;
using test::TakeEverything;

// Runs searched whole; one table from run to run, as a series keeps it.
struct Engine {
  template <typename Samples = const BodyPositions&>
  RunResult Run(const RunDescription& run, Samples&& samples = test::TestPositions(), RunObserver* observer = nullptr) {
    table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
    RunResult result = ResultOf(run);
    TakeEverything everything;
    EXPECT_EQ(SearchTransits(run, samples, table, result, observer ? *observer : everything), RunEnd::Completed);
    return result;
  }
  TransitTable table;
};

double Radians(double degrees) { return degrees / 360.0 * TwoPi; }

// A world run of the pair over the days, orbs of 10, 5 and 2 degrees.
RunDescription Between(BodyIndex a, BodyIndex b, int32_t startDay, int32_t endDay) {
  RunDescription run;
  run.bodies = {a, b};
  run.orbs.Set(10, 5, 2);
  run.startDay = startDay;
  run.endDay = endDay;
  return run;
}

double NatalDegrees(const std::string& field) {
  if (field.starts_with("station")) {
    // Where Mercury stands still: its speed changes sign.
    auto retrograde = [](double t) {
      double speed = 0;
      test::EphemerisDegrees(Mercury, t, &speed);
      return speed < 0 ? 1 : 0;
    };
    static const double station =
        test::EphemerisDegrees(Mercury, test::ScanChanges(retrograde, Day(2020, 2, 15), Day(2020, 2, 19)).at(0).at);
    return station + std::stod(field.substr(7)) / 60;
  }
  if (field.ends_with(" at birth")) {
    return test::EphemerisDegrees(test::BodyOfText(field.substr(0, field.find(' '))),
                                  swe_julday(1985, 7, 4, 6 + 5.0 / 60, SE_GREG_CAL));
  }
  return std::stod(field);
}

AspectSet AspectsOf(const std::string& field) {
  if (field == "major") return AspectSet::Major();
  if (field == "all") return AspectSet::All();
  AspectSet set;
  std::istringstream names(field);
  for (std::string name; names >> name;) set.Add(AspectByName(name));
  return set;
}

// A run of tests/engine/data/transit_runs.txt, described for the engine.
RunDescription RunOf(const test::CaseLine& line) {
  RunDescription run;
  run.world = line[2] == "world";
  run.bodies = {test::BodyOfText(line[3]), test::BodyOfText(line[4])};
  run.natalLongitude = Radians(NatalDegrees(line[5]));
  run.startDay = test::DayOfText(line[6]);
  run.endDay = test::DayOfText(line[7]);
  run.zone = ZoneOfMinutes(static_cast<int16_t>(std::stoi(line[8])));
  const std::vector<double> orbs = test::NumbersOf(line[9]);
  run.orbs.Set(static_cast<int16_t>(orbs.at(0)), static_cast<int16_t>(orbs.at(1)), static_cast<int16_t>(orbs.at(2)));
  run.aspects = AspectsOf(line[10]);
  run.zodiac = line[0].ends_with("sidereal") ? Zodiac::Sidereal : Zodiac::Tropical;
  return run;
}

std::vector<test::CaseLine> Runs(const std::string& group) {
  std::vector<test::CaseLine> runs = test::ReadCases("engine/data/transit_runs.txt");
  std::erase_if(runs, [&](const test::CaseLine& line) { return line[0] != group; });
  EXPECT_FALSE(runs.empty()) << group;
  return runs;
}

// Each row as it is handed over, with its place in its transit.
struct Recorder : TakeEverything {
  RowTaken TakeRow(const TransitRowData& row, RowPlace place) override {
    places += (places.empty() ? "" : " ") + std::to_string(row.aspect) + (place.beginsTransit ? "B" : "F") +
              (place.transitDated ? "D" : "-");
    return {};
  }
  std::string places;
};

// Each run of a group of the table right by the independent scan, then
// `more`; rows handed over in their places where the line tells them. Run
// again without orb crossing minutes (as for no file), it finds the same.
template <typename More>
void EachRunRightByTheScan(const std::string& group, More more) {
  test::WorstError minutes(group + " runs' exact and crossing minutes against the scan", "min");
  int crossings = 0;
  for (const test::CaseLine& line : Runs(group)) {
    SCOPED_TRACE(line.where);
    Engine engine;
    RunDescription run = RunOf(line);
    Recorder recorder;
    RunResult result = engine.Run(run, test::TestPositions(), &recorder);
    ASSERT_FALSE(result.transits.empty());
    if (line.fields.size() > 11) {
      EXPECT_EQ(recorder.places, line[11]);
    }
    test::ExpectIndependentlyRight(result, minutes);
    more(engine, run, result);
    for (TransitRecord& transit : result.transits)
      for (TransitRowData& row : transit.passes)
        for (auto* marks : {&row.entry, &row.exit})
          for (std::optional<DateMark>& mark : *marks)
            if (mark && mark->crossing) {
              ++crossings;
              mark->crossing.reset();
            }
    run.crossingMinutes = false;
    EXPECT_TRUE(SameTransits(engine.Run(run).transits, result.transits)) << "without crossing minutes";
  }
  EXPECT_GT(crossings, 20) << group;
}

TEST(TransitSearch, ReferenceRunsRightToTheDayAndMinuteAndComplete) {
  EachRunRightByTheScan("reference", [](Engine&, const RunDescription& run, const RunResult& result) {
    for (const TransitRecord& transit : result.transits)
      for (const TransitRowData& row : transit.passes)
        EXPECT_GE(row.minimum ? row.minimum->day : run.startDay, run.startDay) << "a minimum before the period";
  });
}

// The first and last day of a transit's events.
std::pair<int32_t, int32_t> DaysOf(const TransitRecord& transit) {
  std::vector<int32_t> days;
  for (const TransitRowData& row : transit.passes) {
    for (OrbIndex o = 0; o < 3; ++o)
      for (const auto& mark : {row.entry[o], row.exit[o]})
        if (mark) days.push_back(mark->day);
    if (row.minimum) days.push_back(row.minimum->day);
  }
  const auto [first, last] = std::minmax_element(days.begin(), days.end());
  return {*first, *last};
}

// The minor aspects lie close to each other and to the major ones: each is
// found whole, as a run of it alone finds it, transits overlapping where the
// orbs do, handed over in the order they began.
TEST(TransitSearch, OverlappingOrbsOfElevenAspectsEachFoundWhole) {
  EachRunRightByTheScan("overlap", [](Engine& engine, const RunDescription& run, const RunResult& result) {
    std::set<AspectIndex> found;
    int overlapping = 0;
    for (size_t k = 0; k < result.transits.size(); ++k) {
      const TransitRecord& transit = result.transits[k];
      EXPECT_TRUE(run.aspects.Has(transit.aspect)) << AspectName(transit.aspect) << " was not asked for";
      found.insert(transit.aspect);
      const auto [first, last] = DaysOf(transit);
      for (size_t j = 0; j < k; ++j) {
        const auto [otherFirst, otherLast] = DaysOf(result.transits[j]);
        if (result.transits[j].aspect != transit.aspect && otherFirst <= last && first <= otherLast) ++overlapping;
      }
      const auto& entry = transit.passes.front().entry[0];
      if (k > 0 && entry && result.transits[k - 1].passes.front().entry[0]) {
        EXPECT_LE(result.transits[k - 1].passes.front().entry[0]->day, entry->day) << "transit " << k + 1;
      }
    }
    EXPECT_GE(found.size(), 2u);
    EXPECT_GT(overlapping, 0) << "no two transits at once: the case tests no overlap";
    for (const AspectIndex aspect : run.aspects.List()) {
      RunDescription alone = run;
      alone.aspects = AspectSet::Of({aspect});
      std::vector<TransitRecord> kept;
      std::copy_if(result.transits.begin(), result.transits.end(), std::back_inserter(kept),
                   [&](const TransitRecord& t) { return t.aspect == aspect; });
      EXPECT_TRUE(SameTransits(engine.Run(alone).transits, kept)) << AspectName(aspect);
    }
  });
}

// The runs of a series share one set of daily samples: each finds what it
// finds alone, and the series computes fewer positions.
TEST(TransitSearch, SharedSamplesChangeNoResult) {
  const BodyPositions& positions = test::TestPositions();
  test::WorstError minutes("exact minutes of shared samples against the scan", "min");
  for (const char* group : {"shared", "shared sidereal"}) {
    std::vector<RunDescription> runs;
    for (const test::CaseLine& line : Runs(group)) runs.push_back(RunOf(line));
    auto series = [&](bool shared) {
      std::vector<RunResult> results;
      MidnightLongitudes midnights(positions, runs.front().zone, runs.front().zodiac);
      const uint64_t before = positions.Evaluations();
      Engine engine;
      for (const RunDescription& run : runs)
        results.push_back(shared ? engine.Run(run, midnights) : engine.Run(run, positions));
      return std::make_tuple(WriteCsv(results), positions.Evaluations() - before, results);
    };
    const auto alone = series(false), together = series(true);
    EXPECT_EQ(std::get<0>(together), std::get<0>(alone)) << group;
    EXPECT_LT(std::get<1>(together), std::get<1>(alone)) << group;
    EXPECT_GT(std::get<2>(together)[0].transits.size(), 20u) << group;
    if (runs.front().zodiac == Zodiac::Tropical) {  // the scan knows the tropical zodiac only
      for (const RunResult& result : std::get<2>(together)) test::ExpectIndependentlyRight(result, minutes);
    }
  }
}

// The samples are the positions at the zone's midnights, however the days move.
TEST(TransitSearch, MidnightSamplesAreThePositions) {
  const BodyPositions& positions = test::TestPositions();
  MidnightLongitudes midnights(positions, ZoneOfMinutes(-690), Zodiac::Sidereal);
  std::vector<std::pair<BodyIndex, int32_t>> asked;
  for (const test::CaseLine& c : test::ReadCases("engine/data/midnight_samples.txt"))
    asked.emplace_back(test::BodyOfText(c[0]), Day(2000, 1, 1) + std::stoi(c[1]));
  for (int pass = 0; pass < 2; ++pass) {
    const uint64_t before = positions.Evaluations();
    for (const auto& [body, day] : asked)
      EXPECT_EQ(midnights.At(body, day),
                positions.Longitude(body, LocalMidnight(day, ZoneOfMinutes(-690)).ut, Zodiac::Sidereal))
          << BodyNames[body] << " " << day;
    if (pass == 1) {
      EXPECT_EQ(positions.Evaluations() - before, asked.size());
    }
  }
  EXPECT_EQ(midnights.Kept(), asked.size());
}

// Where the data end no longitude is made up: Mars and Pluto's conjunction
// of December 2099 stays open; a one-day period knows only its own day.
TEST(TransitSearch, NothingIsMadeUpBeyondTheData) {
  Engine engine;
  const RunResult end = engine.Run(Between(Mars, Pluto, Day(2099, 10, 1), Day(2099, 12, 31)));
  ASSERT_EQ(end.transits.size(), 2u);
  const TransitRowData& open = end.transits[1].passes.at(0);
  EXPECT_TRUE(open.entry[0] && open.entry[1]);
  EXPECT_FALSE(open.minimum || open.exit[0] || open.exit[1] || open.exit[2]);

  // The great conjunction of 2020-12-21 18:21 UT lies in its own day.
  for (const int32_t day : {Day(2020, 12, 21), Day(2020, 12, 22)}) {
    const RunResult one = engine.Run(Between(Jupiter, Saturn, day, day));
    const bool exactThatDay =
        !one.transits.empty() && one.transits[0].passes[0].minimum && one.transits[0].passes[0].minimum->exact;
    EXPECT_EQ(exactThatDay, day == Day(2020, 12, 21));
  }
}

// A run cut at quiet days into two, three or four stretches hands over,
// stretch after stretch, the rows of the whole run in their places; a cut
// anywhere else splits a transit. No quiet day is found where a transit spans every
// candidate, or where a body's data end within the walk's midnights.
TEST(TransitSearch, CutAtQuietDaysTheRunIsWhole) {
  const BodyPositions& positions = test::TestPositions();
  int cuts = 0, splitElsewhere = 0;
  for (const char* group : {"reference", "overlap", "moon", "shared sidereal"}) {
    for (const test::CaseLine& line : Runs(group)) {
      SCOPED_TRACE(line.where);
      const RunDescription run = RunOf(line);
      // The run's transits and the rows' places, cut at those days.
      auto cut = [&](const std::vector<int32_t>& at, std::string& places) {
        std::vector<TransitRecord> transits;
        places.clear();
        const std::vector<RunDescription> stretches = CutRun(run, at);
        EXPECT_EQ(stretches.size(), at.size() + 1);
        EXPECT_EQ(stretches.front().startDay, run.startDay);
        EXPECT_EQ(stretches.back().endDay, run.endDay);
        for (const RunDescription& stretch : stretches) {
          Recorder recorder;
          const RunResult result = Engine().Run(stretch, positions, &recorder);
          transits.insert(transits.end(), result.transits.begin(), result.transits.end());
          if (!places.empty() && !recorder.places.empty()) places += ' ';
          places += recorder.places;
        }
        return transits;
      };
      Recorder whole;
      const RunResult all = Engine().Run(run, positions, &whole);
      std::string places;
      for (const int count : {2, 3, 4}) {
        const std::vector<int32_t> at = QuietCuts(run, positions, count);
        EXPECT_LE(at.size(), static_cast<size_t>(count - 1));
        if (at.empty()) continue;
        cuts += static_cast<int>(at.size());
        EXPECT_GT(at.front(), run.startDay);
        EXPECT_LE(at.back(), run.endDay);
        EXPECT_TRUE(std::is_sorted(at.begin(), at.end()) && std::adjacent_find(at.begin(), at.end()) == at.end());
        EXPECT_TRUE(SameTransits(cut(at, places), all.transits)) << count << " stretches";
        EXPECT_EQ(places, whole.places) << count << " stretches";
      }
      // Cut on the day after an outer orb's entry instead, a transit breaks.
      for (const TransitRecord& transit : all.transits) {
        const auto& entry = transit.passes.front().entry[0];
        if (!entry || entry->day + 1 > run.endDay) continue;
        splitElsewhere += SameTransits(cut({entry->day + 1}, places), all.transits) ? 0 : 1;
        break;
      }
    }
  }
  EXPECT_GE(cuts, 60);
  EXPECT_GE(splitElsewhere, 15);
  // Jupiter and Saturn within 15 degrees for all of 2020; Pluto's data end.
  RunDescription close = Between(Jupiter, Saturn, Day(2020, 1, 1), Day(2021, 3, 31));
  close.orbs.Set(15, 13, 11);
  EXPECT_FALSE(QuietDayNear(close, positions, Day(2020, 8, 1), 90));
  const RunDescription ending = Between(Mars, Pluto, Day(2097, 1, 1), Day(2099, 12, 31));
  EXPECT_FALSE(QuietDayNear(ending, positions, Day(2098, 6, 1), 300));
  EXPECT_TRUE(QuietCuts(ending, positions, 4).empty());
  EXPECT_TRUE(QuietDayNear(Between(Mars, Pluto, Day(2095, 1, 1), Day(2097, 12, 31)), positions, Day(2096, 6, 1), 300));
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

// The Moon as the moving body, at both ends of its data, with orbs it
// crosses within hours and outer orbs of 15 degrees, where one day ends one
// aspect's pass and begins the next one's: every pass inside the period is
// one row holding all six orb dates and its exact aspect.
TEST(TransitSearch, MoonYearsRightToTheMinuteAndComplete) {
  EachRunRightByTheScan("moon", [](Engine&, const RunDescription&, const RunResult& result) {
    std::vector<const TransitRowData*> rows;
    for (const TransitRecord& transit : result.transits) {
      EXPECT_EQ(transit.passes.size(), 1u) << "the Moon makes one pass a transit";
      for (const TransitRowData& row : transit.passes) rows.push_back(&row);
    }
    EXPECT_GT(rows.size(), 95u);
    for (size_t i = 1; i + 1 < rows.size(); ++i) {
      const TransitRowData& row = *rows[i];
      for (OrbIndex o = 0; o < 3; ++o) EXPECT_TRUE(row.entry[o] && row.exit[o]) << "row " << i << " orb " << o;
      EXPECT_TRUE(row.minimum && row.minimum->exact) << "row " << i;
      if (row.entry[0] && row.exit[0]) {
        EXPECT_LE(row.exit[0]->day - row.entry[0]->day, 3) << "row " << i;
      }
    }
  });
}

// An orb's edge at a midnight is outside the orb; an exact aspect there is
// that day's 00:00.
TEST(TransitSearch, OrbEdgesAndExactAspectsAtAMidnight) {
  const int32_t edge = Day(2020, 3, 10);
  RunDescription run = Between(Mars, Sun, Day(2020, 3, 1), Day(2020, 4, 30));
  run.world = false;
  // Mars 10 degrees east of the point at `edge`, closing one degree a day.
  StraightLines library(run.orbs.OrbRadians[0], LocalMidnight(edge, ZoneOfMinutes(0)).ut, -OrbRadiansFromDegrees(1));
  const RunResult result = Engine().Run(run, BodyPositions(library));
  ASSERT_FALSE(result.transits.empty());
  const TransitRowData& pass = result.transits[0].passes.at(0);
  ASSERT_TRUE(pass.entry[0] && pass.minimum);
  EXPECT_EQ(pass.entry[0]->day, edge);
  EXPECT_TRUE(pass.entry[0]->retrograde);
  EXPECT_TRUE(pass.minimum->exact);
  EXPECT_EQ(pass.minimum->day, edge + 10);
  EXPECT_EQ(pass.minimum->minuteOfDay, 0);
}

// Exact minutes in a named zone on the days its clocks change: the natal
// point is where the Sun stood at the instant. A day of 25 hours keeps its
// last hour, a day of 23 finds nothing twice.
TEST(TransitSearch, ExactMinutesInANamedZoneAcrossItsChanges) {
  test::WorstError minutes("exact minutes in Europe/Berlin against the ephemeris", "min");
  for (const test::CaseLine& c : test::ReadCases("engine/data/berlin_exact_minutes.txt")) {
    const int32_t day = test::DayOfText(c[0]);
    const std::vector<double> ut = test::NumbersOf(c[1]), local = test::NumbersOf(c[3]);
    const double at = day - 0.5 + (ut.at(0) + ut.at(1) / 60) / 24;
    RunDescription run = Between(Sun, Sun, day - 20, day + 20);
    run.world = false;
    run.natalLongitude = Radians(test::EphemerisDegrees(Sun, at));
    run.zone = *Zone::Named("Europe/Berlin");
    std::vector<MinimumRecord> exact;
    for (const TransitRecord& t : Engine().Run(run).transits)
      for (const TransitRowData& row : t.passes)
        if (row.minimum && row.minimum->exact) exact.push_back(*row.minimum);
    ASSERT_EQ(exact.size(), 1u) << c.where;
    const MinimumRecord& m = exact.front();
    minutes.Note(std::fabs(m.instant - Instant{at}) * 1440, 0.5 + 2e-3, c[5]);
    EXPECT_EQ(m.day, test::DayOfText(c[2])) << c.where;
    EXPECT_EQ(m.minuteOfDay, local.at(0) * 60 + local.at(1)) << c.where;
    EXPECT_EQ(m.offsetSeconds, std::stoi(c[4])) << c.where;
    EXPECT_EQ(m.zoneText, "Europe/Berlin");
  }
}

}  // namespace
}  // namespace skyloom
