// The natal houses against swetest and house ingresses against a dense scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/houses.h"
#include "engine/sky_events.h"
#include "ports/ephemeris.h"
#include "support/case_file.h"
#include "support/engine_setup.h"
#include "support/independent.h"
#include "support/worst_error.h"

namespace {

using namespace skyloom;
using namespace skyloom::test;

constexpr double kDegrees = 360.0 / TwoPi;

// A chart of house_reference.txt, as swetest gives it.
struct Reference {
  int year, month, day, hour, minute;
  double latitude, longitude;
  std::string place;
  char system = 'P';  // swetest's letter
  double cusps[12] = {};
  double ascendant = 0, midheaven = 0;  // degrees

  double Jd() const { return Day(year, month, day) - 0.5 + (hour + minute / 60.0) / 24.0; }
  std::string Where() const {
    return place + " " + std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day);
  }
  NatalHouses Houses(Zodiac zodiac = Zodiac::Tropical) const {
    const auto systemOfLetter = static_cast<HouseSystem>(std::string_view("PKRCOEW").find(system));
    return HousesAt(TestLibrary(), Jd(), latitude, longitude, systemOfLetter, zodiac);
  }
};

// Written by make_house_reference.py beside this file from swetest (Swiss
// Ephemeris 2.10): six charts from 1600 to 2099 in each system, to 1e-7 degrees.
const std::vector<Reference>& References() {
  static std::vector<Reference> all;
  if (!all.empty()) return all;
  std::ifstream in(std::filesystem::path(SKYLOOM_TEST_DIR) / "engine" / "house_reference.txt");
  if (!in) throw std::runtime_error("cannot read house_reference.txt");
  for (Reference r;
       in >> r.year >> r.month >> r.day >> r.hour >> r.minute >> r.latitude >> r.longitude >> r.place >> r.system;) {
    for (double& cusp : r.cusps) in >> cusp;
    in >> r.ascendant >> r.midheaven;
    all.push_back(r);
  }
  return all;
}

// Each cusp and both angles to 0.01"; sidereal cusps less the bodies' own
// correction, that of the birth's calendar year.
TEST(Houses, CuspsAndAnglesAgreeWithSwetest) {
  WorstError error("house cusps against swetest", "arcsec");
  ASSERT_EQ(References().size(), 42u) << "house_reference.txt unread or cut";
  for (const Reference& ref : References()) {
    const NatalHouses houses = ref.Houses(), sidereal = ref.Houses(Zodiac::Sidereal);
    const std::string where = ref.Where() + " " + ref.system;
    ASSERT_TRUE(houses.known) << where;
    EXPECT_TRUE(houses.systemHolds) << where;
    const double sunShift = NormalizeAngle(TestPositions().Longitude(Sun, ref.Jd(), Zodiac::Tropical).longitude -
                                           TestPositions().Longitude(Sun, ref.Jd(), Zodiac::Sidereal).longitude);
    for (size_t k = 0; k < 14; ++k) {
      const BodyIndex angle = k == 12 ? Ascendant : Midheaven;
      const double at = k < 12 ? houses.cusps[k] : NatalPointLongitude(houses, angle);
      const double siderealAt = k < 12 ? sidereal.cusps[k] : k == 12 ? sidereal.ascendant : sidereal.midheaven;
      EXPECT_NEAR(NormalizeAngle(at - siderealAt), sunShift, 1e-12) << where << " " << k;
      const double want = k < 12 ? ref.cusps[k] : k == 12 ? ref.ascendant : ref.midheaven;
      error.Note(ArcsecondsApart(at * kDegrees, want), 0.01,
                 where + (k < 12 ? " cusp " + std::to_string(k + 1) : " " + BodyName(angle)));
    }
    // In the equal and whole-sign systems the tenth cusp is not the MC.
    for (BodyIndex point = Cusp2; point <= Cusp12; ++point)
      EXPECT_EQ(NatalPointLongitude(houses, point), houses.cusps[static_cast<size_t>(point - Cusp2 + 1)]) << where;
  }
}

TEST(Houses, PolarCirclesLeaveOnlySomeSystems) {
  const double jd = Day(1990, 1, 1);  // noon UT, as swetest shows Tromsø failing then
  for (const CaseLine& c : ReadCases("engine/data/polar_houses.txt")) {
    const NatalHouses houses =
        HousesAt(TestLibrary(), jd, std::stod(c[0]), 18.95, *HouseSystemByName(c[1]), Zodiac::Tropical);
    EXPECT_TRUE(houses.known) << c.where;
    EXPECT_EQ(houses.systemHolds, c[2] == "yes") << c.where;
  }
  EXPECT_EQ(NoCuspsMessage(HouseSystem::Koch, -69.65),
            "Koch houses have no cusps at latitude 69.65 S, inside the polar circle. Choose one of the house systems "
            "regiomontanus, campanus, porphyry, equal or whole-sign, which hold there.");
}

// The crossings of cusps a scan of the body's longitude finds, each at the
// nearest minute, into the house the motion makes it.
TEST(Houses, HouseIngressesAgreeWithADenseScan) {
  WorstError minutes("house ingress minutes against a ten-minute scan", "min");
  for (const CaseLine& c : ReadCases("engine/data/house_ingress_periods.txt")) {
    const BodyIndex body = BodyOfText(c[0]);
    const int32_t fromDay = DayOfText(c[1]), toDay = DayOfText(c[2]);
    const Reference& ref = References().at(std::stoul(c[3]) - 1);
    const NatalHouses houses = ref.Houses();
    auto cusp = [&](size_t k) { return houses.cusps[k % 12] * kDegrees; };
    auto ahead = [](double from, double to) { return std::fmod(to - from + 720.0, 360.0); };
    auto house = [&](double t) {
      const double degrees = EphemerisDegrees(body, t);
      for (size_t k = 0; k < 12; ++k)
        if (ahead(cusp(k), degrees) < ahead(cusp(k), cusp(k + 1))) return static_cast<int>(k + 1);
      return 0;
    };
    const Zone zone = Zone::Fixed(std::stoi(c[4]) * 60, "zone");
    const std::vector<SkyEvent> events =
        FindHouseIngresses(TestPositions(), body, fromDay, toDay, zone, Zodiac::Tropical, houses);
    const std::vector<KeyChange> scan =
        ScanChanges(house, LocalMidnight(fromDay, zone).ut, LocalMidnight(toDay + 1, zone).ut);
    const std::string where = c.where + " " + ref.Where();
    ASSERT_EQ(events.size(), scan.size()) << where;
    EXPECT_GE(events.size(), 3U) << where;
    bool anyRetrograde = false;
    for (size_t k = 0; k < events.size(); ++k) {
      EXPECT_EQ(events[k].house, scan[k].after) << where << " #" << k;
      EXPECT_EQ(events[k].retrograde, scan[k].after != scan[k].before % 12 + 1) << where << " #" << k;
      EXPECT_EQ(events[k].kind, SkyEventKind::HouseIngress);
      minutes.Note((events[k].instant.ut - scan[k].at) * 1440.0, 0.5 + 1e-3, where + " #" + std::to_string(k));
      anyRetrograde = anyRetrograde || events[k].retrograde;
      EXPECT_EQ(HouseOf(houses, TestPositions().Longitude(body, scan[k].at + 1e-4, Zodiac::Tropical).longitude),
                events[k].house)
          << where;
    }
    EXPECT_TRUE(anyRetrograde || c[5] != "yes") << where;
  }
}

}  // namespace
