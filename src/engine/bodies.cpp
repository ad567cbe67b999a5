#include "engine/bodies.h"

#include <filesystem>

#include "ports/ephemeris.h"

namespace skyloom {

std::array<std::string, 11> BodyNames;
std::array<AspectEntry, AspectCount + 1> AspectTable;
std::string DataFolder;
bool SiderealFlag = false;

const std::string& BodyName(BodyIndex body) {
  static const std::string kNone;
  return body >= 1 && body < static_cast<BodyIndex>(BodyNames.size()) ? BodyNames[body] : kNone;
}

const std::string& AspectName(AspectIndex aspect) {
  static const std::string kNone;
  return aspect >= 1 && aspect <= AspectCount ? AspectTable[aspect].Name : kNone;
}

std::string ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::filesystem::path folder = ec ? std::filesystem::current_path(ec) : exe.parent_path();
  std::string text = folder.string();
  if (text.empty() || text.back() != std::filesystem::path::preferred_separator)
    text += std::filesystem::path::preferred_separator;
  return text;
}

void FillNameTables() {
  BodyNames = {"",       "Sun",    "Mercury", "Venus",   "Mars", "Jupiter",
               "Saturn", "Uranus", "Neptune", "Pluto", "Moon"};
  static constexpr const char* kAspectNames[] = {"", "Conjunction", "Opposition", "Square", "Trine",
                                                 "Sextile"};
  for (AspectIndex a = 0; a <= AspectCount; ++a) AspectTable[a].Name = kAspectNames[a];
}

void InitAstroTables() {
  DataFolder = ExecutableFolder();
  set_ephemeris_folder(DataFolder);
  static constexpr double kAngleDegrees[] = {0, 0, 180, 90, 120, 60};
  for (AspectIndex a = 1; a <= AspectCount; ++a) AspectTable[a].Angle = kAngleDegrees[a] / 360.0 * TwoPi;
  FillNameTables();
}

void RunOrbs::Set(int16_t outer, int16_t middle, int16_t inner) {
  OrbDegrees = {outer, middle, inner};
  for (int k = 0; k < 3; ++k) OrbRadians[k] = OrbRadiansFromDegrees(OrbDegrees[k]);
  OuterOrbIs15 = outer == 15;
}

}  // namespace skyloom
