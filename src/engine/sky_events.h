// Stations and sign ingresses of the moving bodies over a period: the
// instants a body's longitude stands still and turns, and the instants it
// crosses into a new sign of the run's zodiac, each to the minute.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/bodies.h"
#include "engine/houses.h"
#include "engine/positions.h"
#include "engine/run_state.h"

namespace skyloom {

enum class SkyEventKind { Station, Ingress, HouseIngress };

struct SkyEvent {
  SkyEventKind kind = SkyEventKind::Station;
  BodyIndex body = 0;
  Instant instant;            // the whole minute found
  int32_t day = 0;            // local date of that minute in the run's zone
  int16_t minuteOfDay = 0;    // its local time, 0 .. 1439
  int32_t offsetSeconds = 0;  // the zone's offset at that minute
  double longitude = 0.0;     // at that minute, radians, in the run's zodiac
  // Station: the body turns retrograde (else direct). Ingress, house
  // ingress: the body moves retrograde as it crosses.
  bool retrograde = false;
  int16_t sign = 0;   // ingress: the sign entered, 0 Aries .. 11 Pisces
  int16_t house = 0;  // house ingress: the natal house entered, 1 .. 12
};

// The events of a body in the period (the local midnight starting firstDay
// up to the one ending lastDay) in the zone, in
// time order. The Sun, the Moon and the mean node have no stations.
std::vector<SkyEvent> FindStations(const BodyPositions& positions, BodyIndex body, int32_t firstDay, int32_t lastDay,
                                   const Zone& zone, Zodiac zodiac);
std::vector<SkyEvent> FindIngresses(const BodyPositions& positions, BodyIndex body, int32_t firstDay, int32_t lastDay,
                                    const Zone& zone, Zodiac zodiac);

// The stations and ingresses asked for with the transits of a command: of
// every moving body of the runs (both bodies of a world run, the transiting
// body of a personal one), each body once, over the period the runs cover,
// in the runs' zone and zodiac.
struct SkyEventList {
  bool stationsAsked = false, ingressesAsked = false;
  int32_t firstDay = 0, lastDay = 0;
  Zone zone;
  Zodiac zodiac = Zodiac::Tropical;
  std::vector<SkyEvent> stations, ingresses;  // by body, then in time order
  // The entries into the natal houses of the system named.
  bool houseIngressesAsked = false;
  HouseSystem houseSystem = HouseSystem::Placidus;
  std::vector<SkyEvent> houseIngresses;  // by body, then in time order
  bool Any() const { return stationsAsked || ingressesAsked || houseIngressesAsked; }
};

SkyEventList EventsOfRuns(const BodyPositions& positions, const std::vector<RunResult>& results, bool stations,
                          bool ingresses);

// The instants a body enters one of the natal houses in the period (as
// FindIngresses takes it), in time order: over a cusp going direct into
// that cusp's house, over it going retrograde into the house before.
std::vector<SkyEvent> FindHouseIngresses(const BodyPositions& positions, BodyIndex body, int32_t firstDay,
                                         int32_t lastDay, const Zone& zone, Zodiac zodiac, const NatalHouses& houses);

// Adds to the list the house ingresses of the transiting bodies of the
// (personal) runs, over the period they cover, into the houses given (in
// the runs' zodiac).
void AddHouseIngresses(SkyEventList& list, const BodyPositions& positions, const std::vector<RunResult>& results,
                       const NatalHouses& houses);

// "Aries" .. "Pisces".
const std::string& SignName(int16_t sign);
// A longitude in its sign: "22°10' Capricorn" (degrees and minutes of arc
// rounded down to the minute, so that the sign is the one the body is in).
std::string ZodiacPositionText(double longitude);

}  // namespace skyloom
