#include "support/worst_error.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace skyloom::test {
namespace {

// The failures a table "t" of these errors and tolerances makes, the error
// at k noted where "d<k>".
std::vector<std::string> Failures(const std::vector<std::pair<double, double>>& notes) {
  ::testing::TestPartResultArray failures;
  {
    const ::testing::ScopedFakeTestPartResultReporter intercept(&failures);
    WorstError worst("t", "s");
    for (std::size_t k = 0; k < notes.size(); ++k) worst.Note(notes[k].first, notes[k].second, "d" + std::to_string(k));
  }
  std::vector<std::string> texts;
  for (int i = 0; i < failures.size(); ++i) texts.emplace_back(failures.GetTestPartResult(i).message());
  return texts;
}

TEST(WorstError, FailsBeyondTheToleranceAndOnAnyNonFiniteError) {
  using Texts = std::vector<std::string>;
  EXPECT_EQ(Failures({{NAN, 1.0}}), Texts{"Failed\nt: d0: off by nan s (tolerance 1 s)"});
  EXPECT_EQ(Failures({{-INFINITY, 1.0}}), Texts{"Failed\nt: d0: off by inf s (tolerance 1 s)"});
  EXPECT_EQ(Failures({{0.5, 1.0}, {-1.5, 1.0}, {-1.0, 1.0}}), Texts{"Failed\nt: d1: off by 1.5 s (tolerance 1 s)"});
  EXPECT_EQ(Failures({}), Texts{"Failed\nt: no value was compared"});
  // Past the first five the failures are counted, not told one by one.
  const Texts seven = Failures(std::vector(7, std::pair{2.0, 1.0}));
  ASSERT_EQ(seven.size(), 6u);
  EXPECT_EQ(seven[4], "Failed\nt: d4: off by 2 s (tolerance 1 s)");
  EXPECT_EQ(seven[5], "Failed\nt: 7 errors beyond their tolerance");
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
