// New and full Moons over a period: the instants the Moon's elongation from
// the Sun is 0 or 180 degrees, each to the minute of the run's zone, with
// the Moon's place and the natal points it aspects.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "calendar/zone.h"
#include "engine/natal_contacts.h"
#include "engine/positions.h"

namespace skyloom {

// An instant found, rounded to the whole minute of a zone.
struct LocalMoment {
  Instant instant;  // the whole minute
  LocalMinute local;
};
LocalMoment MomentAt(double jd, const Zone& zone);

enum class LunationKind { NewMoon, FullMoon };

struct Lunation {
  LunationKind kind = LunationKind::NewMoon;
  LocalMoment at;
  double longitude = 0.0;  // the Moon's, in the run's zodiac, radians
  std::vector<NatalContact> contacts;
};

// The lunations whose local date lies in the period (firstDay to lastDay,
// both included) in the zone, in time order; none where the Moon or the Sun
// has no position.
std::vector<Lunation> FindLunations(const BodyPositions& positions, int32_t firstDay, int32_t lastDay, const Zone& zone,
                                    Zodiac zodiac);

// The instants between two instants (UT) at which a signed angle that grows
// with time, f(t) taken in (-pi, pi], passes zero upwards: the walk every
// Moon event of the forecast is found by. Samples step days apart, where f
// grows by well under pi from one to the next; f returns nothing where it
// has no value.
std::vector<double> UpwardZeros(const std::function<std::optional<double>(double)>& f, double from, double to,
                                double step);

// An angle taken into (-pi, pi].
double SignedAngle(double x);

}  // namespace skyloom
