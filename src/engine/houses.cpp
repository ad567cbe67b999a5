#include "engine/houses.h"

#include <cmath>
#include <cstdio>

#include "ports/ephemeris.h"

namespace skyloom {
namespace {

struct SystemEntry {
  std::string name, title;
  char letter;
};

const std::array<SystemEntry, HouseSystemCount> kSystems = {{{"placidus", "Placidus", 'P'},
                                                             {"koch", "Koch", 'K'},
                                                             {"regiomontanus", "Regiomontanus", 'R'},
                                                             {"campanus", "Campanus", 'C'},
                                                             {"porphyry", "Porphyry", 'O'},
                                                             {"equal", "Equal", 'E'},
                                                             {"whole-sign", "Whole sign", 'W'}}};

const SystemEntry& EntryOf(HouseSystem system) { return kSystems[static_cast<size_t>(system)]; }

}  // namespace

const std::string& HouseSystemName(HouseSystem system) { return EntryOf(system).name; }
const std::string& HouseSystemTitle(HouseSystem system) { return EntryOf(system).title; }

std::optional<HouseSystem> HouseSystemByName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (int k = 0; k < HouseSystemCount; ++k)
    if (kSystems[static_cast<size_t>(k)].name == lower) return static_cast<HouseSystem>(k);
  return std::nullopt;
}

NatalHouses HousesAt(EphemerisLibrary& library, double jd, double latitude, double longitude, HouseSystem system,
                     Zodiac zodiac) {
  const ChartHouses chart = library.Houses(jd, latitude, longitude, EntryOf(system).letter);
  NatalHouses houses;
  houses.system = system;
  houses.known = chart.known;
  houses.systemHolds = chart.systemHolds;
  houses.cusps = chart.cusps;
  houses.ascendant = chart.ascendant;
  houses.midheaven = chart.midheaven;
  if (chart.known && zodiac == Zodiac::Sidereal) {
    const double shift = AyanamsaRadians(CalendarYear(jd));
    for (double& cusp : houses.cusps) cusp = NormalizeAngle(cusp - shift);
    houses.ascendant = NormalizeAngle(houses.ascendant - shift);
    houses.midheaven = NormalizeAngle(houses.midheaven - shift);
  }
  return houses;
}

double NatalPointLongitude(const NatalHouses& houses, BodyIndex point) {
  if (point == Ascendant) return houses.ascendant;
  if (point == Midheaven) return houses.midheaven;
  return houses.cusps[static_cast<size_t>(point - Cusp2 + 1)];
}

int16_t HouseOf(const NatalHouses& houses, double longitude) {
  // The house whose cusp lies the shortest way back from the longitude.
  int16_t best = 1;
  double nearest = TwoPi;
  for (int16_t k = 0; k < 12; ++k) {
    const double back = NormalizeAngle(longitude - houses.cusps[static_cast<size_t>(k)]);
    if (back < nearest) {
      nearest = back;
      best = static_cast<int16_t>(k + 1);
    }
  }
  return best;
}

std::string NoCuspsMessage(HouseSystem system, double latitude) {
  char where[32];
  std::snprintf(where, sizeof where, "%.2f %s", std::fabs(latitude), latitude < 0 ? "S" : "N");
  return HouseSystemTitle(system) + " houses have no cusps at latitude " + where +
         ", inside the polar circle. Choose one of the house systems regiomontanus, campanus, porphyry, equal or "
         "whole-sign, which hold there.";
}

}  // namespace skyloom
