// The natal points a moment of the sky touches: which of a birth chart's
// bodies and angles a lunation or an eclipse aspects, and how closely.
#pragma once

#include <optional>
#include <vector>

#include "engine/bodies.h"
#include "engine/houses.h"
#include "engine/positions.h"

namespace skyloom {

struct NatalPoint {
  BodyIndex body = 0;  // a body (Sun .. Moon) or an angle (Ascendant, Midheaven)
  double longitude = 0.0;
};

// The chart an event is set against, with the aspects and the outer orb of
// the runs (an event touches a point within that orb).
struct NatalChart {
  std::vector<NatalPoint> points;
  AspectSet aspects = AspectSet::Major();
  double outerOrb = 0.0;  // radians
};

struct NatalContact {
  BodyIndex natal = 0;
  AspectIndex aspect = 0;
  double deviation = 0.0;  // radians from exact, never negative
};

// The chart of a birth at jd (UT): the window's natal bodies (Sun .. Pluto,
// the Moon) where they have positions, and the Ascendant and Midheaven from
// houses when the birth place gave them.
NatalChart NatalChartAt(const BodyPositions& positions, double jd, Zodiac zodiac, const NatalHouses* houses,
                        AspectSet aspects, int16_t outerOrbDegrees);

// The points a longitude aspects within the chart's outer orb, in the
// chart's order and then by aspect.
std::vector<NatalContact> ContactsOf(const NatalChart& chart, double longitude);

}  // namespace skyloom
