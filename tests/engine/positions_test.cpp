#include "engine/positions.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <cmath>

#include "calendar/date_format.h"
#include "ports/memory_window.h"
#include "support/angle_check.h"
#include "support/engine_setup.h"

namespace skyloom {
namespace {

using test::AngleNearDegrees;
using test::kArcsecond;
using test::kDegreesPerRadian;

class PositionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::InitEngineOnce();
    SiderealFlag = false;
  }
  void TearDown() override { SiderealFlag = false; }
};

// Dynamical time -> Universal Time with the library's own Delta T.
double UniversalFromDynamical(double jdTd) { return jdTd - swe_deltat(jdTd); }

// Worked examples of a standard textbook of astronomical algorithms (apparent
// geocentric longitudes, the instant given in Dynamical Time).
TEST_F(PositionsTest, MatchesPublishedWorkedExamples) {
  struct Case {
    const char* what;
    BodyIndex body;
    double jdTd;
    double degrees;
    double toleranceArcsec;
  };
  const Case cases[] = {
      {"Sun 1992 Oct 13.0 TD", Sun, 2448908.5, 199 + 54 / 60.0 + 21.8 / 3600.0, 1.0},
      {"Venus 1992 Dec 20.0 TD", Venus, 2448976.5, 313.0810, 3.0},
      {"Moon 1992 April 12.0 TD", Moon, 2448724.5, 133.1673, 5.0},
  };
  for (const Case& c : cases) {
    const double got = BodyLongitude(c.body, UniversalFromDynamical(c.jdTd)) * kDegreesPerRadian;
    EXPECT_TRUE(AngleNearDegrees(c.degrees, got, c.toleranceArcsec * kArcsecond)) << c.what;
  }
}

// Values printed by swetest (Debian package swetest, default apparent
// geocentric positions), e.g. `swetest -b1.1.2000 -ut0:00 -p4 -fPl -head`.
// They pin the body numbering and the flags handed to the library.
TEST_F(PositionsTest, MatchesSwetestAtMidnightsAcrossTheRange) {
  struct Case {
    BodyIndex body;
    int year, month, day;
    double degrees;
  };
  const Case cases[] = {
      {Mars, 2000, 1, 1, 327.5754697},     {Jupiter, 1650, 6, 15, 209.8517965},
      {Neptune, 2700, 3, 3, 42.0702395},   {Mercury, 1801, 9, 20, 177.4597407},
      {Sun, 2050, 7, 1, 99.3987474},       {Moon, 1620, 12, 12, 111.2491534},
      {Uranus, 2750, 5, 5, 307.2033032},   {Saturn, 2222, 1, 30, 255.2838073},
      {Moon, 2085, 3, 17, 241.5938970},
  };
  for (const Case& c : cases) {
    const double jd = swe_julday(c.year, c.month, c.day, 0.0, SE_GREG_CAL);
    const double got = BodyLongitude(c.body, jd) * kDegreesPerRadian;
    EXPECT_TRUE(AngleNearDegrees(c.degrees, got, 0.01 * kArcsecond))
        << BodyNames[c.body] << " " << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST_F(PositionsTest, RangeCodesAtTheEdgesOfTheTables) {
  // Day number 2305448 is the first of the Moon's range, 2488069 the last.
  EXPECT_EQ(MoonLongitude(2305447 + 0.4), BeforeRange);
  EXPECT_GE(MoonLongitude(2305448 - 0.5), 0.0);
  EXPECT_GE(MoonLongitude(2488069 + 0.49), 0.0);
  EXPECT_EQ(MoonLongitude(2488069 + 0.5), AfterRange);
  EXPECT_EQ(BodyLongitude(Moon, 2305000.0), BeforeRange);
  EXPECT_EQ(BodyLongitude(Moon, 2500000.0), AfterRange);
  // The library planets end where the ephemeris ends, tens of centuries out.
  EXPECT_EQ(BodyLongitude(Mars, -3000000.0), BeforeRange);
  EXPECT_EQ(BodyLongitude(Mars, 9000000.0), AfterRange);
  EXPECT_GE(BodyLongitude(Mars, 2743738.0), 0.0);  // 2799-12-31
  EXPECT_GE(BodyLongitude(Sun, 1721426.0), 0.0);   // 0001-01-01
}

TEST_F(PositionsTest, SiderealCorrectionIsTheAyanamsaOfTheYearAndSparesErrorValues) {
  EXPECT_DOUBLE_EQ(AyanamsaRadians(2000), 0.416314);
  EXPECT_DOUBLE_EQ(AyanamsaRadians(2100), 0.416314 + 100 * 243.8 / 1000000);
  const double jd = 2451700.5;  // a midnight in 2000
  const double tropical = BodyLongitude(Jupiter, jd);
  SiderealFlag = true;
  const double sidereal = BodyLongitude(Jupiter, jd);
  EXPECT_NEAR(NormalizeAngle(tropical - sidereal), 0.416314, 1e-12);
  EXPECT_EQ(BodyLongitude(Moon, 2305000.0), BeforeRange);
  EXPECT_EQ(BodyLongitude(Moon, 2500000.0), AfterRange);
}

TEST_F(PositionsTest, AnglesWrapAtTheFullCircle) {
  EXPECT_NEAR(NormalizeAngle(-0.1), TwoPi - 0.1, 1e-15);
  EXPECT_EQ(NormalizeAngle(TwoPi), 0.0);
  EXPECT_NEAR(NormalizeAngle(3 * TwoPi + 1.0), 1.0, 1e-12);
  EXPECT_NEAR(AngularSeparation(0.1, TwoPi - 0.1), 0.2, 1e-12);
  EXPECT_NEAR(AngularSeparation(TwoPi - 0.1, 0.1), 0.2, 1e-12);
  EXPECT_EQ(AngularSeparation(1.25, 1.25), 0.0);
  EXPECT_NEAR(AngularSeparation(0.0, Pi), Pi, 1e-15);
}

TEST_F(PositionsTest, RetrogradeMotion) {
  // Mars was retrograde from 2020 September 9 to November 13.
  EXPECT_TRUE(IsRetrograde(Mars, swe_julday(2020, 10, 1, 0.0, SE_GREG_CAL)));
  EXPECT_FALSE(IsRetrograde(Mars, swe_julday(2020, 8, 1, 0.0, SE_GREG_CAL)));
  EXPECT_FALSE(IsRetrograde(Mars, swe_julday(2020, 12, 1, 0.0, SE_GREG_CAL)));
  // The Sun and the Moon never are; an out-of-range longitude never is.
  EXPECT_FALSE(IsRetrograde(Sun, 2451545.0));
  EXPECT_FALSE(IsRetrograde(Moon, 2451545.0));
  EXPECT_FALSE(RetroCheck(Mars, BeforeRange, 2451545.0));
}

TEST_F(PositionsTest, DirectMotionAcrossTheZeroPointIsNotRetrograde) {
  // Find the instant Mercury passes 0 degrees moving direct in spring 2020.
  double lo = swe_julday(2020, 3, 1, 0.0, SE_GREG_CAL), hi = lo + 60;
  ASSERT_GT(BodyLongitude(Mercury, lo), Pi);
  ASSERT_LT(BodyLongitude(Mercury, hi), Pi);
  while (hi - lo > 1e-7) {
    const double mid = (lo + hi) / 2;
    (BodyLongitude(Mercury, mid) > Pi ? lo : hi) = mid;
  }
  const double before = hi - 1.0 / 96;  // 15 minutes before, 15 after
  const double l1 = BodyLongitude(Mercury, before);
  ASSERT_GT(l1, TwoPi - 0.1);
  ASSERT_LT(BodyLongitude(Mercury, before + 1.0 / 48), 0.1);
  EXPECT_FALSE(RetroCheck(Mercury, l1, before));
  EXPECT_FALSE(IsRetrograde(Mercury, before));
}

TEST_F(PositionsTest, InOrbIsStrict) {
  const double jd = 2459204.5;  // 2020-12-21, the Jupiter-Saturn conjunction
  const double dev = AngularSeparation(BodyLongitude(Jupiter, jd), BodyLongitude(Saturn, jd));
  RangeErrorCode code = 0;
  EXPECT_FALSE(AspectInOrbAt(nullptr, Jupiter, Saturn, jd, 1, dev, true, -1, false, code));
  EXPECT_TRUE(AspectInOrbAt(nullptr, Jupiter, Saturn, jd, 1, std::nextafter(dev, 1.0), true, -1, false, code));
  EXPECT_EQ(code, 0);
  // A personal run compares with the natal position handed over.
  const double natal = NormalizeAngle(BodyLongitude(Jupiter, jd) + AspectTable[4].Angle);
  EXPECT_TRUE(AspectInOrbAt(nullptr, Jupiter, Sun, jd, 4, 1e-9, false, natal, false, code));
  EXPECT_FALSE(AspectInOrbAt(nullptr, Jupiter, Sun, jd, 3, 0.1, false, natal, false, code));
}

TEST_F(PositionsTest, OutOfRangeBodiesGiveTheirCodeAndMessage) {
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
      {Moon, Mars, 2500000.0, -2, "Date is beyond allowable date range for Moon."},
      // Body B is tested first: with both out of range the code names B.
      {Moon, Moon, 2500000.0, -1, "Date is beyond allowable date range for Moon."},
  };
  for (const Case& c : cases) {
    RangeErrorCode code = 0;
    EXPECT_FALSE(AspectInOrbAt(nullptr, c.a, c.b, c.jd, 1, 6.0, true, -1, true, code));
    EXPECT_EQ(code, c.want);
    EXPECT_EQ(DateRangeMessage(code, c.a, c.b), c.text);
  }
}

TEST_F(PositionsTest, RangeErrorShowsItsMessageWhenAsked) {
  MemoryWindow window;
  RangeErrorCode code = 0;
  EXPECT_FALSE(AspectInOrbAt(&window, Mars, Moon, 2500000.0, 1, 6.0, true, -1, false, code));
  EXPECT_TRUE(window.MessageBoxes().empty());
  code = 0;
  EXPECT_FALSE(AspectInOrbAt(&window, Mars, Moon, 2500000.0, 1, 6.0, true, -1, true, code));
  ASSERT_EQ(window.MessageBoxes().size(), 1u);
  EXPECT_EQ(window.MessageBoxes()[0].text, "Date is beyond allowable date range for Moon.");
  EXPECT_EQ(window.MessageBoxes()[0].title, "Error");
  EXPECT_EQ(window.MessageBoxes()[0].icon, MsgIcon::Exclamation);
  // The walk shows each day it tests in the progress label, in yellow.
  bool inOrbAtStart = false;
  code = 0;
  const int32_t day = AspectStateSearch(&window, 2459155, inOrbAtStart, true, true, 0, Jupiter, Saturn, 1,
                                        OrbRadiansFromDegrees(1), true, -1, false, code);
  const Control label = Ctl(ControlName::lblShortDate);
  EXPECT_EQ(window.Text(label), FormatDayNumber(day + 1));
  EXPECT_TRUE(window.Visible(label));
  EXPECT_EQ(window.ForeColor(label), (Rgb{255, 255, 0}));
  EXPECT_GT(window.RepaintCount(label), 10);
}

TEST_F(PositionsTest, ForwardWalkStopsTheDayBeforeTheOrbIsReached) {
  // Jupiter and Saturn come within 1 degree of conjunction in December 2020.
  const int32_t start = 2459155;  // 2020-11-02
  const double orb = OrbRadiansFromDegrees(1);
  for (int16_t zone : {int16_t{0}, int16_t{-300}, int16_t{330}}) {
    bool inOrbAtStart = true;
    RangeErrorCode code = 0;
    const int32_t day = AspectStateSearch(nullptr, start, inOrbAtStart, true, true, zone, Jupiter, Saturn, 1,
                                          orb, true, -1, false, code);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(inOrbAtStart);
    EXPECT_GT(day, start);
    EXPECT_FALSE(AspectInOrbAt(nullptr, Jupiter, Saturn, LocalMidnight(day, zone), 1, orb, true, -1, false, code));
    EXPECT_TRUE(AspectInOrbAt(nullptr, Jupiter, Saturn, LocalMidnight(day + 1, zone), 1, orb, true, -1, false, code));
    // The walk for the out-of-orb state returns the first such day itself.
    const int32_t leave = AspectStateSearch(nullptr, day + 1, inOrbAtStart, true, false, zone, Jupiter, Saturn,
                                            1, orb, true, -1, false, code);
    EXPECT_TRUE(inOrbAtStart);
    EXPECT_FALSE(AspectInOrbAt(nullptr, Jupiter, Saturn, LocalMidnight(leave, zone), 1, orb, true, -1, false, code));
    EXPECT_TRUE(AspectInOrbAt(nullptr, Jupiter, Saturn, LocalMidnight(leave - 1, zone), 1, orb, true, -1, false, code));
  }
}

TEST_F(PositionsTest, WalkEndsWhereTheDataEnd) {
  bool inOrbAtStart = false;
  RangeErrorCode code = 0;
  // Sun and Moon in opposition within a tiny orb never last a whole midnight
  // forever, but the Moon's data end at 2099-12-31.
  const int32_t day = AspectStateSearch(nullptr, 2488060, inOrbAtStart, true, true, 0, Sun, Moon, 2, 1e-12,
                                        true, -1, false, code);
  EXPECT_EQ(code, -1);
  EXPECT_EQ(day, 2488070);
}

}  // namespace
}  // namespace skyloom
