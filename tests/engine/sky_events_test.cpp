#include "engine/sky_events.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/angle_check.h"
#include "support/engine_setup.h"
#include "support/independent.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

// The scan the program's events are checked against: Swiss Ephemeris asked
// directly every ten minutes, each change of the speed's sign (a station) or
// of the sign of the zodiac (an ingress) bisected to a hundredth of a second.
struct ScanEvent {
  double at;        // UT
  bool retrograde;  // station: turns retrograde; ingress: moving retrograde
  int sign;         // ingress: the sign entered
};

// Longitude in degrees (tropical, or with the program's sidereal offset of
// 0.416314 radians at 2000 growing 243.8e-6 radians a calendar year), and speed.
void Sample(BodyIndex body, double jd, bool sidereal, double& lon, double& speed) {
  lon = test::EphemerisDegrees(body, jd, &speed);
  if (sidereal) {
    int y, m, d;
    double h;
    swe_revjul(jd, SE_GREG_CAL, &y, &m, &d, &h);
    lon = std::fmod(lon - (0.416314 + (y - 2000) * 243.8e-6) * test::kDegreesPerRadian + 720.0, 360.0);
  }
}

std::vector<ScanEvent> Scan(BodyIndex body, double from, double to, bool sidereal, bool stations) {
  auto key = [&](double jd) {
    double lon, speed;
    Sample(body, jd, sidereal, lon, speed);
    return stations ? (speed < 0 ? 1 : 0) : static_cast<int>(std::floor(lon / 30.0));
  };
  std::vector<ScanEvent> found;
  const double step = 10.0 / 1440;
  int before = key(from);
  for (double t = from + step; t < to + step; t += step) {
    const int after = key(t);
    if (after == before) continue;
    double a = t - step, b = t;
    while (b - a > 1e-7) (key(0.5 * (a + b)) == before ? a : b) = 0.5 * (a + b);
    double lon, speed;
    Sample(body, b, sidereal, lon, speed);
    if (a < to) found.push_back({0.5 * (a + b), stations ? after == 1 : speed < 0, after});
    before = after;
  }
  return found;
}

// Each event found to the nearest minute: within half a minute (and a
// second for the rounding) of the scan's, in the same order, none missing
// and none added.
void ExpectSameEvents(const std::vector<SkyEvent>& got, const std::vector<ScanEvent>& want, bool stations,
                      const std::string& what, test::WorstError& seconds) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t k = 0; k < got.size(); ++k) {
    seconds.Note((got[k].instant.ut - want[k].at) * 86400, 31.0, what + " event " + std::to_string(k));
    EXPECT_EQ(got[k].retrograde, want[k].retrograde) << what << " event " << k;
    if (!stations) {
      EXPECT_EQ(got[k].sign, want[k].sign) << what << " event " << k;
    }
  }
}

struct PeriodCase {
  BodyIndex body;
  int32_t firstDay, lastDay;  // day numbers
  int16_t zoneMinutes;
  Zodiac zodiac;
  size_t stations, ingresses;  // how many there are, as the scan counts them
};

// Mercury's seven stations of 2024 and its fourteen ingresses, with the
// retrograde re-entry into Leo on 15 August; Saturn's 2025, with Aries
// entered in May and left again, going back, on 1 September; the true
// node's many turns; and bodies that never station.
const PeriodCase kPeriods[] = {
    {Mercury, 2460311, 2460676, 0, Zodiac::Tropical, 7, 14},
    {Mercury, 2460311, 2460676, 330, Zodiac::Sidereal, 7, 16},
    {Saturn, 2460677, 2461041, -300, Zodiac::Tropical, 2, 2},
    {NorthNode, 2460677, 2461041, 60, Zodiac::Tropical, 0, 1},
    {MeanNode, 2460677, 2461041, 0, Zodiac::Tropical, 0, 1},
    {Sun, 2460311, 2460676, 0, Zodiac::Tropical, 0, 12},
    {Chiron, 2460311, 2460676, 0, Zodiac::Tropical, 2, 0},
    // Pluto's stations of 2098, where its table's speed put one two minutes
    // off; the table's last year, east of Greenwich.
    {Pluto, 2487340, 2487704, 330, Zodiac::Tropical, 2, 0},
    // The Moon, as the transiting body, enters a sign every two or three days.
    {Moon, 2460311, 2460341, -300, Zodiac::Sidereal, 0, 13},
};

TEST(SkyEvents, EveryStationAndIngressOfTheScanToTheMinute) {
  test::InitEngineOnce();
  test::WorstError stationSeconds("stations against the scan", "s");
  test::WorstError ingressSeconds("ingresses against the scan", "s");
  for (const PeriodCase& c : kPeriods) {
    const std::string what = BodyName(c.body) + " from day " + std::to_string(c.firstDay);
    const double from = LocalMidnight(c.firstDay, ZoneOfMinutes(c.zoneMinutes)).ut,
                 to = LocalMidnight(c.lastDay + 1, ZoneOfMinutes(c.zoneMinutes)).ut;
    const bool sidereal = c.zodiac == Zodiac::Sidereal;
    const auto stations = Scan(c.body, from, to, sidereal, true);
    const auto ingresses = Scan(c.body, from, to, sidereal, false);
    // The true node's turns are counted by the scan alone.
    if (c.body != NorthNode) {
      EXPECT_EQ(stations.size(), c.stations) << what;
    }
    EXPECT_EQ(ingresses.size(), c.ingresses) << what;
    const auto& p = test::TestPositions();
    ExpectSameEvents(FindStations(p, c.body, c.firstDay, c.lastDay, ZoneOfMinutes(c.zoneMinutes), c.zodiac), stations,
                     true, what + " stations", stationSeconds);
    ExpectSameEvents(FindIngresses(p, c.body, c.firstDay, c.lastDay, ZoneOfMinutes(c.zoneMinutes), c.zodiac), ingresses,
                     false, what + " ingresses", ingressSeconds);
  }
}

// Stations from swetest's speeds printed minute by minute around each, the
// sign change taken linearly between the minutes, so the nearest minutes are
// these. Mercury's 2024 (`swetest -b2.1.2024 -ut03:05 -n7 -s0.000694444 -p2
// -fTs`, and from 25.4.2024 12:51, 5.8.2024 4:53, 15.12.2024 20:53): 03:07:34,
// 12:54:08, 04:56:05 and 20:56:19 UT. Pluto's from its table's first year
// to its last (`swetest -p9 -b5.1.1600 -ut11:55 -n9 -s0.000694444 -fTs
// -eswe`, and from 24.7.1600 11:49, 10.1.1850 15:58, 15.3.2000 11:49,
// 13.1.2098 06:29, 2.8.2098 03:44): 11:58:40, 11:53:00, 16:01:40, 11:52:45,
// 06:32:40 and 03:48:00 UT; from its table's speed the first came out at
// 12:06, the second at 11:41.
TEST(SkyEvents, StationsAsSwetestShowsThem) {
  const struct {
    BodyIndex body;
    int32_t firstDay, lastDay, day;
    int16_t minute;
    bool retrograde;
    size_t stations;
  } want[] = {
      {Mercury, 2460311, 2460676, 2460312, 3 * 60 + 8, false, 7},
      {Mercury, 2460311, 2460676, 2460426, 12 * 60 + 54, false, 7},
      {Mercury, 2460311, 2460676, 2460528, 4 * 60 + 56, true, 7},
      {Mercury, 2460311, 2460676, 2460660, 20 * 60 + 56, false, 7},
      {Pluto, 2305448, 2305813, 2305452, 11 * 60 + 59, false, 2},
      {Pluto, 2305448, 2305813, 2305653, 11 * 60 + 53, true, 2},
      {Pluto, 2396759, 2397123, 2396768, 16 * 60 + 2, false, 2},
      {Pluto, 2451545, 2451910, 2451619, 11 * 60 + 53, true, 2},
      {Pluto, 2487340, 2487704, 2487352, 6 * 60 + 33, false, 2},
      {Pluto, 2487340, 2487704, 2487553, 3 * 60 + 48, true, 2},
  };
  test::InitEngineOnce();
  for (const auto& w : want) {
    const auto got =
        FindStations(test::TestPositions(), w.body, w.firstDay, w.lastDay, ZoneOfMinutes(0), Zodiac::Tropical);
    bool found = false;
    for (const SkyEvent& e : got)
      found = found || (e.day == w.day && e.minuteOfDay == w.minute && e.retrograde == w.retrograde);
    EXPECT_TRUE(found) << BodyName(w.body) << ": no station on day " << w.day << " at minute " << w.minute;
    EXPECT_EQ(got.size(), w.stations) << "from day " << w.firstDay;
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

// The new bodies' longitudes against swetest (`swetest -bj2460310.5 -ut -pt
// -fl -head`, and -pm, -pD, for each Julian day below), to 0.01".
TEST(SkyEvents, NodesAndChironMatchSwetest) {
  struct Case {
    BodyIndex body;
    double jd, degrees;
  };
  const Case cases[] = {
      {NorthNode, 2086308.5, 26.5124921},  {MeanNode, 2086308.5, 25.8951347},  {Chiron, 2086308.5, 25.1011375},
      {NorthNode, 2415186.5, 250.9553340}, {MeanNode, 2415186.5, 250.3706424}, {Chiron, 2415186.5, 261.7592401},
      {NorthNode, 2460310.5, 21.0772692},  {MeanNode, 2460310.5, 20.8769046},  {Chiron, 2460310.5, 15.4626166},
      {NorthNode, 2707000.5, 276.5860325}, {MeanNode, 2707000.5, 277.8191395}, {Chiron, 2707000.5, 343.5074543},
  };
  test::InitEngineOnce();
  test::WorstError worst("node and Chiron longitudes against swetest", "arcsec");
  for (const Case& c : cases) {
    const double got =
        test::TestPositions().Longitude(c.body, c.jd, Zodiac::Tropical).longitude * test::kDegreesPerRadian;
    worst.Note(test::ArcsecondsApart(got, c.degrees), 0.01, BodyName(c.body) + " at " + test::JulianDayText(c.jd));
  }
  // A period begun before them finds no station where they begin (Chiron
  // moves direct all that month).
  EXPECT_TRUE(
      FindStations(test::TestPositions(), Chiron, 1967601, 1967631, ZoneOfMinutes(0), Zodiac::Tropical).empty());
  // The mean node always moves back; the true node is retrograde most days.
  EXPECT_TRUE(test::TestPositions().IsRetrograde(MeanNode, 2460310.5, Zodiac::Tropical));
}

}  // namespace
}  // namespace skyloom
