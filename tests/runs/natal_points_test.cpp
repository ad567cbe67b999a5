// Natal points as the natal body of a personal run: the Ascendant, the
// Midheaven and the cusps from the birth place, their transits to the
// minute against the independent scan, the refusals (no place, no cusps at
// a polar latitude), and the whole chart with its angles.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/houses.h"
#include "ports/program_folder.h"
#include "runs/session.h"
#include "support/case_file.h"
#include "support/independent.h"
#include "support/text_face.h"
#include "support/worst_error.h"

namespace {

using namespace skyloom;
using namespace skyloom::test;

constexpr double kDegrees = 360.0 / TwoPi;

// Born 1990-01-01 12:00 GMT in Berlin (52.52 N, 13.405 E).
RunRequest BerlinBirth(BodyIndex transiting, BodyIndex natal, int32_t fromYear, int32_t toYear) {
  RunRequest r =
      PersonalRequest(transiting, natal, fromYear, toYear, EnteredDate::Of(1990, 1, 1), 12, 0, Zone::Fixed(0, "GMT"));
  r.birth.place = BirthPlace{"52.52,13.405", "", 52.52, 13.405};
  return r;
}

BodyIndex Natal(const std::string& name) { return NatalPointByName(name) ? NatalPointByName(name) : BodyByName(name); }

TEST(NatalPoints, TransitsOfPointsTakenFromTheHouses) {
  WorstError minutes("exact minutes of transits to natal points", "min");
  for (const CaseLine& c : ReadCases("runs/cases/natal_points.txt")) {
    int32_t from = 0, to = 0;
    if (std::sscanf(c[3].c_str(), "%d-%d", &from, &to) < 2) to = from;
    RunRequest r = BerlinBirth(BodyByName(c[0]), Natal(c[1]), from, to);
    r.houses = *HouseSystemByName(c[2]);
    Session session(ExecutableFolder());
    TextFace face;
    ASSERT_TRUE(session.Start(r, face)) << c.where << (face.told.empty() ? "" : face.told.back());
    ASSERT_EQ(session.Results().size(), 1U);
    EXPECT_NEAR(session.Results()[0].natalLongitude * kDegrees, std::stod(c[4]), 1e-6) << c.where;
    EXPECT_TRUE(face.text.starts_with(c[5])) << c.where;
    EXPECT_FALSE(session.Results()[0].transits.empty()) << c.where;
    ExpectIndependentlyRight(session.Results()[0], minutes);
  }
}

TEST(NatalPoints, RefusalsWithoutPlaceAndWithoutCusps) {
  for (const CaseLine& c : ReadCases("runs/cases/natal_refusals.txt")) {
    RunRequest r = BerlinBirth(Saturn, Natal(c[0]), 2024, 2024);
    r.birth.place.reset();
    if (c[1] != "-") r.birth.place = BirthPlace{"Tromsø", "NO", std::stod(c[1]), 18.95};
    r.houses = *HouseSystemByName(c[2]);
    r.houseIngresses = c[3] == "ingresses";
    Session session(ExecutableFolder());
    TextFace face;
    const bool ran = session.Start(r, face);
    EXPECT_EQ(ran, c[4] == "-") << c.where;
    if (!ran) {
      EXPECT_EQ(face.told, std::vector<std::string>{c[4]}) << c.where;
      EXPECT_EQ(session.RunsStarted(), 0);
    }
    // Only a run that took the houses keeps them.
    EXPECT_EQ(session.Houses().has_value(), ran && c[1] != "-") << c.where;
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
