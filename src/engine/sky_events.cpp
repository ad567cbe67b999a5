#include "engine/sky_events.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "engine/exact_time.h"
#include "engine/roots.h"

namespace skyloom {
namespace {

constexpr double kSign = TwoPi / 12.0;
// Events are found well within a second, in days: an event near a half
// minute must fall on the nearer whole minute, and a few more positions per
// event cost nothing beside the walk over the samples.
constexpr double kEventTolerance = 1e-9;

// The true node swings about its mean position twice a month and may stand
// still twice within a day or so; the planets turn months apart.
double SampleStep(BodyIndex body) { return body == NorthNode ? 0.25 : 1.0; }

// The instant rounded to the nearest whole minute of the zone.
void PlaceOnMinute(SkyEvent& event, double instant, const Zone& zone) {
  const LocalMinute at = ToLocalMinute(Instant{instant}, zone);
  event.day = at.day;
  event.minuteOfDay = at.minuteOfDay;
  event.offsetSeconds = at.offsetSeconds;
  event.instant = InstantOf(at);
}

// The period's sample instants: local midnights from firstDay to the one
// ending lastDay, at the body's step.
std::vector<double> Samples(BodyIndex body, int32_t firstDay, int32_t lastDay, const Zone& zone) {
  std::vector<double> at;
  const double step = SampleStep(body);
  const double from = LocalMidnight(firstDay, zone).ut, to = LocalMidnight(lastDay + 1, zone).ut;
  for (int64_t k = 0;; ++k) {
    const double t = from + static_cast<double>(k) * step;
    if (t >= to) break;
    at.push_back(t);
  }
  at.push_back(to);
  return at;
}

// The roots of the speed between the samples: the instants of the stations,
// unrounded, with the direction the body turns to.
struct Turn {
  double at;
  bool retrograde;
};

std::vector<Turn> Turns(const BodyPositions& positions, BodyIndex body, const std::vector<double>& at, Zodiac zodiac) {
  std::vector<Turn> turns;
  if (!CanStation(body)) return turns;
  // The speed where the body has positions; none outside its data, where a
  // speed of 0 is no turn.
  auto speedAt = [&](double t) -> std::optional<double> {
    double speed = 0;
    if (!positions.StationLongitude(body, t, zodiac, speed).Known()) return std::nullopt;
    return speed;
  };
  std::optional<double> before = speedAt(at.front());
  for (size_t k = 1; k < at.size(); ++k) {
    const std::optional<double> after = speedAt(at[k]);
    if (before && after && (*before > 0) != (*after > 0)) {
      const auto t = BracketedRoot([&](double m) { return speedAt(m).value_or(0); }, at[k - 1], at[k], *before, *after,
                                   kEventTolerance);
      turns.push_back({*t, *before > 0});
    }
    before = after;
  }
  return turns;
}

bool InPeriod(const SkyEvent& e, int32_t firstDay, int32_t lastDay) { return e.day >= firstDay && e.day <= lastDay; }

std::vector<SkyEvent> StationsOf(const BodyPositions& positions, BodyIndex body, const std::vector<Turn>& turns,
                                 int32_t firstDay, int32_t lastDay, const Zone& zone, Zodiac zodiac) {
  std::vector<SkyEvent> events;
  for (const Turn& turn : turns) {
    SkyEvent e;
    e.kind = SkyEventKind::Station;
    e.body = body;
    e.retrograde = turn.retrograde;
    PlaceOnMinute(e, turn.at, zone);
    e.longitude = positions.Longitude(body, e.instant.ut, zodiac).longitude;
    if (InPeriod(e, firstDay, lastDay)) events.push_back(e);
  }
  return events;
}

std::vector<SkyEvent> IngressesOf(const BodyPositions& positions, BodyIndex body, const std::vector<double>& at,
                                  const std::vector<Turn>& turns, int32_t firstDay, int32_t lastDay, const Zone& zone,
                                  Zodiac zodiac) {
  // Between the samples and the stations the longitude moves one way, by
  // less than a sign: each such stretch crosses at most one sign's border,
  // so a body that dips into a sign and out again near a station is seen.
  std::vector<double> knots;
  size_t next = 0;
  for (const double t : at) {
    while (next < turns.size() && turns[next].at < t) knots.push_back(turns[next++].at);
    knots.push_back(t);
  }

  std::vector<SkyEvent> events;
  auto longitudeAt = [&](double t) { return positions.Longitude(body, t, zodiac); };
  Position beforeKnot = longitudeAt(knots.front());
  for (size_t k = 1; k < knots.size(); ++k) {
    const Position afterKnot = longitudeAt(knots[k]);
    if (!beforeKnot.Known() || !afterKnot.Known()) {
      beforeKnot = afterKnot;
      continue;
    }
    const double before = beforeKnot.longitude, after = afterKnot.longitude;
    // The motion over the stretch, taken the short way round.
    double motion = after - before;
    if (motion > Pi) motion -= TwoPi;
    if (motion < -Pi) motion += TwoPi;
    auto signOf = [](double l) { return static_cast<int16_t>(std::min(11.0, std::floor(l / kSign))); };
    const int16_t signBefore = signOf(before);
    const int16_t signAfter = signOf(NormalizeAngle(before + motion));
    if (signBefore != signAfter) {
      // The border crossed: the start of the sign entered going forward,
      // the end of the sign left going back.
      const bool retrograde = motion < 0;
      const double border = retrograde ? signBefore * kSign : signAfter * kSign;
      // The signed distance past the border, which the stretch crosses once.
      auto past = [&](double longitude) {
        double d = longitude - border;
        if (d > Pi) d -= TwoPi;
        if (d < -Pi) d += TwoPi;
        return d;
      };
      auto pastBorder = [&](double m) { return past(longitudeAt(m).longitude); };
      const auto t = BracketedRoot(pastBorder, knots[k - 1], knots[k], past(before), past(after), kEventTolerance);
      if (!t) {
        beforeKnot = afterKnot;
        continue;
      }
      SkyEvent e;
      e.kind = SkyEventKind::Ingress;
      e.body = body;
      e.retrograde = retrograde;
      e.sign = signAfter;
      PlaceOnMinute(e, *t, zone);
      e.longitude = longitudeAt(e.instant.ut).longitude;
      if (InPeriod(e, firstDay, lastDay)) events.push_back(e);
    }
    beforeKnot = afterKnot;
  }
  return events;
}

// The stretches between samples and stations, in which the longitude moves
// one way only.
std::vector<double> Knots(const std::vector<double>& at, const std::vector<Turn>& turns) {
  std::vector<double> knots;
  size_t next = 0;
  for (const double t : at) {
    while (next < turns.size() && turns[next].at < t) knots.push_back(turns[next++].at);
    knots.push_back(t);
  }
  return knots;
}

std::vector<SkyEvent> HouseIngressesOf(const BodyPositions& positions, BodyIndex body, const std::vector<double>& at,
                                       const std::vector<Turn>& turns, int32_t firstDay, int32_t lastDay,
                                       const Zone& zone, Zodiac zodiac, const NatalHouses& houses) {
  // Houses may be narrower than a day's motion (near the polar circles a
  // quadrant system's are): every cusp is tested in every stretch, each
  // crossed at most once there as the motion goes one way.
  const std::vector<double> knots = Knots(at, turns);
  std::vector<SkyEvent> events;
  auto longitudeAt = [&](double t) { return positions.Longitude(body, t, zodiac); };
  Position beforeKnot = longitudeAt(knots.front());
  for (size_t k = 1; k < knots.size(); ++k) {
    const Position afterKnot = longitudeAt(knots[k]);
    if (beforeKnot.Known() && afterKnot.Known()) {
      double motion = afterKnot.longitude - beforeKnot.longitude;
      if (motion > Pi) motion -= TwoPi;
      if (motion < -Pi) motion += TwoPi;
      const bool retrograde = motion < 0;
      std::vector<SkyEvent> found;
      for (size_t c = 0; c < houses.cusps.size(); ++c) {
        const double cusp = houses.cusps[c];
        // The signed distance past the cusp, near it the right way round.
        auto past = [&](double longitude) {
          double d = longitude - cusp;
          while (d > Pi) d -= TwoPi;
          while (d < -Pi) d += TwoPi;
          return d;
        };
        const double from = past(beforeKnot.longitude);
        const double to = from + motion;
        // Direct: from before the cusp to on or past it; retrograde: from
        // on or past it to before it.
        const bool crosses = retrograde ? (from >= 0 && to < 0) : (from < 0 && to >= 0);
        if (!crosses) continue;
        auto pastCusp = [&](double m) { return past(longitudeAt(m).longitude); };
        const auto t =
            BracketedRoot(pastCusp, knots[k - 1], knots[k], from, past(afterKnot.longitude), kEventTolerance);
        if (!t) continue;
        SkyEvent e;
        e.kind = SkyEventKind::HouseIngress;
        e.body = body;
        e.retrograde = retrograde;
        const auto cuspHouse = static_cast<int16_t>(c + 1);
        e.house = retrograde ? static_cast<int16_t>(cuspHouse == 1 ? 12 : cuspHouse - 1) : cuspHouse;
        PlaceOnMinute(e, *t, zone);
        e.longitude = longitudeAt(e.instant.ut).longitude;
        if (InPeriod(e, firstDay, lastDay)) found.push_back(e);
      }
      std::sort(found.begin(), found.end(),
                [](const SkyEvent& a, const SkyEvent& b) { return a.instant.ut < b.instant.ut; });
      events.insert(events.end(), found.begin(), found.end());
    }
    beforeKnot = afterKnot;
  }
  return events;
}

}  // namespace

const std::string& SignName(int16_t sign) {
  static const std::array<std::string, 12> kNames = {"Aries",       "Taurus",    "Gemini",   "Cancer",
                                                     "Leo",         "Virgo",     "Libra",    "Scorpio",
                                                     "Sagittarius", "Capricorn", "Aquarius", "Pisces"};
  return kNames[static_cast<size_t>(((sign % 12) + 12) % 12)];
}

std::string ZodiacPositionText(double longitude) {
  const auto minutes = static_cast<int64_t>(std::floor(NormalizeAngle(longitude) / TwoPi * 360.0 * 60.0));
  const auto sign = static_cast<int16_t>(minutes / 1800 % 12);
  const int64_t inSign = minutes % 1800;
  return std::to_string(inSign / 60) + "\xC2\xB0" + std::to_string(inSign % 60) + "' " + SignName(sign);
}

std::vector<SkyEvent> FindStations(const BodyPositions& positions, BodyIndex body, int32_t firstDay, int32_t lastDay,
                                   const Zone& zone, Zodiac zodiac) {
  const std::vector<double> at = Samples(body, firstDay, lastDay, zone);
  return StationsOf(positions, body, Turns(positions, body, at, zodiac), firstDay, lastDay, zone, zodiac);
}

std::vector<SkyEvent> FindIngresses(const BodyPositions& positions, BodyIndex body, int32_t firstDay, int32_t lastDay,
                                    const Zone& zone, Zodiac zodiac) {
  const std::vector<double> at = Samples(body, firstDay, lastDay, zone);
  return IngressesOf(positions, body, at, Turns(positions, body, at, zodiac), firstDay, lastDay, zone, zodiac);
}

namespace {

// The period every run covers, in the first run's zone and zodiac (a
// command's runs share them).
void TakePeriodOf(SkyEventList& list, const std::vector<RunResult>& results) {
  const RunResult& first = results.front();
  list.firstDay = first.startDay;
  list.lastDay = first.endDay;
  list.zone = first.zone;
  list.zodiac = first.zodiac;
  for (const RunResult& run : results) {
    list.firstDay = std::min(list.firstDay, run.startDay);
    list.lastDay = std::max(list.lastDay, run.endDay);
  }
}

}  // namespace

SkyEventList EventsOfRuns(const BodyPositions& positions, const std::vector<RunResult>& results, bool stations,
                          bool ingresses) {
  SkyEventList list;
  list.stationsAsked = stations;
  list.ingressesAsked = ingresses;
  if (results.empty() || !list.Any()) return list;
  TakePeriodOf(list, results);
  std::vector<BodyIndex> bodies;
  for (const RunResult& run : results)
    for (int k = 0; k < (run.world ? 2 : 1); ++k)
      if (std::find(bodies.begin(), bodies.end(), run.bodies[k]) == bodies.end()) bodies.push_back(run.bodies[k]);
  for (const BodyIndex body : bodies) {
    // One walk over the samples and the stations serves both tables.
    const std::vector<double> at = Samples(body, list.firstDay, list.lastDay, list.zone);
    const std::vector<Turn> turns = Turns(positions, body, at, list.zodiac);
    if (stations) {
      auto found = StationsOf(positions, body, turns, list.firstDay, list.lastDay, list.zone, list.zodiac);
      list.stations.insert(list.stations.end(), found.begin(), found.end());
    }
    if (ingresses) {
      auto found = IngressesOf(positions, body, at, turns, list.firstDay, list.lastDay, list.zone, list.zodiac);
      list.ingresses.insert(list.ingresses.end(), found.begin(), found.end());
    }
  }
  return list;
}

}  // namespace skyloom

namespace skyloom {

std::vector<SkyEvent> FindHouseIngresses(const BodyPositions& positions, BodyIndex body, int32_t firstDay,
                                         int32_t lastDay, const Zone& zone, Zodiac zodiac, const NatalHouses& houses) {
  const std::vector<double> at = Samples(body, firstDay, lastDay, zone);
  return HouseIngressesOf(positions, body, at, Turns(positions, body, at, zodiac), firstDay, lastDay, zone, zodiac,
                          houses);
}

void AddHouseIngresses(SkyEventList& list, const BodyPositions& positions, const std::vector<RunResult>& results,
                       const NatalHouses& houses) {
  list.houseIngressesAsked = true;
  list.houseSystem = houses.system;
  if (results.empty()) return;
  // The same period, zone and zodiac as the other tables take.
  TakePeriodOf(list, results);
  std::vector<BodyIndex> bodies;
  for (const RunResult& run : results)
    if (!run.world && std::find(bodies.begin(), bodies.end(), run.bodies[0]) == bodies.end())
      bodies.push_back(run.bodies[0]);
  for (const BodyIndex body : bodies) {
    auto found = FindHouseIngresses(positions, body, list.firstDay, list.lastDay, list.zone, list.zodiac, houses);
    list.houseIngresses.insert(list.houseIngresses.end(), found.begin(), found.end());
  }
}

}  // namespace skyloom
