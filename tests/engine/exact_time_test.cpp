#include "engine/exact_time.h"

#include <gtest/gtest.h>

#include "engine/midnight_longitudes.h"
#include "support/case_file.h"
#include "support/engine_setup.h"

namespace skyloom {
namespace {

TEST(FormatAngle, DegreesAndMinutes) {
  for (const test::CaseLine& c : test::ReadCases("engine/data/angle_texts.txt")) {
    const double degrees = test::DegreesOf(c[0]);
    const double radians = c[0].ends_with(" rad") ? degrees : degrees / 360 * TwoPi;
    EXPECT_EQ(FormatAngle(radians), c.fields.size() > 1 ? c[1] : "") << c.where;
  }
}

// An exact minute's mark is its first body's at the midnight ending its date:
// Mars turned retrograde late on 2020-09-09 (direct at its midnight in
// Greenwich, retrograde at the next).
TEST(ExactMinimum, MarksAtTheMidnightEndingTheDate) {
  RunDescription run;
  run.bodies = {Mars, Jupiter};
  run.zone = Zone::Fixed(0, "GMT");
  MidnightLongitudes midnights(test::TestPositions(), run.zone, run.zodiac);
  const Instant noon{static_cast<double>(test::Day(2020, 9, 9))};
  EXPECT_TRUE(ExactMinimum(run, midnights, noon).retrograde);
  EXPECT_TRUE(ClosestApproach(run, midnights, 0.01, noon).retrograde);
  EXPECT_FALSE(ExactMinimum(run, midnights, Instant{noon.ut - 1}).retrograde);
}

}  // namespace
}  // namespace skyloom
