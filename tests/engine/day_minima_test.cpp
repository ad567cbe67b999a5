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
  // The four midnights, or the day's own two where the data end.
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

// A deviation turning twice within the day, back and forth through zero
// three times: zeros at 0.5 and 0.5 +- 0.2 sqrt(3), turns at 0.3 and 0.7.
Formula Wavering() {
  return Formula([](double t) { return (t - 0.5) * (t - 0.5) * (t - 0.5) - 0.12 * (t - 0.5); },
                 [](double t) { return 3 * (t - 0.5) * (t - 0.5) - 0.12; });
}

// A dip through zero and back between two midnights of one sign, which the
// midnights' cubic cannot see; its steepest slope 2.57 radians a day.
Formula Dipping() {
  constexpr double width = 0.1, depth = 0.3, level = 0.1;
  auto bump = [=](double t) { return std::exp(-(t - 0.5) * (t - 0.5) / (width * width)); };
  return Formula([=](double t) { return level - depth * bump(t); },
                 [=](double t) { return depth * bump(t) * 2 * (t - 0.5) / (width * width); });
}

struct Case {
  const char* what;
  Formula deviation;
  bool ends;  // the midnights before and after the day are known
  double refineBelow, reach;
  std::vector<double> exact;  // days after the day's first midnight
  double smallest;            // radians; NaN where the day's least size is left open
  double smallestAt;          // days after the first midnight
  int positions;              // at most
};

// Mercury at a station turns with about 0.003 radians a day squared: two
// zeros an hour apart hide between midnights far outside the orb. Far from
// the aspect only the day's samples are looked at; a dip between midnights
// is seen only with a swift body's reach.
TEST(FindDayMinima, FindsEveryExactAspectOfADayAndItsLeastDeviation) {
  const double c = 0.003;
  const double hour = 1.0 / 24;
  const double open = std::nan("");
  // Least value of a turn whose two zeros lie `apart` days apart.
  auto dip = [&](double apart) { return -c / 2 * (apart / 2) * (apart / 2); };
  const double half = 0.1 * std::sqrt(std::log(3.0));
  const double sqrt3 = std::sqrt(3.0);
  const double moon = 0.23, moonReach = 16.0 / 360 * 6.283185307179586;
  // clang-format off
  std::vector<Case> cases = {
      {"steady pass", Passing(0.37, 0.02), true, kNoLimit, 0, {0.37}, 0, 0.37, 40},
      {"fast pass near the day's end", Passing(0.9999, 0.06), true, kNoLimit, 0, {0.9999}, 0, 0.9999, 40},
      {"zero at the next midnight belongs to the next day", Passing(1.0, 0.02), true, kNoLimit, 0, {}, 0, 1.0, 40},
      {"two zeros an hour apart", Station(0.5, dip(hour), c), true, kNoLimit, 0, {0.5 - hour / 2, 0.5 + hour / 2},
       0, 0.5 - hour / 2, 40},
      {"two zeros at the data's end", Station(0.3, dip(2 * hour), c), false, kNoLimit, 0,
       {0.3 - hour, 0.3 + hour}, 0, 0.3 - hour, 40},
      {"tangent pass with a small limit", Station(0.62, 0.5 * kArcMinute, c), true, 0.0, 0, {0.62},
       0.5 * kArcMinute, 0.62, 40},
      {"closest approach of two minutes", Station(0.45, 2 * kArcMinute, c), true, kNoLimit, 0, {}, 2 * kArcMinute,
       0.45, 40},
      {"turn outside the day", Station(1.4, 0.2 * kArcMinute, c), true, kNoLimit, 0, {},
       0.2 * kArcMinute + c / 2 * 0.16, 1.0, 40},
      {"far from the aspect", Passing(-20, 0.01), true, kNoLimit, 0, {}, 0.01 * 20, 0, 0},
      {"turning well above the limit", Station(0.5, 20 * kArcMinute, c), true, 5 * kArcMinute, 0, {}, open, 0, 0},
      {"a dip without the day's reach", Dipping(), true, 5 * kArcMinute, 0, {}, open, 0, 40},
      {"a dip in sub-steps", Dipping(), true, 5 * kArcMinute, 3.0, {0.5 - half, 0.5 + half}, 0, 0.5 - half, 400},
      {"a dip with a planet's reach", Dipping(), true, 5 * kArcMinute, 0.06, {}, open, 0, 40},
      {"three zeros around two turns", Wavering(), true, kNoLimit, 0, {0.5 - 0.2 * sqrt3, 0.5, 0.5 + 0.2 * sqrt3}, 0,
       0.5 - 0.2 * sqrt3, 40},
      {"the Moon reaching the point after the day", Passing(1.05, moon), true, kNoLimit, moonReach, {},
       moon * 0.05, 1.0, 4},
  };
  // clang-format on
  for (Case& k : cases) {
    SCOPED_TRACE(k.what);
    const DayMinima got =
        FindDayMinima(k.deviation, Formula::kStart, k.deviation.Samples(k.ends), k.refineBelow, k.reach);
    ASSERT_EQ(got.exact.size(), k.exact.size());
    for (size_t i = 0; i < k.exact.size(); ++i)
      EXPECT_NEAR(got.exact[i] - Formula::kStart, k.exact[i], 0.1 * kSecondOfTime);
    if (!std::isnan(k.smallest)) {
      EXPECT_NEAR(got.smallest, k.smallest, 1e-9);
      EXPECT_NEAR(got.smallestAt - Formula::kStart, k.smallestAt, 0.1 * kSecondOfTime);
    }
    // Each instant takes a few positions, not a walk through the minutes.
    EXPECT_LE(k.deviation.values + k.deviation.slopes, k.positions);
  }
}

// A clock whose minute changes at every half minute of the day (the
// nearest minute), as a report tells an instant.
class Clocked : public Formula {
 public:
  explicit Clocked(Formula formula) : Formula(std::move(formula)) {}
  double MinuteEdge(double jd) override {
    return kStart + (std::nearbyint((jd - kStart) * 1440 - 0.5) + 0.5) / 1440;
  }
  // The minute of the day that holds jd.
  static long Minute(double jd) { return std::lround((jd - kStart) * 1440); }
};

// Samples known only within `bound` of the true ones: the one zero of the
// day, where their signs and the deviation's steady motion are sure, lies
// in the minute that the day's search with true samples finds, whatever
// way each sample strays; elsewhere the day is left to that search.
TEST(ZeroOfTheDay, TheMinuteTheTrueSamplesFind) {
  const double bound = 1e-4;  // 20"
  const double edge = (600 + 0.5) / 1440;  // 10:00:30
  struct Case {
    const char* what;
    Formula deviation;
    int found;  // of the 16 ways the samples stray
  };
  // clang-format off
  const Case cases[] = {
      {"steady pass", Passing(0.37, 0.02), 16},
      {"Mercury passing the Sun, swift", Passing(0.81, 0.05), 16},
      {"a hundredth of a second after a minute's edge", Passing(edge + 0.01 * kSecondOfTime, 0.02), 16},
      {"a hundredth of a second before it", Passing(edge - 0.01 * kSecondOfTime, 0.02), 16},
      // The slope of the samples' cubic strays by up to twice what they do.
      {"a pass just swift enough", Passing(0.5, 12.5 * bound), 16},
      {"a pass too slow to be sure it does not turn", Passing(0.5, 7.5 * bound), 0},
      // Within the bound of a midnight, the sign is sure only where the
      // sample strays away from zero.
      {"zero too near the first midnight to tell its sign", Passing(0.004, 0.02), 8},
      {"zero too near the second midnight", Passing(0.996, 0.02), 8},
      {"zero at the next midnight", Passing(1.0, 0.02), 0},
      {"no zero: a closest approach", Station(0.45, 2 * kArcMinute, 0.003), 0},
      {"three zeros around two turns", Wavering(), 0},
  };
  // clang-format on
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Clocked truth(k.deviation);
    const DayMinima day = FindDayMinima(truth, Formula::kStart, truth.Samples(), kNoLimit);
    // Each sample strayed up or down by nearly the bound: all 16 ways.
    int found = 0;
    for (int way = 0; way < 16; ++way) {
      SCOPED_TRACE(way);
      Clocked fitted(k.deviation);
      std::array<double, 4> samples{}, bounds{};
      for (int i = 0; i < 4; ++i) {
        samples[i] = *fitted.Samples()[i] + ((way >> i & 1) != 0 ? 0.99 : -0.99) * bound;
        bounds[i] = bound;
      }
      const std::optional<double> zero = ZeroOfTheDay(fitted, Formula::kStart, samples, bounds);
      if (!zero) continue;
      ++found;
      ASSERT_EQ(day.exact.size(), 1u);
      EXPECT_EQ(Clocked::Minute(*zero), Clocked::Minute(day.exact.front()));
      // The edges around the minute, and a few more where the guess strays.
      EXPECT_LE(fitted.values, 8);
      EXPECT_EQ(fitted.slopes, 0);
    }
    EXPECT_EQ(found, k.found);
  }
}

}  // namespace
}  // namespace skyloom
