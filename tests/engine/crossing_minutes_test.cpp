// A run whose results go to no file leaves out the minutes its orbs are
// crossed, and nothing else: every date, mark and minimum stays as it is.
#include <gtest/gtest.h>

#include "engine/transit_search.h"
#include "support/engine_setup.h"
#include "support/transit_runs.h"

namespace skyloom {
namespace {

TEST(CrossingMinutes, LeftOutTheyChangeNothingElse) {
  test::InitEngineOnce();
  struct Case {
    const char* what;
    RunDescription run;
  };
  auto world = [](BodyIndex a, BodyIndex b, Zone zone) {
    RunDescription run;
    run.bodies = {a, b};
    run.orbs.Set(10, 6, 2);
    run.startDay = test::Day(2024, 1, 1);
    run.endDay = test::Day(2024, 12, 31);
    run.zone = std::move(zone);
    return run;
  };
  RunDescription personal = world(Mercury, Sun, *Zone::Named("America/New_York"));
  personal.world = false;
  personal.natalLongitude = 1.234;
  const Case cases[] = {{"Sun-Mars, GMT", world(Sun, Mars, Zone::Fixed(0, "GMT"))},
                        {"Mars-Saturn, Berlin", world(Mars, Saturn, *Zone::Named("Europe/Berlin"))},
                        {"Moon-Venus, GMT+5:30", world(Moon, Venus, Zone::Fixed(19800, "GMT+5:30"))},
                        {"Mercury to a natal point, New York", personal}};
  for (const Case& c : cases) {
    RunResult results[2];
    for (const bool minutes : {true, false}) {
      RunDescription run = c.run;
      run.crossingMinutes = minutes;
      TransitTable table;
      table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
      results[minutes ? 0 : 1] = ResultOf(run);
      test::TakeEverything observer;
      ASSERT_EQ(SearchTransits(run, test::TestPositions(), table, results[minutes ? 0 : 1], observer),
                RunEnd::Completed);
    }
    int withMinute = 0;
    for (TransitRecord& transit : results[0].transits)
      for (TransitRowData& row : transit.passes)
        for (auto* marks : {&row.entry, &row.exit})
          for (std::optional<DateMark>& mark : *marks)
            if (mark && mark->crossing) {
              ++withMinute;
              mark->crossing.reset();
            }
    EXPECT_GT(withMinute, 4) << c.what;
    EXPECT_TRUE(test::SameTransits(results[0].transits, results[1].transits)) << c.what;
  }
}

}  // namespace
}  // namespace skyloom
