// Lunations, eclipses and the void-of-course Moon against Swiss Ephemeris
// asked directly and scanned densely, and published times of greatest eclipse.
#include <gtest/gtest.h>
#include <swephexp.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/eclipses.h"
#include "engine/lunations.h"
#include "engine/void_of_course.h"
#include "ports/ephemeris.h"
#include "support/angle_check.h"
#include "support/case_file.h"
#include "support/engine_setup.h"
#include "support/independent.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

using test::Day;
using test::EphemerisDegrees;
using test::WrappedDifferenceDegrees;

constexpr double kMinute = 1.0 / 1440.0;

// The instants at which f, a growing difference in degrees, passes zero upwards.
template <typename F>
std::vector<double> ScanUpward(F f, double from, double to) {
  std::vector<double> zeros;
  for (const test::KeyChange& c : test::ScanChanges([&](double t) { return f(t) >= 0 ? 1 : 0; }, from, to))
    if (c.after == 1) zeros.push_back(c.at);
  return zeros;
}

// The nearest whole minute (every zone here is a whole number of minutes).
double NearestMinute(double jd) { return std::floor((jd + 0.5) * 1440.0 + 0.5) / 1440.0 - 0.5; }

struct Period {
  int32_t year, month, zoneMinutes;
};
// Across the Moon's data, zones either side of Greenwich.
const Period kPeriods[] = {{1600, 1, 0},    {1648, 7, 330}, {1777, 3, -300}, {1899, 12, 600},
                           {2000, 2, -570}, {2024, 5, 60},  {2061, 8, -720}, {2099, 10, 840}};

TEST(Lunations, EveryOneAgainstADenseScanOfTheElongation) {
  test::WorstError worst("lunation minutes", "min");
  for (const Period& p : kPeriods) {
    const Zone zone = ZoneOfMinutes(p.zoneMinutes);
    const int32_t first = Day(p.year, p.month, 1), last = first + 88;
    const std::vector<Lunation> found = FindLunations(test::TestPositions(), first, last, zone, Zodiac::Tropical);
    std::vector<std::pair<double, LunationKind>> want;
    const double from = LocalMidnight(first, zone).ut, to = LocalMidnight(last + 1, zone).ut;
    for (const auto kind : {LunationKind::NewMoon, LunationKind::FullMoon}) {
      const double target = kind == LunationKind::NewMoon ? 0 : 180;
      auto elongation = [&](double t) {
        return WrappedDifferenceDegrees(EphemerisDegrees(Moon, t) - EphemerisDegrees(Sun, t), target);
      };
      // Those whose minute rounds into the period, as the program's do.
      for (const double t : ScanUpward(elongation, from - 0.1, to + 0.1))
        if (NearestMinute(t) >= from && NearestMinute(t) < to) want.push_back({t, kind});
    }
    std::sort(want.begin(), want.end());
    const std::string where = std::to_string(p.year) + "-" + std::to_string(p.month);
    ASSERT_EQ(found.size(), want.size()) << where;
    for (size_t k = 0; k < found.size(); ++k) {
      EXPECT_EQ(found[k].kind, want[k].second) << where;
      worst.Note((found[k].at.instant.ut - want[k].first) * 1440.0, 0.501, where + " #" + std::to_string(k));
      // The local date and minute are the zone's reading of that instant.
      const double local = found[k].at.instant.ut + 0.5 + p.zoneMinutes * kMinute;
      EXPECT_EQ(found[k].at.local.day, static_cast<int32_t>(std::floor(local))) << where;
      EXPECT_NEAR(found[k].at.local.minuteOfDay, (local - std::floor(local)) * 1440.0, 1e-3) << where;
      EXPECT_TRUE(test::AngleNearDegrees(EphemerisDegrees(Moon, want[k].first),
                                         found[k].longitude * test::kDegreesPerRadian, 1.0 * test::kArcsecond));
    }
  }
}

// Geocentric angle between the Sun (or the antisolar point) and the Moon.
double SeparationDegrees(double jd, bool solar) {
  double sun[6], moon[6];
  char err[AS_MAXCH];
  swe_calc_ut(jd, SE_SUN, SEFLG_SWIEPH, sun, err);
  swe_calc_ut(jd, SE_MOON, SEFLG_SWIEPH, moon, err);
  const double d2r = 1 / test::kDegreesPerRadian;
  const double lon = (solar ? sun[0] : sun[0] + 180) * d2r, lat = (solar ? sun[1] : -sun[1]) * d2r;
  const double c =
      std::sin(lat) * std::sin(moon[1] * d2r) + std::cos(lat) * std::cos(moon[1] * d2r) * std::cos(lon - moon[0] * d2r);
  return std::acos(std::min(1.0, c)) * test::kDegreesPerRadian;
}

TEST(Eclipses, PublishedTimesOfGreatestEclipse) {
  for (const test::CaseLine& e : test::ReadCases("engine/data/published_eclipses.txt")) {
    const int32_t day = test::DayOfText(e[0]);
    const std::vector<double> time = test::NumbersOf(e[1]);
    const std::vector<Eclipse> found =
        FindEclipses(test::TestLibrary(), test::TestPositions(), day, day, ZoneOfMinutes(0), Zodiac::Tropical);
    ASSERT_EQ(found.size(), 1u) << e.where;
    EXPECT_EQ(EclipseKindText(found[0].kind), e[2]) << e.where;
    EXPECT_NEAR(found[0].at.local.minuteOfDay, time.at(0) * 60 + time.at(1), 1) << e.where;
  }
}

// Each eclipse at the least separation of the Moon from the Sun or the
// Earth's shadow, scanned a minute apart; every lunation close enough for an
// eclipse is one.
TEST(Eclipses, GreatestEclipseAgainstAScanOfTheSeparation) {
  test::WorstError worst("greatest eclipse minutes", "min");
  for (const Period& p : kPeriods) {
    const Zone zone = ZoneOfMinutes(p.zoneMinutes);
    const int32_t first = Day(p.year, 1, 1), last = Day(p.year, 12, 31);
    const std::vector<Eclipse> eclipses =
        FindEclipses(test::TestLibrary(), test::TestPositions(), first, last, zone, Zodiac::Tropical);
    const std::vector<Lunation> lunations = FindLunations(test::TestPositions(), first, last, zone, Zodiac::Tropical);
    EXPECT_GE(eclipses.size(), 2u) << p.year;
    EXPECT_LE(eclipses.size(), 7u) << p.year;
    for (const Eclipse& e : eclipses) {
      const bool solar = IsSolar(e.kind);
      double best = e.at.instant.ut, least = 1e9;
      for (double t = e.at.instant.ut - 0.2; t <= e.at.instant.ut + 0.2; t += kMinute) {
        const double s = SeparationDegrees(t, solar);
        if (s < least) least = s, best = t;
      }
      worst.Note((e.at.instant.ut - best) * 1440.0, 2.0, std::to_string(p.year) + " " + EclipseKindText(e.kind));
      bool lunation = false;
      for (const Lunation& l : lunations)
        lunation |= (l.kind == LunationKind::NewMoon) == solar && std::fabs(l.at.instant.ut - e.at.instant.ut) < 0.2;
      EXPECT_TRUE(lunation) << p.year << " " << EclipseKindText(e.kind);
    }
    // Within 0.9 degrees the penumbra or the Moon's disc is always reached.
    for (const Lunation& l : lunations) {
      const bool solar = l.kind == LunationKind::NewMoon;
      double least = 1e9;
      for (double t = l.at.instant.ut - 0.2; t <= l.at.instant.ut + 0.2; t += 10 * kMinute)
        least = std::min(least, SeparationDegrees(t, solar));
      if (least > 0.9) continue;
      bool listed = false;
      for (const Eclipse& e : eclipses) listed |= std::fabs(l.at.instant.ut - e.at.instant.ut) < 0.2;
      EXPECT_TRUE(listed) << p.year << " lunation at JD " << l.at.instant.ut << " separation " << least;
    }
  }
}

// Every spell ends as the Moon enters the next sign and begins at its last
// exact major aspect to a body from the Sun to Pluto (or as it enters the
// sign); the spells follow the signs one by one.
TEST(VoidOfCourse, SpellsAgainstTheSkyAskedDirectly) {
  test::WorstError worst("void-of-course minutes", "min");
  for (const Period& p : kPeriods) {
    const Zone zone = ZoneOfMinutes(p.zoneMinutes);
    const int32_t first = Day(p.year, p.month, 1), last = first + 20;
    const std::vector<VoidSpell> spells = FindVoidOfCourse(test::TestPositions(), first, last, zone, Zodiac::Tropical);
    const std::string where = std::to_string(p.year) + "-" + std::to_string(p.month);
    ASSERT_GE(spells.size(), 7u) << where;
    auto moon = [](double t) { return EphemerisDegrees(Moon, t); };
    auto aspectsBetween = [&](double from, double to) {
      std::vector<double> all;
      for (BodyIndex body = Sun; body <= Pluto; ++body)
        for (const double angle : {0.0, 60.0, 90.0, 120.0, 180.0, 240.0, 270.0, 300.0}) {
          auto d = [&](double t) { return WrappedDifferenceDegrees(moon(t) - EphemerisDegrees(body, t), angle); };
          for (const double t : ScanUpward(d, from, to)) all.push_back(t);
        }
      return all;
    };
    for (size_t k = 0; k < spells.size(); ++k) {
      const VoidSpell& v = spells[k];
      const double end = v.end.instant.ut;
      auto sign = [&](double t) { return static_cast<int>(moon(t) / 30); };
      const auto entry = test::ScanChanges(sign, end - 20 * kMinute, end + 20 * kMinute);
      ASSERT_EQ(entry.size(), 1u) << where;
      EXPECT_EQ(entry[0].after, (v.sign + 1) % 12) << where;
      worst.Note((end - entry[0].at) * 1440.0, 0.501, where + " end of spell " + std::to_string(k));
      if (k > 0) {
        EXPECT_EQ(v.sign, (spells[k - 1].sign + 1) % 12) << where;
      }
      const std::vector<double> inside = aspectsBetween(v.start.instant.ut - 2 * kMinute, end);
      if (v.lastBody != 0) {
        // Within its minute (two may fall in the same minute).
        ASSERT_FALSE(inside.empty()) << where << " spell " << k;
        const double latest = *std::max_element(inside.begin(), inside.end());
        worst.Note((v.start.instant.ut - latest) * 1440.0, 0.501, where + " start of spell " + std::to_string(k));
      } else {
        EXPECT_TRUE(inside.empty()) << where << " spell " << k;
      }
    }
  }
}

}  // namespace
}  // namespace skyloom
