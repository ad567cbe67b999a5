// The root finder on functions whose zeros are known in closed form, on
// brackets that end at a zero and on brackets that hold none.
#include "engine/roots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>

namespace skyloom {
namespace {

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

}  // namespace
}  // namespace skyloom
