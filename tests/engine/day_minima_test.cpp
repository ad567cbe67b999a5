#include "engine/day_minima.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace skyloom {
namespace {

constexpr double kArcMinute = 0.000290888;  // radians
constexpr double kSecondOfTime = 1.0 / 86400;
constexpr double kNoLimit = std::numeric_limits<double>::infinity();

// A deviation given by a formula of t, days since the day's first midnight.
class Formula : public SignedDeviation {
 public:
  Formula(std::function<double(double)> g, std::function<double(double)> slope)
      : g_(std::move(g)), slope_(std::move(slope)) {}
  double Value(double jd) override {
    ++values;
    return g_(jd - kStart);
  }
  double Slope(double jd) override {
    ++slopes;
    return slope_(jd - kStart);
  }
  // What the daily walk would hand over: the four midnights, or only the
  // day's own two where the data end.
  std::array<std::optional<double>, 4> Samples(bool ends = true) const {
    std::array<std::optional<double>, 4> s{g_(-1), g_(0), g_(1), g_(2)};
    if (!ends) s[0] = s[3] = std::nullopt;
    return s;
  }
  static constexpr double kStart = 2459000.5;
  int values = 0, slopes = 0;

 private:
  std::function<double(double)> g_, slope_;
};

// A pair near a station: the deviation turns at `turn` with curvature
// `curvature` (radians a day squared), least value `least` there.
Formula Station(double turn, double least, double curvature) {
  return Formula([=](double t) { return least + curvature / 2 * (t - turn) * (t - turn); },
                 [=](double t) { return curvature * (t - turn); });
}

// A pair passing steadily: zero at `zero`, `speed` radians a day.
Formula Passing(double zero, double speed) {
  return Formula([=](double t) { return speed * (t - zero); }, [=](double) { return speed; });
}

struct Case {
  const char* what;
  Formula deviation;
  bool ends;  // the midnights before and after the day are known
  double refineBelow;
  std::vector<double> exact;  // days after the day's first midnight
  double smallest;            // radians
  double smallestAt;          // days after the first midnight
};

// Mercury at a station turns with about 0.003 radians a day squared; two
// zeros an hour apart, or a turn half a minute of arc short of the point,
// hide between two midnights that both lie far outside a minute of arc.
TEST(FindDayMinima, FindsEveryExactAspectOfADayAndItsLeastDeviation) {
  const double c = 0.003;
  const double hour = 1.0 / 24;
  // Least value of a turn whose two zeros lie `apart` days apart.
  auto dip = [&](double apart) { return -c / 2 * (apart / 2) * (apart / 2); };
  // clang-format off
  std::vector<Case> cases = {
      {"steady pass", Passing(0.37, 0.02), true, kNoLimit, {0.37}, 0, 0.37},
      {"fast pass near the day's end", Passing(0.9999, 0.06), true, kNoLimit, {0.9999}, 0, 0.9999},
      {"zero at the next midnight belongs to the next day", Passing(1.0, 0.02), true, kNoLimit, {}, 0, 1.0},
      {"two zeros an hour apart", Station(0.5, dip(hour), c), true, kNoLimit, {0.5 - hour / 2, 0.5 + hour / 2},
       0, 0.5 - hour / 2},
      {"two zeros at the data's end", Station(0.3, dip(2 * hour), c), false, kNoLimit,
       {0.3 - hour, 0.3 + hour}, 0, 0.3 - hour},
      {"tangent pass with a small limit", Station(0.62, 0.5 * kArcMinute, c), true, 0.0, {0.62}, 0.5 * kArcMinute,
       0.62},
      {"closest approach of two minutes", Station(0.45, 2 * kArcMinute, c), true, kNoLimit, {}, 2 * kArcMinute,
       0.45},
      {"turn outside the day", Station(1.4, 0.2 * kArcMinute, c), true, kNoLimit, {}, 0.2 * kArcMinute + c / 2 * 0.16,
       1.0},
  };
  // clang-format on
  for (Case& k : cases) {
    SCOPED_TRACE(k.what);
    const DayMinima got = FindDayMinima(k.deviation, Formula::kStart, k.deviation.Samples(k.ends), k.refineBelow);
    ASSERT_EQ(got.exact.size(), k.exact.size());
    for (size_t i = 0; i < k.exact.size(); ++i)
      EXPECT_NEAR(got.exact[i] - Formula::kStart, k.exact[i], 0.1 * kSecondOfTime);
    EXPECT_NEAR(got.smallest, k.smallest, 1e-9);
    EXPECT_NEAR(got.smallestAt - Formula::kStart, k.smallestAt, 0.1 * kSecondOfTime);
    // Each instant takes a few positions, not a walk through the minutes.
    EXPECT_LE(k.deviation.values + k.deviation.slopes, 40);
  }
}

// Far from the aspect, and turning well above what is asked for, nothing
// but the day's two samples is looked at.
TEST(FindDayMinima, CostsNothingWhereNothingCanHappen) {
  Formula far = Passing(-20, 0.01);
  DayMinima got = FindDayMinima(far, Formula::kStart, far.Samples(), kNoLimit);
  EXPECT_TRUE(got.exact.empty());
  EXPECT_EQ(far.values + far.slopes, 0);
  EXPECT_NEAR(got.smallest, 0.01 * 20, 1e-12);

  Formula turning = Station(0.5, 20 * kArcMinute, 0.003);
  got = FindDayMinima(turning, Formula::kStart, turning.Samples(), 5 * kArcMinute);
  EXPECT_TRUE(got.exact.empty());
  EXPECT_EQ(turning.values + turning.slopes, 0);
}

// A deviation that dips through zero and back between two midnights of one
// sign, in a shape the midnights' cubic cannot see: without the day's reach
// nothing is found; with it, the sub-steps bracket both zeros. A Moon-like
// pass that ends just after the day is cleared in a few positions.
TEST(FindDayMinima, SwiftDaysSearchedInSubSteps) {
  const double width = 0.1, depth = 0.3, level = 0.1;
  auto bump = [=](double t) { return std::exp(-(t - 0.5) * (t - 0.5) / (width * width)); };
  auto dipping = [&] {
    return Formula([=](double t) { return level - depth * bump(t); },
                   [=](double t) { return depth * bump(t) * 2 * (t - 0.5) / (width * width); });
  };
  // Its steepest slope is 2.57 radians a day.
  const double reach = 3.0;
  const double half = width * std::sqrt(std::log(depth / level));

  Formula unseen = dipping();
  EXPECT_TRUE(FindDayMinima(unseen, Formula::kStart, unseen.Samples(), 5 * kArcMinute).exact.empty());

  Formula seen = dipping();
  const DayMinima got = FindDayMinima(seen, Formula::kStart, seen.Samples(), 5 * kArcMinute, reach);
  ASSERT_EQ(got.exact.size(), 2u);
  EXPECT_NEAR(got.exact[0] - Formula::kStart, 0.5 - half, 0.1 * kSecondOfTime);
  EXPECT_NEAR(got.exact[1] - Formula::kStart, 0.5 + half, 0.1 * kSecondOfTime);
  EXPECT_EQ(got.smallest, 0);

  // The Moon, 13 degrees a day, reaching the point 1.2 hours after the day.
  const double moon = 0.23, moonReach = 16.0 / 360 * 6.283185307179586;
  Formula after = Passing(1.05, moon);
  const DayMinima clear = FindDayMinima(after, Formula::kStart, after.Samples(), kNoLimit, moonReach);
  EXPECT_TRUE(clear.exact.empty());
  EXPECT_NEAR(clear.smallest, moon * 0.05, 1e-12);
  EXPECT_LE(after.values + after.slopes, 4);
  // A planet's reach leaves the day to the cubic, as before.
  Formula slow = dipping();
  EXPECT_TRUE(FindDayMinima(slow, Formula::kStart, slow.Samples(), 5 * kArcMinute, 0.06).exact.empty());
}

}  // namespace
}  // namespace skyloom
