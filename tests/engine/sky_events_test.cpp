#include "engine/sky_events.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/angle_check.h"
#include "support/case_file.h"
#include "support/engine_setup.h"
#include "support/independent.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

// The longitude in degrees, tropical or with the program's sidereal offset
// of 0.416314 radians at 2000 growing 243.8e-6 radians a calendar year.
double Degrees(BodyIndex body, double jd, bool sidereal, double* speed = nullptr) {
  const double lon = test::EphemerisDegrees(body, jd, speed);
  if (!sidereal) return lon;
  int y, m, d;
  double h;
  swe_revjul(jd, SE_GREG_CAL, &y, &m, &d, &h);
  return std::fmod(lon - (0.416314 + (y - 2000) * 243.8e-6) * test::kDegreesPerRadian + 720.0, 360.0);
}

// Every change of the speed's sign (key 1: retrograde) or of the zodiac sign.
std::vector<test::KeyChange> Scan(BodyIndex body, double from, double to, bool sidereal, bool stations) {
  return test::ScanChanges(
      [&](double jd) {
        double speed;
        const double lon = Degrees(body, jd, sidereal, &speed);
        return stations ? (speed < 0 ? 1 : 0) : static_cast<int>(std::floor(lon / 30.0));
      },
      from, to);
}

// The scan's events, each to the nearest minute (and a second for the rounding).
void ExpectSameEvents(const std::vector<SkyEvent>& got, const std::vector<test::KeyChange>& want, bool stations,
                      const std::string& what, test::WorstError& seconds) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t k = 0; k < got.size(); ++k) {
    seconds.Note((got[k].instant.ut - want[k].at) * 86400, 31.0, what + " event " + std::to_string(k));
    // An ingress is retrograde when it enters the sign before.
    EXPECT_EQ(got[k].retrograde, stations ? want[k].after == 1 : want[k].after == (want[k].before + 11) % 12)
        << what << " event " << k;
    if (!stations) {
      EXPECT_EQ(got[k].sign, want[k].after) << what << " event " << k;
    }
  }
}

TEST(SkyEvents, EveryStationAndIngressOfTheScanToTheMinute) {
  test::WorstError stationSeconds("stations against the scan", "s");
  test::WorstError ingressSeconds("ingresses against the scan", "s");
  for (const test::CaseLine& c : test::ReadCases("engine/data/sky_event_periods.txt")) {
    const BodyIndex body = test::BodyOfText(c[0]);
    const int32_t firstDay = std::stoi(c[1]), lastDay = std::stoi(c[2]);
    const Zone zone = ZoneOfMinutes(static_cast<int16_t>(std::stoi(c[3])));
    const Zodiac zodiac = c[4] == "sidereal" ? Zodiac::Sidereal : Zodiac::Tropical;
    const double from = LocalMidnight(firstDay, zone).ut, to = LocalMidnight(lastDay + 1, zone).ut;
    const auto stations = Scan(body, from, to, zodiac == Zodiac::Sidereal, true);
    const auto ingresses = Scan(body, from, to, zodiac == Zodiac::Sidereal, false);
    if (c[5] != "-") {
      EXPECT_EQ(stations.size(), std::stoul(c[5])) << c.where;
    }
    EXPECT_EQ(ingresses.size(), std::stoul(c[6])) << c.where;
    const auto& p = test::TestPositions();
    ExpectSameEvents(FindStations(p, body, firstDay, lastDay, zone, zodiac), stations, true, c.where + " stations",
                     stationSeconds);
    ExpectSameEvents(FindIngresses(p, body, firstDay, lastDay, zone, zodiac), ingresses, false, c.where + " ingresses",
                     ingressSeconds);
  }
}

TEST(SkyEvents, StationsAsSwetestShowsThem) {
  for (const test::CaseLine& w : test::ReadCases("engine/data/swetest_stations.txt")) {
    const std::vector<double> period = test::NumbersOf(w[1]), minute = test::NumbersOf(w[4]);
    const auto got = FindStations(test::TestPositions(), test::BodyOfText(w[0]), static_cast<int32_t>(period.at(0)),
                                  static_cast<int32_t>(period.at(1)), ZoneOfMinutes(0), Zodiac::Tropical);
    bool found = false;
    for (const SkyEvent& e : got)
      found = found || (e.day == std::stoi(w[3]) && e.minuteOfDay == minute.at(0) * 60 + minute.at(1) &&
                        e.retrograde == (w[5] == "retrograde"));
    EXPECT_TRUE(found) << w.where << ": no such station";
    EXPECT_EQ(got.size(), std::stoul(w[2])) << w.where;
  }
  // Local dates and times follow the zone: 20:56 UT is 02:26 the next day at GMT+5:30.
  const auto india =
      FindStations(test::TestPositions(), Mercury, 2460311, 2460676, ZoneOfMinutes(330), Zodiac::Tropical);
  ASSERT_EQ(india.size(), 7u);
  EXPECT_EQ(india.back().day, 2460661);
  EXPECT_EQ(india.back().minuteOfDay, 2 * 60 + 26);
  EXPECT_EQ(ZodiacPositionText(india[1].longitude),
            "27\xC2\xB0"
            "13' Aries");
}

TEST(SkyEvents, NodesAndChironMatchSwetest) {
  test::WorstError worst("node and Chiron longitudes against swetest", "arcsec");
  for (const test::CaseLine& c : test::ReadCases("engine/data/swetest_nodes_chiron.txt")) {
    const double got =
        test::TestPositions().Longitude(test::BodyOfText(c[0]), std::stod(c[1]), Zodiac::Tropical).longitude *
        test::kDegreesPerRadian;
    worst.Note(test::ArcsecondsApart(got, std::stod(c[2])), 0.01, c.where);
  }
  // No station where Chiron's data begin (it moves direct all that month).
  EXPECT_TRUE(
      FindStations(test::TestPositions(), Chiron, 1967601, 1967631, ZoneOfMinutes(0), Zodiac::Tropical).empty());
  // The mean node always moves back.
  EXPECT_TRUE(test::TestPositions().IsRetrograde(MeanNode, 2460310.5, Zodiac::Tropical));
}

}  // namespace
}  // namespace skyloom
