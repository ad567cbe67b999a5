// Planet and Moon positions from the ephemeris library.
//
// Longitudes are geocentric, apparent (light time, aberration, the full
// nutation series) and of date, in radians in [0, 2*pi). An instant outside the library's range gives
// -99 (before it) or -100 (after it), exactly.
#pragma once

#include <cstdint>
#include <string>

namespace skyloom {

// Tells the library where its data files are. The folder handed over is
// searched first, then the system's Swiss Ephemeris data folder. The text may
// be rewritten by the library; callers take it back.
void set_ephemeris_folder(std::string& folder);

// body: 1 Mercury, 2 Venus, 3 Earth (the Sun's geocentric longitude),
// 4 Mars .. 8 Neptune. jd is a Julian day in Universal Time. The year is the
// calendar year of jd; the radius vector (AU) is written when asked for.
double planet_geo_longitude(int32_t body, double jd, int32_t year, double* radius);

// The same longitude with its rate of change, radians a day, written to
// *speed. Asking for the speed costs about two thirds of a position more.
double planet_geo_motion(int32_t body, double jd, int32_t year, double* speed);

// The Moon's longitude at daysSinceJ2000 = Julian day (UT) - 2451545.0. The two
// further outputs receive latitude (radians) and distance (AU) when given.
double moon_position(double daysSinceJ2000, double* latitude, double* distance);
// The same with the longitude's rate of change, radians a day.
double moon_motion(double daysSinceJ2000, double* speed);

// The system folder the library falls back to for its data files.
std::string SystemEphemerisFolder();

}  // namespace skyloom
