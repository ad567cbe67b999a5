#include "engine/natal_contacts.h"

#include <cmath>

namespace skyloom {

NatalChart NatalChartAt(const BodyPositions& positions, double jd, Zodiac zodiac, const NatalHouses* houses,
                        AspectSet aspects, int16_t outerOrbDegrees) {
  NatalChart chart;
  chart.aspects = aspects;
  chart.outerOrb = OrbRadiansFromDegrees(outerOrbDegrees);
  for (BodyIndex body = Sun; body <= Moon; ++body) {
    const Position p = positions.Longitude(body, jd, zodiac);
    if (p.Known()) chart.points.push_back({body, p.longitude});
  }
  if (houses != nullptr && houses->known) {
    chart.points.push_back({Ascendant, houses->ascendant});
    chart.points.push_back({Midheaven, houses->midheaven});
  }
  return chart;
}

std::vector<NatalContact> ContactsOf(const NatalChart& chart, double longitude) {
  std::vector<NatalContact> contacts;
  for (const NatalPoint& point : chart.points) {
    const double separation = AngularSeparation(longitude, point.longitude);
    for (const AspectIndex aspect : chart.aspects.List()) {
      const double deviation = std::fabs(separation - AspectTable[static_cast<size_t>(aspect)].Angle);
      if (deviation < chart.outerOrb) contacts.push_back({point.body, aspect, deviation});
    }
  }
  return contacts;
}

}  // namespace skyloom
