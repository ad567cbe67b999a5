#include "engine/positions.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <cmath>

#include "engine/pluto_table.h"
#include "support/angle_check.h"
#include "support/engine_setup.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

using test::kDegreesPerRadian;
constexpr Zodiac kTropical = Zodiac::Tropical;

// Reference longitudes. Textbook: the worked examples of a standard book of
// astronomical algorithms (apparent geocentric longitude, the instant in
// Dynamical Time, taken to UT with the library's Delta T). swetest: Debian's
// swetest, e.g. `swetest -b1.1.2000 -ut0:00 -p4 -fPl -head`; these pin the
// body numbering and the flags handed to the library, to 0.01".
TEST(Positions, MatchReferenceValuesAcrossTheRange) {
  struct Case {
    const char* source;
    BodyIndex body;
    double jd;  // UT
    double degrees, toleranceArcsec;
  };
  auto ut = [](double jdTd) { return jdTd - swe_deltat(jdTd); };
  auto midnight = [](int y, int m, int d) { return swe_julday(y, m, d, 0.0, SE_GREG_CAL); };
  const Case cases[] = {
      {"textbook Sun 1992 Oct 13.0 TD", Sun, ut(2448908.5), 199 + 54 / 60.0 + 21.8 / 3600.0, 1.0},
      {"textbook Venus 1992 Dec 20.0 TD", Venus, ut(2448976.5), 313.0810, 3.0},
      {"textbook Moon 1992 Apr 12.0 TD", Moon, ut(2448724.5), 133.1673, 5.0},
      {"swetest", Mars, midnight(2000, 1, 1), 327.5754697, 0.01},
      {"swetest", Jupiter, midnight(1650, 6, 15), 209.8517965, 0.01},
      {"swetest", Neptune, midnight(2700, 3, 3), 42.0702395, 0.01},
      {"swetest", Mercury, midnight(1801, 9, 20), 177.4597407, 0.01},
      {"swetest", Sun, midnight(2050, 7, 1), 99.3987474, 0.01},
      {"swetest", Moon, midnight(1620, 12, 12), 111.2491534, 0.01},
      {"swetest", Uranus, midnight(2750, 5, 5), 307.2033032, 0.01},
      {"swetest", Saturn, midnight(2222, 1, 30), 255.2838073, 0.01},
      {"swetest", Moon, midnight(2085, 3, 17), 241.5938970, 0.01},
  };
  const BodyPositions& p = test::TestPositions();
  test::WorstError worst("longitudes against reference values", "arcsec");
  for (const Case& c : cases) {
    const double got = p.Longitude(c.body, c.jd, kTropical).longitude * kDegreesPerRadian;
    worst.Note(test::ArcsecondsApart(got, c.degrees), c.toleranceArcsec, c.source + (" " + BodyNames[c.body]));
  }
}

// Where each body's data begin and end: Pluto's table and the Moon
// 1600-01-01 to 2099-12-31 (day numbers 2305448 to 2488069), Chiron's
// asteroid file from JD 1967601.5 (TT), some 65 minutes earlier in UT, the
// library's planets tens of centuries out. Both zodiacs.
TEST(Positions, StatusAtTheEndsOfEachBodysData) {
  using enum PositionStatus;
  const BodyPositions& p = test::TestPositions();
  struct Case {
    BodyIndex body;
    double jd;
    PositionStatus status;
  };
  const Case cases[] = {
      {Pluto, 2305447.4, BeforeRange},   {Pluto, 2305447.5, Known},      {Pluto, 2488069.49, Known},
      {Pluto, 2488069.5, AfterRange},    {Moon, 2305447.4, BeforeRange}, {Moon, 2305447.5, Known},
      {Moon, 2488069.49, Known},         {Moon, 2488069.5, AfterRange},  {Moon, 2500000.0, AfterRange},
      {Chiron, 1967601.40, BeforeRange}, {Chiron, 1967601.50, Known},    {Chiron, 2460310.5, Known},
      {Mars, -3000000.0, BeforeRange},   {Mars, 9000000.0, AfterRange},  {Sun, 1721426.0, Known},  // 0001-01-01
  };
  for (const Case& c : cases) {
    for (const Zodiac zodiac : {kTropical, Zodiac::Sidereal}) {
      double speed = 1;
      const Position got = p.Longitude(c.body, c.jd, zodiac, speed);
      EXPECT_EQ(got.status, c.status) << BodyNames[c.body] << " at " << c.jd;
      EXPECT_EQ(p.Longitude(c.body, c.jd, zodiac).status, c.status) << BodyNames[c.body] << " at " << c.jd;
      if (c.status == Known) {
        EXPECT_TRUE(got.longitude >= 0 && got.longitude < TwoPi) << BodyNames[c.body] << " at " << c.jd;
      } else {
        EXPECT_EQ(speed, 0.0) << BodyNames[c.body] << " at " << c.jd;
      }
    }
  }
}

TEST(Positions, SiderealAndSpeed) {
  const BodyPositions& p = test::TestPositions();
  // The sidereal zodiac takes the year's ayanamsa off.
  const double jd = 2451700.5;  // a midnight in 2000
  EXPECT_NEAR(NormalizeAngle(p.Longitude(Jupiter, jd, kTropical).longitude -
                             p.Longitude(Jupiter, jd, Zodiac::Sidereal).longitude),
              0.416314, 1e-12);
  EXPECT_DOUBLE_EQ(AyanamsaRadians(2100), 0.416314 + 100 * 243.8 / 1000000);
  // Speeds agree with the motion over a minute, Pluto's table included.
  for (const BodyIndex body : {Sun, Mercury, Mars, Pluto, Moon}) {
    double speed = 0;
    const double l0 = p.Longitude(body, jd, kTropical, speed).longitude;
    const double l1 = p.Longitude(body, jd + 1.0 / 1440, kTropical).longitude;
    EXPECT_NEAR(speed, (l1 - l0) * 1440, std::fabs(speed) * 1e-3 + 1e-7) << BodyNames[body];
  }
}

TEST(Positions, AnglesWrapAtTheFullCircle) {
  EXPECT_NEAR(NormalizeAngle(-0.1), TwoPi - 0.1, 1e-15);
  EXPECT_EQ(NormalizeAngle(TwoPi), 0.0);
  EXPECT_NEAR(AngularSeparation(0.1, TwoPi - 0.1), 0.2, 1e-12);
  EXPECT_NEAR(AngularSeparation(TwoPi - 0.1, 0.1), 0.2, 1e-12);
  EXPECT_NEAR(AngularSeparation(0.0, Pi), Pi, 1e-15);
}

TEST(Positions, RetrogradeMotion) {
  const BodyPositions& p = test::TestPositions();
  // Mars was retrograde from 2020 September 9 to November 13.
  EXPECT_TRUE(p.IsRetrograde(Mars, swe_julday(2020, 10, 1, 0.0, SE_GREG_CAL), kTropical));
  EXPECT_FALSE(p.IsRetrograde(Mars, swe_julday(2020, 8, 1, 0.0, SE_GREG_CAL), kTropical));
  EXPECT_FALSE(p.IsRetrograde(Sun, 2451545.0, kTropical));
  EXPECT_FALSE(p.RetroCheck(Mars, Position::Unknown(PositionStatus::BeforeRange), 2451545.0, kTropical));
  // Pluto was retrograde on its table's last day: half an hour on is past
  // the data, so the half hour before tells.
  EXPECT_TRUE(p.IsRetrograde(Pluto, 2488069.49, kTropical));
  // Mercury passing 0 degrees direct in March 2020 is not retrograde.
  double lo = swe_julday(2020, 3, 1, 0.0, SE_GREG_CAL), hi = lo + 60;
  while (hi - lo > 1e-7) {
    const double mid = (lo + hi) / 2;
    (p.Longitude(Mercury, mid, kTropical).longitude > Pi ? lo : hi) = mid;
  }
  const double before = hi - 1.0 / 96;
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
  struct Case {
    BodyIndex a, b;
    double jd;
    RangeErrorCode want;
    const char* text;
  };
  const Case cases[] = {
      {Mars, Moon, 2305000.0, -3, "Date is prior to allowable date range for Moon."},
      {Mars, Moon, 2500000.0, -1, "Date is beyond allowable date range for Moon."},
      {Moon, Mars, 2305000.0, -4, "Date is prior to allowable date range for Moon."},
      {Pluto, Mars, 2500000.0, -2, "Date is beyond allowable date range for Pluto."},
      // Body B is tested first: with both out of range the code names B.
      {Pluto, Moon, 2500000.0, -1, "Date is beyond allowable date range for Moon."},
  };
  for (const Case& c : cases) {
    code = 0;
    EXPECT_FALSE(AspectInOrbAt(p, {c.a, c.b, 1, 6.0}, c.jd, code));
    EXPECT_EQ(code, c.want);
    EXPECT_EQ(DateRangeMessage(code, c.a, c.b), c.text);
  }
}

}  // namespace
}  // namespace skyloom
