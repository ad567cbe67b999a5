// The ephemeris port on Swiss Ephemeris with its compressed data files.
#include "ports/ephemeris.h"

#include <swephexp.h>

#include <cmath>
#include <numbers>

namespace skyloom {
namespace {

constexpr double kJ2000 = 2451545.0;

#ifndef SKYLOOM_SYSTEM_EPHE_DIR
#define SKYLOOM_SYSTEM_EPHE_DIR "/usr/share/libswe/ephe"
#endif

// The library either answers with its own data files or, where no file covers
// the instant, with its analytical ephemeris; only beyond both does it refuse.
double Longitude(int32_t sweBody, double jd, double* radius, double* latitude) {
  double xx[6] = {};
  char err[AS_MAXCH] = {};
  const int32 flags = swe_calc_ut(jd, sweBody, SEFLG_SWIEPH, xx, err);
  if (flags < 0 || !std::isfinite(xx[0])) return jd < kJ2000 ? -99.0 : -100.0;
  if (radius) *radius = xx[2];
  if (latitude) *latitude = xx[1] * std::numbers::pi / 180.0;
  double rad = xx[0] * std::numbers::pi / 180.0;
  if (rad < 0) rad += 2 * std::numbers::pi;
  if (rad >= 2 * std::numbers::pi) rad -= 2 * std::numbers::pi;
  return rad;
}

}  // namespace

std::string SystemEphemerisFolder() { return SKYLOOM_SYSTEM_EPHE_DIR; }

void set_ephemeris_folder(std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
#ifdef _WIN32
  const char separator = ';';
#else
  const char separator = ':';
#endif
  if (!path.empty()) path += separator;
  path += SystemEphemerisFolder();
  swe_set_ephe_path(path.c_str());
  set_interpolated_nutation(true);
}

void set_interpolated_nutation(bool on) { swe_set_interpolate_nut(on ? 1 : 0); }

double planet_geo_longitude(int32_t body, double jd, int32_t /*year*/, double* radius) {
  int32_t sweBody;
  switch (body) {
    case 1: sweBody = SE_MERCURY; break;
    case 2: sweBody = SE_VENUS; break;
    case 3: sweBody = SE_SUN; break;  // geocentric Sun: the Earth seen from itself
    case 4: sweBody = SE_MARS; break;
    case 5: sweBody = SE_JUPITER; break;
    case 6: sweBody = SE_SATURN; break;
    case 7: sweBody = SE_URANUS; break;
    case 8: sweBody = SE_NEPTUNE; break;
    default: return -99.0;
  }
  return Longitude(sweBody, jd, radius, nullptr);
}

double moon_position(double daysSinceJ2000, double* latitude, double* distance) {
  return Longitude(SE_MOON, daysSinceJ2000 + kJ2000, distance, latitude);
}

}  // namespace skyloom
