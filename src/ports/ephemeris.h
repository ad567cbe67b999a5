// Planet and Moon positions from the ephemeris library.
//
// Longitudes are geocentric, apparent (light time, aberration, the full
// nutation series) and of date, in radians in [0, 2*pi). An instant outside
// the library's range has no position: before it or after it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ports/position.h"

namespace skyloom {

// The houses of a chart from the library, tropical, in radians in
// [0, 2*pi): cusps[0] is cusp 1. Where the system asked for has no cusps (a
// quadrant system inside the polar circles) the library gives Porphyry's
// instead, and systemHolds is false; the angles hold either way.
struct ChartHouses {
  bool known = false;  // the library answered at all
  bool systemHolds = true;
  std::array<double, 12> cusps{};
  double ascendant = 0.0, midheaven = 0.0;
};

// An eclipse as the library's global search finds it: its kind and the
// instant of greatest eclipse (Julian day, UT). None where the library has
// no search or found nothing.
enum class EclipseType : uint8_t { None, Total, Annular, Hybrid, Partial, Penumbral };
struct EclipseFound {
  EclipseType type = EclipseType::None;
  double maximum = 0.0;
};

class EphemerisLibrary {
 public:
  virtual ~EphemerisLibrary() = default;
  // body: 1 Mercury, 2 Venus, 3 Earth (the Sun's geocentric longitude),
  // 4 Mars .. 8 Neptune, 9 the Moon's true ascending node, 10 its mean node,
  // 11 Chiron (from the asteroid files seas_*.se1, which the library knows
  // from 675 to 4650 only), 12 Pluto (whose transits come from the program's
  // own table: the library's is asked for the timing of its stations). jd is a Julian day in Universal Time, year its
  // calendar year. speed, when given, receives the longitude's rate of change
  // in radians a day; asking for it costs about two thirds of a position more.
  virtual Position PlanetLongitude(int32_t body, double jd, int32_t year, double* speed) = 0;
  // The same without its speed, within `error` radians of it, where that
  // costs less: for values whose own bounds take the error in (fits made
  // from them). By default PlanetLongitude's own, error 0. reach, where
  // given, receives the body's distance from the Earth as seen on the
  // ecliptic (AU, times the cosine of its latitude), where the library
  // tells it; it is left as it is otherwise.
  virtual Position RoughPlanetLongitude(int32_t body, double jd, int32_t year, double& error,
                                        double* reach = nullptr) {
    (void)reach;
    error = 0;
    return PlanetLongitude(body, jd, year, nullptr);
  }
  // The Moon's longitude at daysSinceJ2000 = Julian day (UT) - 2451545.0.
  virtual Position MoonLongitude(double daysSinceJ2000, double* speed) = 0;
  // The houses at jd (Julian day, UT) for a place (degrees, north and east
  // positive) in the library's system of that letter (P Placidus, K Koch,
  // R Regiomontanus, C Campanus, O Porphyry, E equal, W whole sign). A
  // library without houses knows none.
  virtual ChartHouses Houses(double jd, double latitude, double longitude, char system) {
    (void)jd, (void)latitude, (void)longitude, (void)system;
    return {};
  }
  // The first solar (anywhere on Earth) or lunar eclipse whose greatest
  // phase comes after jd (UT).
  virtual EclipseFound NextSolarEclipse(double jd) {
    (void)jd;
    return {};
  }
  virtual EclipseFound NextLunarEclipse(double jd) {
    (void)jd;
    return {};
  }
};

// Swiss Ephemeris with its compressed data files, looked for in the folder
// given first and then in the system's Swiss Ephemeris data folder. The
// library keeps its settings for the whole process: one such object at a
// time.
class SwissEphemeris : public EphemerisLibrary {
 public:
  explicit SwissEphemeris(const std::string& folder);
  Position PlanetLongitude(int32_t body, double jd, int32_t year, double* speed) override;
  // The library's mean place with the nutation in longitude from its 30
  // largest terms: within 2.5e-7 radians (0.05") of PlanetLongitude's from
  // 1600 to 2799, for a third less.
  Position RoughPlanetLongitude(int32_t body, double jd, int32_t year, double& error,
                                double* reach = nullptr) override;
  static constexpr double kRoughNutationError = 2.5e-7;
  Position MoonLongitude(double daysSinceJ2000, double* speed) override;
  ChartHouses Houses(double jd, double latitude, double longitude, char system) override;
  EclipseFound NextSolarEclipse(double jd) override;
  EclipseFound NextLunarEclipse(double jd) override;
};

// The system folder the library falls back to for its data files.
std::string SystemEphemerisFolder();

// Whether a position asked for without its speed takes the nutation in
// longitude from fits over 64-day spans of the library's own values (the
// mean place is still the library's): within 1e-14 radians of the library's
// whole computation, and a few times cheaper where many positions share the
// days (a batch of charts, a series), dearer where a run asks for a few a
// month. The fits are made once for the process and shared by its threads.
// A position is then the same from one call to the next, as ever: set once,
// before the first position, for the whole process.
void UseFittedNutation(bool use);

}  // namespace skyloom
