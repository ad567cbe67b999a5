// The root finder on functions whose zeros are known in closed form, on
// brackets that end at a zero and on brackets that hold none.
#include "engine/roots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "support/case_file.h"
#include "support/engine_setup.h"

namespace skyloom {
namespace {

// The clock's rounding edges, at every half minute: of minutes, and of days.
double Edge(double minutes) { return std::floor(minutes) + 0.5; }
double EdgeDays(double days) { return Edge(days * 1440) / 1440; }

struct RootCase {
  const char* what;
  std::function<double(double)> f;
  double a, b;
  std::optional<double> root;  // nullopt: none to be found
  double tolerance = 1e-9;     // the accuracy asked for
};

TEST(BracketedRoot, FindsTheZeroOfEachBracket) {
  // A zero that no interpolation hits exactly, found coarsely and finely.
  auto atan = [](double x) { return std::atan(50 * (x - 0.123456789)); };
  const RootCase cases[] = {
      {"line", [](double x) { return 2 * x - 1; }, 0, 3, 0.5},
      {"falling line", [](double x) { return 1 - x; }, -4, 2, 1.0},
      {"cubic with a flat zero", [](double x) { return std::pow(x - 0.3, 3); }, 0, 1, 0.3},
      {"sine", [](double x) { return std::sin(x); }, 2, 4, std::numbers::pi},
      {"steep then flat", [](double x) { return std::exp(x) - 1e6; }, 0, 20, std::log(1e6)},
      {"zero at the start", [](double x) { return x * x - 1; }, 1, 5, 1.0},
      {"zero at the end", [](double x) { return x - 2; }, -1, 2, 2.0},
      {"step", [](double x) { return x < 0.7 ? -1.0 : 1.0; }, 0, 1, 0.7},
      {"flat at zero", [](double) { return 0.0; }, 3, 4, 3.0},
      {"flat above zero", [](double) { return 2.0; }, 3, 4, std::nullopt},
      {"two zeros, no change of sign", [](double x) { return (x - 1) * (x - 2); }, 0, 3, std::nullopt},
      {"no zero", [](double x) { return x * x + 1; }, -1, 1, std::nullopt},
      {"arc tangent to 1e-3", atan, 0, 1, 0.123456789, 1e-3},
      {"arc tangent to 1e-6", atan, 0, 1, 0.123456789, 1e-6},
      {"arc tangent to 1e-10", atan, 0, 1, 0.123456789, 1e-10},
  };
  for (const RootCase& c : cases) {
    int calls = 0;
    auto counted = [&](double x) {
      ++calls;
      EXPECT_TRUE(x >= std::min(c.a, c.b) && x <= std::max(c.a, c.b)) << c.what << " left the bracket at " << x;
      return c.f(x);
    };
    const std::optional<double> found = BracketedRoot(counted, c.a, c.b, c.f(c.a), c.f(c.b), c.tolerance);
    ASSERT_EQ(found.has_value(), c.root.has_value()) << c.what;
    if (!c.root) continue;
    EXPECT_NEAR(*found, *c.root, c.tolerance) << c.what;
    // Never worse than bisection by much.
    EXPECT_LE(calls, 2 * 40) << c.what;
  }
}

// A zero a hair either side of an edge (minutes as the unit), on a bent line
// whose first bisection lands on the edge itself, where the iterates then
// stay: the zero found is in the minute that holds the true one.
TEST(BracketedRoot, KeepsAZeroOnItsSideOfAnEdgeItLandsOn) {
  for (const double gap : {-1e-3, -1e-5, -1e-9, -1e-11, 1e-11, 1e-9, 1e-5, 1e-3}) {
    const double root = 600.5 + gap, before = 1 / (root - 600), after = 1 / (601 - root);
    auto f = [&](double t) { return (t - root) * (t < root ? before : after); };
    const std::optional<double> found = BracketedRoot(f, 600, 601, f(600), f(601), 1e-3, Edge);
    ASSERT_TRUE(found.has_value()) << gap;
    EXPECT_EQ(std::lround(*found), gap < 0 ? 600 : 601) << gap;
  }
}

// The fitted lines of fitted_root_minutes.txt: a minute told or left.
TEST(FittedRootMinute, TellsTheMinuteOrLeavesIt) {
  for (const test::CaseLine& c : test::ReadCases("engine/data/fitted_root_minutes.txt")) {
    const std::vector<double> terms = test::NumbersOf(c[1]);
    const double root = terms.at(0) + (terms.size() > 1 ? terms[1] : 0.0), error = std::stod(c[2]);
    const double bound = std::stod(c[3]), flatter = c.fields.size() > 6 ? std::stod(c[6]) : 1.0;
    int positions = 0;
    // The finder's clock is in days: a minute is 1/1440.
    auto line = [&](double t) { return (t * 1440 - root) * (t * 1440 > root ? flatter : 1.0); };
    auto f = [&](double t) { return ++positions, line(t); };
    auto fitted = [&](double t, double& told) { return told = bound, line(t) + error; };
    const std::optional<double> at = FittedRootMinute(fitted, 0, 1, f(0), f(1), EdgeDays, f);
    EXPECT_EQ(at.has_value(), c[4] == "yes") << c.where;
    EXPECT_EQ(positions - 2, std::stoi(c[5])) << c.where;
    if (at) {
      EXPECT_EQ(std::lround(*at * 1440), std::lround(root)) << c.where;
    }
  }
}

// The minute of a line's zero from a guess, against BracketedRoot's own.
TEST(RootMinuteNear, TellsBracketedRootsMinuteFromAGuess) {
  for (const test::CaseLine& c : test::ReadCases("engine/data/root_minutes_near.txt")) {
    const double root = std::stod(c[1]), guess = std::stod(c[2]);
    for (const double steeper : {1.0, 3.0}) {
      int values = 0;
      auto line = [&](double t) { return (t - root) * (t > root ? steeper : 1.0); };
      auto f = [&](double t) { return ++values, line(t * 1440); };
      // The slope per day, as a share of the line's.
      const double slope = c.fields.size() > 4 ? std::stod(c[4]) * 1440 : std::nan("");
      const double at = RootMinuteNear(f, 0, 1, line(0), line(1440), guess / 1440, EdgeDays, slope);
      const int taken = values;
      const std::optional<double> brent = BracketedRoot(f, 0, 1, line(0), line(1440), 1e-6, EdgeDays);
      ASSERT_TRUE(brent.has_value()) << c.where;
      EXPECT_EQ(std::lround(at * 1440), std::lround(*brent * 1440)) << c.where;
      EXPECT_EQ(std::lround(at * 1440), std::lround(root)) << c.where;
      EXPECT_LE(taken, std::stoi(c[3])) << c.where;
    }
  }
}

}  // namespace
}  // namespace skyloom
