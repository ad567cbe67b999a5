// Every minute a run prints holds its event: straight from the library, the
// pair stands either side of the orb or aspect half a minute around it.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/transit_search.h"
#include "support/case_file.h"
#include "support/engine_setup.h"
#include "support/independent.h"
#include "support/transit_runs.h"

namespace skyloom {
namespace {

double Wrapped(double degrees) { return std::remainder(degrees, 360.0); }

TEST(MinuteEdges, EveryMinuteHoldsItsEvent) {
  test::InitEngineOnce();
  for (const test::CaseLine& c : test::ReadCases("engine/data/minute_edges.txt")) {
    RunDescription run;
    run.bodies = {BodyByName(c[0]), BodyByName(c[1])};
    const std::vector<double> orbs = test::NumbersOf(c[2]);
    run.orbs.Set(orbs[0], orbs[1], orbs[2]);
    run.startDay = test::DayOfText(c[3]);
    run.endDay = test::DayOfText(c[4]);
    run.zone = Zone::Fixed(0, "GMT");
    TransitTable table;
    table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
    RunResult result = ResultOf(run);
    test::TakeEverything observer;
    ASSERT_EQ(SearchTransits(run, test::TestPositions(), table, result, observer), RunEnd::Completed) << c.where;

    // The first body's lead over the second, in (-180, 180].
    auto lead = [&](double jd) {
      return Wrapped(test::EphemerisDegrees(run.bodies[0], jd) - test::EphemerisDegrees(run.bodies[1], jd));
    };
    const double halfMinute = 30.0 / 86400;
    auto holds = [&](double minute, const std::function<double(double)>& f) {
      return std::signbit(f(minute - halfMinute)) != std::signbit(f(minute + halfMinute));
    };
    int minutes = 0;
    for (const TransitRecord& transit : result.transits) {
      const double angle = AspectTable[transit.aspect].Angle * 180 / Pi;
      for (const TransitRowData& row : transit.passes) {
        for (OrbIndex o = 0; o < 3; ++o) {
          for (const auto& mark : {row.entry[o], row.exit[o]}) {
            if (!mark || !mark->crossing) continue;
            ++minutes;
            const double at = InstantOf(*mark->crossing).ut;
            EXPECT_TRUE(holds(at, [&](double jd) { return std::fabs(std::fabs(lead(jd)) - angle) - orbs[o]; }))
                << c.where << ": orb " << orbs[o] << " of " << AspectTable[transit.aspect].Name << " at " << at;
          }
        }
        if (row.minimum && row.minimum->exact) {
          ++minutes;
          const double at = row.minimum->instant.ut;
          const double side = lead(at) >= 0 ? 1 : -1;
          EXPECT_TRUE(holds(at, [&](double jd) { return Wrapped(lead(jd) - side * angle); }))
              << c.where << ": exact " << AspectTable[transit.aspect].Name << " at " << at;
        }
      }
    }
    EXPECT_GT(minutes, 3) << c.where;
  }
}

}  // namespace
}  // namespace skyloom
