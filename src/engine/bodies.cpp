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
                                                               {"Sextile", 60.0 / 360.0 * TwoPi},
                                                               {"Semisextile", 30.0 / 360.0 * TwoPi},
                                                               {"Semisquare", 45.0 / 360.0 * TwoPi},
                                                               {"Quintile", 72.0 / 360.0 * TwoPi},
                                                               {"Sesquiquadrate", 135.0 / 360.0 * TwoPi},
                                                               {"Biquintile", 144.0 / 360.0 * TwoPi},
                                                               {"Quincunx", 150.0 / 360.0 * TwoPi}}};

namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

namespace {

const std::array<std::string, Cusp12 - Ascendant + 1> kPointNames = {
    "Ascendant", "Midheaven", "Cusp 2", "Cusp 3",  "Cusp 4",  "Cusp 5", "Cusp 6",
    "Cusp 7",    "Cusp 8",    "Cusp 9", "Cusp 10", "Cusp 11", "Cusp 12"};

std::string LowerWithoutSpaces(const std::string& text) {
  std::string out;
  for (const char c : text)
    if (c != ' ') out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

}  // namespace

const std::string& BodyName(BodyIndex body) {
  static const std::string kNone;
  if (IsNatalPoint(body)) return kPointNames[static_cast<size_t>(body - Ascendant)];
  return body >= 1 && body < static_cast<BodyIndex>(BodyNames.size()) ? BodyNames[body] : kNone;
}

BodyIndex NatalPointByName(const std::string& name) {
  const std::string wanted = LowerWithoutSpaces(name);
  for (BodyIndex p = Ascendant; p <= Cusp12; ++p)
    if (LowerWithoutSpaces(BodyName(p)) == wanted) return p;
  return 0;
}

BodyIndex BodyByName(const std::string& name) {
  for (BodyIndex b = 1; b <= LastBody; ++b)
    if (Lower(BodyNames[b]) == Lower(name)) return b;
  return 0;
}

const std::string& AspectName(AspectIndex aspect) {
  static const std::string kNone;
  return aspect >= 1 && aspect <= AspectCount ? AspectTable[aspect].Name : kNone;
}

std::string AspectShortName(AspectIndex aspect) {
  // "Sesquiquadrate" is the one name longer than the column; its first
  // twelve letters would read as a word of their own.
  if (aspect == Sesquiquadrate) return "Sesquiquad.";
  return AspectName(aspect);
}

AspectIndex AspectByName(const std::string& name) {
  for (AspectIndex a = 1; a <= AspectCount; ++a)
    if (Lower(AspectTable[a].Name) == Lower(name)) return a;
  return 0;
}

AspectSet AspectSet::Major() {
  AspectSet set;
  for (AspectIndex a = 1; a <= MajorAspectCount; ++a) set.Add(a);
  return set;
}

AspectSet AspectSet::All() {
  AspectSet set;
  for (AspectIndex a = 1; a <= AspectCount; ++a) set.Add(a);
  return set;
}

AspectSet AspectSet::Of(std::initializer_list<AspectIndex> aspects) {
  AspectSet set;
  for (const AspectIndex a : aspects) set.Add(a);
  return set;
}

void AspectSet::Add(AspectIndex aspect) {
  if (aspect >= 1 && aspect <= AspectCount) bits_ = static_cast<uint16_t>(bits_ | 1U << aspect);
}

std::vector<AspectIndex> AspectSet::List() const {
  std::vector<AspectIndex> list;
  for (AspectIndex a = 1; a <= AspectCount; ++a)
    if (Has(a)) list.push_back(a);
  return list;
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

double GreatestElongation(BodyIndex body) {
  switch (body) {
    case Sun: return 0;
    case Mercury: return 29.0 * Pi / 180;
    case Venus: return 48.5 * Pi / 180;
    default: return Pi;
  }
}

}  // namespace skyloom
