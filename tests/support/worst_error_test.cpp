#include "support/worst_error.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace skyloom::test {
namespace {

TEST(WorstError, FailsBeyondTheToleranceAndOnAnyNonFiniteError) {
  EXPECT_NONFATAL_FAILURE(
      {
        WorstError worst("t", "s");
        worst.Note(NAN, 1.0, "a");
      },
      "t: a: off by nan s");
  EXPECT_NONFATAL_FAILURE(
      {
        WorstError worst("t", "s");
        worst.Note(-INFINITY, 1.0, "b");
      },
      "t: b: off by inf s");
  EXPECT_NONFATAL_FAILURE(
      {
        WorstError worst("t", "s");
        worst.Note(-1.5, 1.0, "c");
      },
      "t: c: off by 1.5 s (tolerance 1 s)");
  EXPECT_NONFATAL_FAILURE({ WorstError worst("t", "s"); }, "t: no value was compared");
  // Past the first five the failures are counted, not told one by one.
  ::testing::TestPartResultArray failures;
  {
    const ::testing::ScopedFakeTestPartResultReporter intercept(&failures);
    WorstError worst("t", "s");
    for (int k = 0; k < 7; ++k) worst.Note(2.0, 1.0, "d" + std::to_string(k));
  }
  ASSERT_EQ(failures.size(), 6);
  EXPECT_EQ(std::string(failures.GetTestPartResult(4).message()), "Failed\nt: d4: off by 2 s (tolerance 1 s)");
  EXPECT_EQ(std::string(failures.GetTestPartResult(5).message()), "Failed\nt: 7 errors beyond their tolerance");
}

TEST(WorstError, TheWorstIsTheLargestShareOfItsTolerance) {
  WorstError worst("t", "arcsec");
  EXPECT_TRUE(worst.Note(-0.9, 1.0, "near its tolerance"));
  EXPECT_TRUE(worst.Note(2.5, 30.0, "large but far inside"));
  EXPECT_TRUE(worst.Note(0.004, 0.01, "small"));
  EXPECT_EQ(worst.Summary(), "0.9 arcsec of 1 arcsec tolerance (near its tolerance)");
}

TEST(WorstError, AnglesApartTheShortWayRound) {
  EXPECT_NEAR(ArcsecondsApart(359.999, 0.001), 7.2, 1e-6);
  EXPECT_NEAR(ArcsecondsApart(0.001, 359.999), 7.2, 1e-6);
  EXPECT_NEAR(ArcsecondsApart(10.0, 190.0), 180 * 3600.0, 1e-6);
  EXPECT_FALSE(std::isfinite(ArcsecondsApart(NAN, 1.0)));
  EXPECT_FALSE(std::isfinite(ArcsecondsApart(1.0, INFINITY)));
}

}  // namespace
}  // namespace skyloom::test
