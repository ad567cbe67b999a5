// Natal points (angles and cusps from the birth place) as a personal run's
// natal body; progressed and directed runs against a computation by hand.
#include <gtest/gtest.h>
#include <swephexp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/houses.h"
#include "ports/program_folder.h"
#include "runs/session.h"
#include "support/angle_check.h"
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

// One session asked for births that differ in one thing each: every natal
// place is that birth's own, as a fresh session finds it.
TEST(NatalPoints, OneSessionTakesEachBirthsOwn) {
  Session shared(ExecutableFolder());
  for (const CaseLine& c : ReadCases("runs/cases/session_births.txt")) {
    SCOPED_TRACE(c.where);
    const BodyIndex natal = Natal(c[0]);
    const double latitude = std::stod(c[3]);
    RunRequest r = BerlinBirth(Saturn, natal, 2024, 2024);
    r.birth.hour = static_cast<int16_t>(std::stoi(c[1]));
    r.zodiac = c[2] == "sidereal" ? Zodiac::Sidereal : Zodiac::Tropical;
    r.birth.place->latitude = latitude;
    Session fresh(ExecutableFolder());
    TextFace sharedFace, freshFace;
    ASSERT_TRUE(shared.Start(r, sharedFace));
    ASSERT_TRUE(fresh.Start(r, freshFace));
    const double got = shared.Results().back().natalLongitude;
    EXPECT_EQ(got, fresh.Results().back().natalLongitude);
    if (r.zodiac == Zodiac::Tropical) {
      // And the birth's own, straight from the library.
      const double birth = swe_julday(1990, 1, 1, *r.birth.hour, SE_GREG_CAL);
      double cusps[13] = {}, ascmc[10] = {};
      swe_houses(birth, latitude, 13.405, 'P', cusps, ascmc);
      const double expected = natal == Sun ? EphemerisDegrees(Sun, birth) : ascmc[SE_ASC];
      EXPECT_NEAR(std::remainder(got * kDegrees - expected, 360.0), 0, 1e-7);
    }
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

// The whole chart of a birth with its place ends with the Ascendant and
// the Midheaven after the Moon; without a place, at the Moon.
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
    std::vector<BodyIndex> natal, expected;
    for (const RunResult& run : session.Results())
      if (run.bodies[0] == Sun) natal.push_back(run.bodies[1]);
    for (BodyIndex b = Sun; b <= Moon; ++b) expected.push_back(b);
    if (withPlace) expected.insert(expected.end(), {Ascendant, Midheaven});
    EXPECT_EQ(natal, expected);
    EXPECT_EQ(session.Results().size(), 9 * expected.size());
    EXPECT_EQ(session.Results().back().bodies[0], Pluto);
    EXPECT_EQ(session.Results().back().bodies[1], withPlace ? Midheaven : Moon);
  }
}

// The real instants at which off(progressed days after birth) changes sign,
// each birth + 365.2422 d a day; a jump of more than 90 is a wrap, no crossing.
void Crossings(const std::function<double(double)>& off, double birth, double fromJd, double toJd,
               std::vector<double>& out) {
  const double dFrom = (fromJd - birth) / 365.2422, dTo = (toJd - birth) / 365.2422;
  for (double d = dFrom; d < dTo; d += 0.01) {
    double a = d, b = std::min(d + 0.01, dTo);
    const double fa = off(a), fb = off(b);
    if ((fa < 0) == (fb < 0) || std::fabs(fb - fa) > 90) continue;
    while (b - a > 1e-9) ((off(0.5 * (a + b)) < 0) == (fa < 0) ? a : b) = 0.5 * (a + b);
    out.push_back(birth + 0.5 * (a + b) * 365.2422);
  }
}

void ExpectSame(std::vector<double> got, std::vector<double> want, double tolerance, test::WorstError& worst,
                const std::string& where) {
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  ASSERT_EQ(got.size(), want.size()) << where;
  ASSERT_FALSE(got.empty()) << where;
  for (size_t k = 0; k < got.size(); ++k)
    worst.Note((got[k] - want[k]) * 1440.0, tolerance, where + " #" + std::to_string(k));
}

// A session keeping its samples runs progressed and directed charts of two
// births: each report a fresh session's (one birth's moved midnights do not
// serve another).
TEST(Progressions, ASessionKeepingItsSamplesMovesEachBirthsBodies) {
  auto request = [](ProgressionKind kind, int32_t year) {
    RunRequest r = test::PersonalRequest(Venus, Moon, 2000, 2060, EnteredDate::Of(year, 3, 8), 21, 15,
                                         ZoneOfMinutes(600));
    r.progression = kind;
    r.orbs = {5, 3, 1};
    return r;
  };
  auto report = [](Session& session, const RunRequest& r) {
    test::TextFace face;
    session.Start(r, face);
    return face.text;
  };
  Session kept(ExecutableFolder());
  kept.KeepSamples(true);
  std::vector<std::string> wanted;
  for (const RunRequest& r : {request(ProgressionKind::Progressed, 1999), request(ProgressionKind::Directed, 1999),
                              request(ProgressionKind::Progressed, 1955), request(ProgressionKind::Directed, 1955)}) {
    Session fresh(ExecutableFolder());
    wanted.push_back(report(fresh, r));
    EXPECT_EQ(report(kept, r), wanted.back()) << wanted.size();
  }
  // Each birth and kind has transits of its own.
  auto rows = [](const std::string& text) { return text.substr(text.find("-----")); };
  for (size_t k = 1; k < wanted.size(); ++k) EXPECT_NE(rows(wanted[k]), rows(wanted[k - 1])) << k;
}

TEST(Progressions, ExactMinutesAndOrbDatesAgainstAComputationByHand) {
  test::WorstError exact("progressed exact minutes", "min"), orbDates("progressed orb crossings", "min");
  for (const test::CaseLine& line : test::ReadCases("runs/cases/progressions.txt")) {
    const bool progressed = line[0] == "Progressed";
    const BodyIndex movingBody = BodyByName(line[1]), natalBody = BodyByName(line[2]);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;  // the birth, local time
    std::sscanf(line[3].c_str(), "%d-%d-%d %d:%d", &year, &month, &day, &hour, &minute);
    const int zoneMinutes = std::stoi(line[4]), fromYear = std::stoi(line[5]), toYear = std::stoi(line[6]);
    RunRequest r = test::PersonalRequest(movingBody, natalBody, fromYear, toYear, EnteredDate::Of(year, month, day),
                                         int16_t(hour), int16_t(minute), ZoneOfMinutes(zoneMinutes));
    r.progression = progressed ? ProgressionKind::Progressed : ProgressionKind::Directed;
    if (line.fields.size() > 7) std::sscanf(line[7].c_str(), "%hd/%hd/%hd", &r.orbs[0], &r.orbs[1], &r.orbs[2]);
    Session session(ExecutableFolder());
    test::TextFace face;
    ASSERT_TRUE(session.Start(r, face)) << line.where << (face.told.empty() ? "" : face.told.back());
    const RunResult& run = session.Results().at(0);

    const double birth = swe_julday(year, month, day, hour + minute / 60.0 - zoneMinutes / 60.0, SE_GREG_CAL);
    const double natal = EphemerisDegrees(natalBody, birth);
    // Directed: the natal longitude moved on by the Sun's travel.
    auto moving = [&](double d) {
      if (progressed) return EphemerisDegrees(movingBody, birth + d);
      return EphemerisDegrees(movingBody, birth) + EphemerisDegrees(Sun, birth + d) - EphemerisDegrees(Sun, birth);
    };
    const double fromJd = LocalMidnight(run.startDay, run.zone).ut, toJd = LocalMidnight(run.endDay + 1, run.zone).ut;
    std::vector<double> wantExact, wantOrb;
    for (const double angle : {0.0, 60.0, 90.0, 120.0, 180.0, 240.0, 270.0, 300.0})
      Crossings([&](double d) { return WrappedDifferenceDegrees(moving(d) - natal, angle); }, birth, fromJd, toJd,
                wantExact);
    for (const double angle : {0.0, 60.0, 90.0, 120.0, 180.0})
      for (const int16_t orb : r.orbs)
        Crossings(
            [&](double d) { return std::fabs(std::fabs(WrappedDifferenceDegrees(moving(d), natal)) - angle) - orb; },
            birth, fromJd, toJd, wantOrb);

    std::vector<double> gotExact, gotOrb;
    for (const TransitRecord& t : run.transits)
      for (const TransitRowData& row : t.passes) {
        if (row.minimum && row.minimum->exact) gotExact.push_back(row.minimum->instant.ut);
        for (const auto* marks : {&row.entry, &row.exit})
          for (const std::optional<DateMark>& mark : *marks) {
            if (!mark) continue;
            ASSERT_TRUE(mark->crossing) << line.where << ": an orb date without its minute";
            gotOrb.push_back(InstantOf(*mark->crossing).ut);
          }
      }
    ExpectSame(gotExact, wantExact, 0.501, exact, line.where);
    ExpectSame(gotOrb, wantOrb, 1.01, orbDates, line.where);
    const std::string title = progressed ? "Progressed " : "Directed ";
    EXPECT_EQ(face.text.find(title + BodyName(movingBody) + " transits of natal "), 0u) << face.text.substr(0, 80);
  }
}

}  // namespace
