#include "engine/bodies.h"

namespace skyloom {

const std::array<std::string, LastBody + 1> BodyNames = {"",        "Sun",        "Mercury",   "Venus",   "Mars",
                                                         "Jupiter", "Saturn",     "Uranus",    "Neptune", "Pluto",
                                                         "Moon",    "North Node", "Mean Node", "Chiron"};

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

double MaxDailyMotion(BodyIndex body) {
  switch (body) {
    case Sun: return 1.1;
    case Mercury: return 2.5;
    case Venus: return 1.4;
    case Mars: return 1.0;
    case Jupiter: return 0.3;
    case Saturn: return 0.2;
    case Uranus:
    case Neptune:
    case Pluto:
    case MeanNode: return 0.1;
    // The true node swings about the mean one by up to about 0.5 degrees a day.
    case NorthNode: return 0.6;
    // At perihelion, near opposition, Chiron moves up to about 0.15 degrees a day.
    case Chiron: return 0.2;
    // The Moon moves 11.8 to 15.4 degrees a day.
    case Moon:
    default: return 16.0;
  }
}

}  // namespace skyloom
