#include "engine/bodies.h"

namespace skyloom {

const std::array<std::string, LastBody + 1> BodyNames = {
    "",       "Sun",   "Mercury", "Venus",      "Mars",      "Jupiter", "Saturn",
    "Uranus", "Neptune", "Pluto", "Moon", "North Node", "Mean Node", "Chiron"};

const std::array<AspectEntry, AspectCount + 1> AspectTable = {{{"", 0.0},
                                                              {"Conjunction", 0.0 / 360.0 * TwoPi},
                                                              {"Opposition", 180.0 / 360.0 * TwoPi},
                                                              {"Square", 90.0 / 360.0 * TwoPi},
                                                              {"Trine", 120.0 / 360.0 * TwoPi},
                                                              {"Sextile", 60.0 / 360.0 * TwoPi}}};

const std::string& BodyName(BodyIndex body) {
  static const std::string kNone;
  return body >= 1 && body < static_cast<BodyIndex>(BodyNames.size()) ? BodyNames[body] : kNone;
}

BodyIndex BodyByName(const std::string& name) {
  auto lower = [](std::string text) {
    for (char& c : text)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
  };
  for (BodyIndex b = 1; b <= LastBody; ++b)
    if (lower(BodyNames[b]) == lower(name)) return b;
  return 0;
}

const std::string& AspectName(AspectIndex aspect) {
  static const std::string kNone;
  return aspect >= 1 && aspect <= AspectCount ? AspectTable[aspect].Name : kNone;
}

void RunOrbs::Set(int16_t outer, int16_t middle, int16_t inner) {
  OrbDegrees = {outer, middle, inner};
  for (int k = 0; k < 3; ++k) OrbRadians[k] = OrbRadiansFromDegrees(OrbDegrees[k]);
  OuterOrbIs15 = outer == 15;
}

}  // namespace skyloom
