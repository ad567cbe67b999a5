#include "engine/exact_time.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace skyloom
