// The natal chart's houses: the house systems a run may ask for, the cusps
// and angles of a birth in the run's zodiac, a natal point's longitude, and
// the house a longitude lies in.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "engine/bodies.h"
#include "engine/positions.h"

namespace skyloom {

class EphemerisLibrary;

enum class HouseSystem { Placidus, Koch, Regiomontanus, Campanus, Porphyry, Equal, WholeSign };
inline constexpr int HouseSystemCount = 7;

// "placidus" .. "whole-sign", as the command line names them, and back (any
// letter case); nullopt for a name of none.
const std::string& HouseSystemName(HouseSystem system);
std::optional<HouseSystem> HouseSystemByName(const std::string& name);
// "Placidus" .. "Whole sign", for titles.
const std::string& HouseSystemTitle(HouseSystem system);

// Whether a system may have no cusps at a latitude: Placidus and Koch
// divide the time a degree takes to rise, which inside the polar circles
// some degrees never do.
constexpr bool FailsNearPoles(HouseSystem system) {
  return system == HouseSystem::Placidus || system == HouseSystem::Koch;
}

// The houses of a birth in a zodiac, in radians: cusps[0] is cusp 1.
struct NatalHouses {
  HouseSystem system = HouseSystem::Placidus;
  bool known = false;       // the library answered
  bool systemHolds = true;  // false: the system has no cusps at that latitude
  std::array<double, 12> cusps{};
  double ascendant = 0.0, midheaven = 0.0;
};

// The houses at jd (UT) at a place (degrees, north and east positive). The
// sidereal zodiac takes the same correction as the bodies' positions, that
// of the birth's calendar year, so that bodies and cusps agree.
NatalHouses HousesAt(EphemerisLibrary& library, double jd, double latitude, double longitude, HouseSystem system,
                     Zodiac zodiac);

// A natal point's longitude: the Ascendant and the Midheaven whatever the
// system (in the equal and whole-sign systems the tenth cusp is not the
// Midheaven), a cusp as the system has it.
double NatalPointLongitude(const NatalHouses& houses, BodyIndex point);

// The house (1 .. 12) a longitude lies in: from its cusp up to the next.
int16_t HouseOf(const NatalHouses& houses, double longitude);

// Why the system gives no cusps at the latitude, naming the systems that do.
std::string NoCuspsMessage(HouseSystem system, double latitude);

}  // namespace skyloom
