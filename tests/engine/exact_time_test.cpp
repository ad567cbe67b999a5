#include "engine/exact_time.h"

#include <gtest/gtest.h>

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

TEST(RetroState, MarksTheFirstBodyUnlessTheRunLeavesMarksOut) {
  RunDescription run;
  run.bodies = {Mars, Jupiter};
  const int32_t retrograde = Day(2020, 10, 1);
  EXPECT_TRUE(RetroState(run, test::TestPositions(), retrograde));
  EXPECT_FALSE(RetroState(run, test::TestPositions(), Day(2020, 8, 1)));
  run.retrogradeMarks = false;
  EXPECT_FALSE(RetroState(run, test::TestPositions(), retrograde));
}

}  // namespace
}  // namespace skyloom
