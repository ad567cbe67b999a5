#include "support/worst_error.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
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

// Beyond the tolerance, any non-finite error, and no value at all fail;
// past the first five failures they are counted, not told one by one. The
// worst told is the largest share of its own tolerance.
TEST(WorstError, FailsBeyondTheToleranceTellsTheWorstAndAnglesApart) {
  using Texts = std::vector<std::string>;
  // Angles not finite are apart by no number.
  EXPECT_EQ(Failures({{ArcsecondsApart(NAN, 1.0), 1.0}, {ArcsecondsApart(1.0, INFINITY), 1.0}}),
            (Texts{"Failed\nt: d0: off by nan s (tolerance 1 s)", "Failed\nt: d1: off by nan s (tolerance 1 s)"}));
  EXPECT_EQ(Failures({{-INFINITY, 1.0}}), Texts{"Failed\nt: d0: off by inf s (tolerance 1 s)"});
  EXPECT_EQ(Failures({{0.5, 1.0}, {-1.5, 1.0}, {-1.0, 1.0}}), Texts{"Failed\nt: d1: off by 1.5 s (tolerance 1 s)"});
  EXPECT_EQ(Failures({}), Texts{"Failed\nt: no value was compared"});
  const Texts seven = Failures(std::vector(7, std::pair{2.0, 1.0}));
  ASSERT_EQ(seven.size(), 6u);
  EXPECT_EQ(seven[4], "Failed\nt: d4: off by 2 s (tolerance 1 s)");
  EXPECT_EQ(seven[5], "Failed\nt: 7 errors beyond their tolerance");
  WorstError worst("t", "arcsec");
  for (const auto& [error, tolerance, where] : {std::tuple{-0.9, 1.0, "near"}, {2.5, 30.0, "far"}, {0.004, 0.01, ""}})
    EXPECT_TRUE(worst.Note(error, tolerance, where));
  EXPECT_EQ(worst.Summary(), "0.9 arcsec of 1 arcsec tolerance (near)");
  // The short way round the circle.
  for (const auto& [a, b, arcseconds] :
       {std::tuple{359.999, 0.001, 7.2}, {0.001, 359.999, 7.2}, {10.0, 190.0, 648000.0}})
    EXPECT_NEAR(ArcsecondsApart(a, b), arcseconds, 1e-6) << a << " " << b;
}

}  // namespace
}  // namespace skyloom::test
