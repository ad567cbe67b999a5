#include "engine/exact_time.h"

#include <gtest/gtest.h>

#include "engine/midnight_longitudes.h"
#include "engine/positions.h"
#include "support/case_file.h"
#include "support/engine_setup.h"

namespace skyloom {
namespace {

using test::Day;

TEST(FormatAngle, DegreesAndMinutes) {
  for (const test::CaseLine& c : test::ReadCases("engine/data/angle_texts.txt")) {
    const double degrees = test::DegreesOf(c[0]);
    const double radians = c[0].ends_with(" rad") ? degrees : degrees / 360 * TwoPi;
    EXPECT_EQ(FormatAngle(radians), c.fields.size() > 1 ? c[1] : "") << c.where;
  }
}

// The mark is the first body's at the midnight ending the record's date.
TEST(ExactMinimum, MarksTheFirstBodyAtTheMidnightEndingTheDate) {
  RunDescription run;
  run.bodies = {Mars, Jupiter};
  MidnightLongitudes midnights(test::TestPositions(), run.zone, run.zodiac);
  const auto noon = [](int32_t day) { return Instant{LocalMidnight(day, Zone{}).ut + 0.5}; };
  const int32_t retrograde = Day(2020, 10, 1);
  EXPECT_TRUE(ExactMinimum(run, midnights, noon(retrograde - 1)).retrograde);
  EXPECT_FALSE(ExactMinimum(run, midnights, noon(Day(2020, 8, 1) - 1)).retrograde);
  EXPECT_TRUE(ClosestApproach(run, midnights, 0.01, noon(retrograde - 1)).retrograde);
}

}  // namespace
}  // namespace skyloom
