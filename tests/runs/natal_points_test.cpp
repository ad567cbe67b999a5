// Natal points as the natal body of a personal run: the Ascendant, the
// Midheaven and the cusps from the birth place, their transits to the
// minute against the independent scan, the refusals (no place, no cusps at
// a polar latitude), and the whole chart with its angles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ports/program_folder.h"
#include "runs/session.h"
#include "support/independent.h"
#include "support/text_face.h"
#include "support/worst_error.h"

namespace {

using namespace skyloom;
using namespace skyloom::test;

constexpr double kDegrees = 360.0 / TwoPi;

// Born 1990-01-01 12:00 GMT in Berlin (52.52 N, 13.405 E): swetest gives the
// Ascendant 52.3363702, the MC 292.4871107, Placidus cusp 7 232.3363702 and
// the equal system's tenth cusp 322.3363702 (see tests/engine/houses_test.cpp).
RunRequest BerlinBirth(BodyIndex transiting, BodyIndex natal, int32_t fromYear, int32_t toYear) {
  RunRequest r =
      PersonalRequest(transiting, natal, fromYear, toYear, EnteredDate::Of(1990, 1, 1), 12, 0, Zone::Fixed(0, "GMT"));
  r.birth.place = BirthPlace{"52.52,13.405", "", 52.52, 13.405};
  return r;
}

TEST(NatalPoints, PointsTakeTheirLongitudeFromTheHouses) {
  struct Case {
    BodyIndex point;
    HouseSystem system;
    double degrees;  // swetest
    std::string title;
  };
  const Case cases[] = {
      {Ascendant, HouseSystem::Placidus, 52.3363702, "Mars transits of natal Ascendant, "},
      {Midheaven, HouseSystem::Placidus, 292.4871107, "Mars transits of natal Midheaven, "},
      // The Midheaven stays the MC in the equal system; its tenth cusp is not.
      {Midheaven, HouseSystem::Equal, 292.4871107, "Mars transits of natal Midheaven, "},
      {Cusp2 + 8, HouseSystem::Equal, 322.3363702, "Mars transits of natal Cusp 10 (Equal houses), "},
      {Cusp2 + 5, HouseSystem::Placidus, 232.3363702, "Mars transits of natal Cusp 7 (Placidus houses), "},
      {Cusp2, HouseSystem::WholeSign, 60.0, "Mars transits of natal Cusp 2 (Whole sign houses), "},
  };
  for (const Case& c : cases) {
    RunRequest r = BerlinBirth(Mars, c.point, 2024, 2024);
    r.houses = c.system;
    Session session(ExecutableFolder());
    TextFace face;
    ASSERT_TRUE(session.Start(r, face)) << (face.told.empty() ? "" : face.told.back());
    ASSERT_EQ(session.Results().size(), 1U);
    EXPECT_NEAR(session.Results()[0].natalLongitude * kDegrees, c.degrees, 1e-6) << BodyName(c.point);
    EXPECT_EQ(face.text.substr(0, c.title.size()), c.title);
  }
}

// Every exact aspect to an angle at its minute, and every closest approach,
// as the independent scan finds them (it takes the natal longitude).
TEST(NatalPoints, TransitsToAnglesAgreeWithTheIndependentScan) {
  WorstError minutes("exact minutes of transits to natal angles", "min");
  const std::pair<BodyIndex, BodyIndex> pairs[] = {{Mars, Ascendant}, {Sun, Midheaven}, {Saturn, Midheaven}};
  for (const auto& [transiting, point] : pairs) {
    RunRequest r = BerlinBirth(transiting, point, 2019, 2021);
    Session session(ExecutableFolder());
    TextFace face;
    ASSERT_TRUE(session.Start(r, face));
    ASSERT_EQ(session.Results().size(), 1U);
    EXPECT_FALSE(session.Results()[0].transits.empty()) << BodyName(transiting) << " " << BodyName(point);
    ExpectIndependentlyRight(session.Results()[0], minutes);
  }
}

TEST(NatalPoints, RefusalsWithoutPlaceAndWithoutCusps) {
  struct Case {
    BodyIndex natal;
    double latitude;  // 0: no place
    HouseSystem system;
    bool houseIngresses;
    std::string told;  // empty: the run goes
  };
  const std::string noCusps =
      " houses have no cusps at latitude 69.65 N, inside the polar circle. Choose one of the house systems "
      "regiomontanus, campanus, porphyry, equal or whole-sign, which hold there.|!|Houses";
  const Case cases[] = {
      {Ascendant, 0, HouseSystem::Placidus, false,
       "Natal Ascendant is taken at the birth place: please specify the place of birth.|i|"
       "Show all personal transits by Saturn of natal Ascendant"},
      {Sun, 0, HouseSystem::Placidus, true,
       "The natal houses are taken at the birth place: please specify the place of birth.|i|"
       "Show all personal transits by Saturn of natal Sun"},
      // Tromsø: Placidus and Koch have no cusps there; the angles hold.
      {Cusp2 + 5, 69.65, HouseSystem::Placidus, false, "Placidus" + noCusps},
      {Cusp2 + 1, 69.65, HouseSystem::Koch, false, "Koch" + noCusps},
      {Sun, 69.65, HouseSystem::Placidus, true, "Placidus" + noCusps},
      {Cusp2 + 5, 69.65, HouseSystem::Equal, false, ""},
      {Cusp2 + 5, 69.65, HouseSystem::Campanus, false, ""},
      {Ascendant, 69.65, HouseSystem::Placidus, false, ""},
      {Midheaven, 69.65, HouseSystem::Koch, false, ""},
      {Sun, 69.65, HouseSystem::Porphyry, true, ""},
      {Cusp2 + 5, 60.0, HouseSystem::Placidus, false, ""},
  };
  for (const Case& c : cases) {
    RunRequest r = BerlinBirth(Saturn, c.natal, 2024, 2024);
    if (c.latitude == 0) {
      r.birth.place.reset();
    } else {
      r.birth.place = BirthPlace{"Tromsø", "NO", c.latitude, 18.95};
    }
    r.houses = c.system;
    r.houseIngresses = c.houseIngresses;
    Session session(ExecutableFolder());
    TextFace face;
    const bool ran = session.Start(r, face);
    const std::string where = BodyName(c.natal) + " " + HouseSystemName(c.system) + " " + std::to_string(c.latitude);
    EXPECT_EQ(ran, c.told.empty()) << where;
    if (!c.told.empty()) {
      ASSERT_EQ(face.told.size(), 1U) << where;
      EXPECT_EQ(face.told[0], c.told) << where;
      EXPECT_EQ(session.RunsStarted(), 0);
    }
    // Only a run that took the houses keeps them.
    EXPECT_EQ(session.Houses().has_value(), ran && c.latitude != 0) << where;
  }
}

// The whole chart of a birth with its place runs every transiting body to
// the Moon and then to the Ascendant and the Midheaven; without a place it
// ends at the Moon.
TEST(NatalPoints, WholeChartAddsTheAnglesAfterTheMoon) {
  for (const bool withPlace : {true, false}) {
    RunRequest r = BerlinBirth(Sun, Sun, 2024, 2024);
    r.end = EnteredDate::Of(2024, 1, 10);
    r.series = SeriesKind::Every;
    if (!withPlace) r.birth.place.reset();
    Session session(ExecutableFolder());
    TextFace face;
    session.ShowAll(r, face);
    EXPECT_TRUE(face.told.empty()) << face.told.front();
    std::vector<BodyIndex> natal;
    for (const RunResult& run : session.Results())
      if (run.bodies[0] == Sun) natal.push_back(run.bodies[1]);
    std::vector<BodyIndex> expected;
    for (BodyIndex b = Sun; b <= Moon; ++b) expected.push_back(b);
    if (withPlace) expected.insert(expected.end(), {Ascendant, Midheaven});
    EXPECT_EQ(natal, expected);
    EXPECT_EQ(session.Results().size(), 9 * expected.size());
    EXPECT_EQ(session.Results().back().bodies[0], Pluto);
    EXPECT_EQ(session.Results().back().bodies[1], withPlace ? Midheaven : Moon);
  }
}

}  // namespace
