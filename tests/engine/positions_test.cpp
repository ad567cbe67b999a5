#include "engine/positions.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/pluto_table.h"
#include "ports/ephemeris.h"
#include "ports/program_folder.h"
#include "support/angle_check.h"
#include "support/case_file.h"
#include "support/engine_setup.h"
#include "support/independent.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

using test::kDegreesPerRadian;
constexpr Zodiac kTropical = Zodiac::Tropical;

// The nutation from fits or not while it lives, the full series after.
struct FittedNutation {
  explicit FittedNutation(bool fitted) { UseFittedNutation(fitted); }
  ~FittedNutation() { UseFittedNutation(false); }
};

TEST(Positions, MatchReferenceValuesAcrossTheRange) {
  const BodyPositions& p = test::TestPositions();
  test::WorstError worst("longitudes against reference values", "arcsec");
  for (const test::CaseLine& c : test::ReadCases("engine/data/reference_longitudes.txt")) {
    const double td = c[2].starts_with("TD ") ? std::stod(c[2].substr(3)) : 0;
    const double jd = td != 0 ? td - swe_deltat(td) : test::DayOfText(c[2]) - 0.5;
    const double got = p.Longitude(test::BodyOfText(c[1]), jd, kTropical).longitude * kDegreesPerRadian;
    worst.Note(test::ArcsecondsApart(got, test::DegreesOf(c[3])), std::stod(c[4]), c.where + " " + c[0]);
  }
}

// A position without its speed, with the nutation from fits or without, is
// the library's own to its last digits, all over the range and either side
// of the fits' seams; a rough one lies within the error it gives.
TEST(Positions, AreTheLibrarysOwnToTheLastDigits) {
  for (const bool fitted : {true, false}) {
    const FittedNutation nutation(fitted);
    const BodyPositions& p = test::TestPositions();
    std::vector<double> instants;
    for (int k = 0; k < 400; ++k) instants.push_back(2305447.5 + k * 1093.7071);  // 1600 to 2799
    for (const double seam : {2451520.0, 2460672.0, 2342912.0})
      for (const double off : {-1e-9, 0.0, 1e-9, 0.5}) instants.push_back(seam + off);
    int compared = 0;
    for (const double jd : instants) {
      for (const BodyIndex body :
           {Sun, Mercury, Venus, Mars, Jupiter, Saturn, Uranus, Neptune, Moon, NorthNode, MeanNode, Chiron}) {
        const Position got = p.Longitude(body, jd, kTropical);
        if (!got.Known()) continue;
        const double want = test::EphemerisDegrees(body, jd) / kDegreesPerRadian;
        EXPECT_NEAR(std::remainder(got.longitude - want, TwoPi), 0, 5e-14) << BodyNames[body] << " at " << jd;
        // What fits are made of: within the error it owns to, a small one.
        double error = -1;
        const Position rough = p.RoughLongitude(body, jd, kTropical, error);
        ASSERT_TRUE(rough.Known()) << BodyNames[body] << " at " << jd;
        EXPECT_LE(error, SwissEphemeris::kRoughNutationError) << BodyNames[body];
        EXPECT_LE(std::fabs(std::remainder(rough.longitude - want, TwoPi)), error + 5e-14)
            << BodyNames[body] << " at " << jd;
        ++compared;
      }
    }
    EXPECT_GT(compared, 4000);
  }
}

// The nutation's fits are made once, by whichever thread asks first:
// threads asking for the same spans at once still get the library's own.
TEST(Positions, ThreadsSharingTheNutationFitsGetTheLibrarysOwn) {
  const FittedNutation nutation(true);
  const std::string folder = ExecutableFolder();
  std::vector<double> worst(4, -1.0);
  std::vector<std::thread> threads;
  for (size_t k = 0; k < worst.size(); ++k) {
    threads.emplace_back([&, k] {
      SwissEphemeris library(folder);
      double most = 0;
      for (int step = 0; step < 600; ++step) {
        // Spans not asked for before, the same ones on every thread.
        const int i = k % 2 == 0 ? step : 599 - step;
        const double jd = 2305447.5 + 40000 + i * 29.37 + static_cast<double>(k) * 1e-3;
        // The port's own numbers (Venus 2, Saturn 6) and the library's.
        const auto [ours, theirs] = k % 2 == 0 ? std::pair{2, SE_VENUS} : std::pair{6, SE_SATURN};
        const Position got = library.PlanetLongitude(ours, jd, 0, nullptr);
        double xx[6] = {};
        char err[256] = {};
        if (!got.Known() || swe_calc_ut(jd, theirs, SEFLG_SWIEPH, xx, err) < 0) return;
        most = std::max(most, std::fabs(std::remainder(got.longitude - xx[0] / kDegreesPerRadian, TwoPi)));
      }
      worst[k] = most;
    });
  }
  for (std::thread& t : threads) t.join();
  for (size_t k = 0; k < worst.size(); ++k) {
    EXPECT_GE(worst[k], 0) << "thread " << k << " had no position";
    EXPECT_LE(worst[k], 5e-14) << "thread " << k;
  }
}

// Both zodiacs; a speed asked for is 0 where the position is unknown.
TEST(Positions, StatusAtTheEndsOfEachBodysData) {
  const char* const statuses[] = {"Known", "BeforeRange", "AfterRange"};
  const BodyPositions& p = test::TestPositions();
  for (const test::CaseLine& c : test::ReadCases("engine/data/position_status.txt")) {
    const double jd = std::stod(c[1]);
    for (const Zodiac zodiac : {kTropical, Zodiac::Sidereal}) {
      double speed = 1;
      const Position got = p.Longitude(test::BodyOfText(c[0]), jd, zodiac, speed);
      EXPECT_EQ(statuses[static_cast<int>(got.status)], c[2]) << c.where;
      EXPECT_EQ(p.Longitude(test::BodyOfText(c[0]), jd, zodiac).status, got.status) << c.where;
      if (got.Known()) {
        EXPECT_TRUE(got.longitude >= 0 && got.longitude < TwoPi) << c.where;
      } else {
        EXPECT_EQ(speed, 0.0) << c.where;
      }
    }
  }
}

// Speeds agree with the motion over a minute, Pluto's table included.
TEST(Positions, Speed) {
  const BodyPositions& p = test::TestPositions();
  const double jd = 2451700.5;  // a midnight in 2000
  for (const BodyIndex body : {Sun, Mercury, Mars, Pluto, Moon}) {
    double speed = 0;
    const double l0 = p.Longitude(body, jd, kTropical, speed).longitude;
    const double l1 = p.Longitude(body, jd + 1.0 / 1440, kTropical).longitude;
    EXPECT_NEAR(speed, (l1 - l0) * 1440, std::fabs(speed) * 1e-3 + 1e-7) << BodyNames[body];
  }
}

TEST(Positions, RetrogradeMotion) {
  const BodyPositions& p = test::TestPositions();
  EXPECT_FALSE(p.RetroCheck(Mars, Position::Unknown(PositionStatus::BeforeRange), 2451545.0, kTropical));
  // Pluto on its table's last day: the half hour before tells.
  EXPECT_TRUE(p.IsRetrograde(Pluto, 2488069.49, kTropical));
  // Mercury passing 0 degrees direct in March 2020 is not retrograde.
  auto inAries = [&](double t) { return p.Longitude(Mercury, t, kTropical).longitude < Pi ? 1 : 0; };
  const double march = swe_julday(2020, 3, 1, 0.0, SE_GREG_CAL);
  const double before = test::ScanChanges(inAries, march, march + 60).at(0).at - 1.0 / 96;
  ASSERT_GT(p.Longitude(Mercury, before, kTropical).longitude, TwoPi - 0.1);
  EXPECT_FALSE(p.IsRetrograde(Mercury, before, kTropical));
}

TEST(Positions, InOrbIsStrictAndRangeErrorsNameTheBody) {
  const BodyPositions& p = test::TestPositions();
  const double jd = 2459204.5;  // 2020-12-21, the Jupiter-Saturn conjunction
  const double dev =
      AngularSeparation(p.Longitude(Jupiter, jd, kTropical).longitude, p.Longitude(Saturn, jd, kTropical).longitude);
  RangeErrorCode code = 0;
  EXPECT_FALSE(AspectInOrbAt(p, {Jupiter, Saturn, 1, dev}, jd, code));
  EXPECT_TRUE(AspectInOrbAt(p, {Jupiter, Saturn, 1, std::nextafter(dev, 1.0)}, jd, code));
  const double natal = NormalizeAngle(p.Longitude(Jupiter, jd, kTropical).longitude + AspectTable[4].Angle);
  EXPECT_TRUE(AspectInOrbAt(p, {Jupiter, Sun, 4, 1e-9, false, natal}, jd, code));
  EXPECT_EQ(code, 0);
  for (const test::CaseLine& c : test::ReadCases("engine/data/range_errors.txt")) {
    const BodyIndex a = test::BodyOfText(c[0]), b = test::BodyOfText(c[1]);
    code = 0;
    EXPECT_FALSE(AspectInOrbAt(p, {a, b, 1, 6.0}, std::stod(c[2]), code)) << c.where;
    EXPECT_EQ(code, std::stoi(c[3])) << c.where;
    EXPECT_EQ(DateRangeMessage(code, a, b), c[4]) << c.where;
  }
}

}  // namespace
}  // namespace skyloom
