#include "engine/void_of_course.h"

#include <algorithm>
#include <cmath>

#include "engine/sky_events.h"

namespace skyloom {
namespace {

struct ExactAspect {
  double at;
  BodyIndex body;
  AspectIndex aspect;
};

// Every exact major aspect of the Moon to the bodies from the Sun to Pluto
// between two instants. The Moon outruns every body, so its elongation from
// each grows all the time and passes each aspect's angles (the opposition
// once, the others on either side) upwards.
std::vector<ExactAspect> MoonAspects(const BodyPositions& positions, double from, double to) {
  std::vector<ExactAspect> found;
  for (BodyIndex body = Sun; body <= Pluto; ++body) {
    for (AspectIndex aspect = 1; aspect <= MajorAspectCount; ++aspect) {
      const double angle = AspectTable[static_cast<size_t>(aspect)].Angle;
      for (const double target : {angle, TwoPi - angle}) {
        auto elongation = [&](double t) -> std::optional<double> {
          const Position moon = positions.Longitude(Moon, t, Zodiac::Tropical);
          const Position other = positions.Longitude(body, t, Zodiac::Tropical);
          if (!moon.Known() || !other.Known()) return std::nullopt;
          return SignedAngle(moon.longitude - other.longitude - target);
        };
        // A quarter day: the elongation grows at most 17 degrees a day.
        for (const double t : UpwardZeros(elongation, from, to, 0.25)) found.push_back({t, body, aspect});
        // The conjunction and the opposition are one angle each way round.
        if (aspect == Conjunction || aspect == Opposition) break;
      }
    }
  }
  std::sort(found.begin(), found.end(), [](const ExactAspect& a, const ExactAspect& b) { return a.at < b.at; });
  return found;
}

}  // namespace

std::vector<VoidSpell> FindVoidOfCourse(const BodyPositions& positions, int32_t firstDay, int32_t lastDay,
                                        const Zone& zone, Zodiac zodiac) {
  // The Moon stays under three days in a sign: ingresses from three days
  // before the period give the beginning of every sign it is in then.
  constexpr int32_t kMargin = 3;
  const std::vector<SkyEvent> ingresses =
      FindIngresses(positions, Moon, firstDay - kMargin, lastDay + kMargin, zone, zodiac);
  if (ingresses.size() < 2) return {};
  const std::vector<ExactAspect> aspects =
      MoonAspects(positions, ingresses.front().instant.ut - 1.0, ingresses.back().instant.ut + 1.0);
  std::vector<VoidSpell> spells;
  for (size_t k = 1; k < ingresses.size(); ++k) {
    const SkyEvent& entered = ingresses[k - 1];
    const SkyEvent& leaves = ingresses[k];
    VoidSpell spell;
    spell.sign = entered.sign;
    spell.start = {entered.instant, {entered.day, entered.minuteOfDay, entered.offsetSeconds}};
    spell.end = {leaves.instant, {leaves.day, leaves.minuteOfDay, leaves.offsetSeconds}};
    // The last exact aspect before the Moon leaves the sign, on or after
    // the minute it entered.
    for (const ExactAspect& a : aspects) {
      const LocalMoment at = MomentAt(a.at, zone);
      if (at.instant < entered.instant || at.instant > leaves.instant) continue;
      spell.start = at;
      spell.lastBody = a.body;
      spell.lastAspect = a.aspect;
    }
    if (spell.end.local.day < firstDay || spell.start.local.day > lastDay) continue;
    spells.push_back(spell);
  }
  return spells;
}

}  // namespace skyloom
