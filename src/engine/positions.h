// Body positions and aspect tests: longitudes of the ten bodies (tropical or
// sidereal), separations, the retrograde test, the in-orb test with its
// date-range errors, and the day-by-day walk to the next change of that state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "calendar/zone.h"
#include "engine/bodies.h"
#include "engine/progressions.h"

namespace skyloom {

class EphemerisLibrary;
class MidnightLongitudes;
class PlutoTable;

enum class Zodiac { Tropical, Sidereal };

// 0 none; -1 / -2 after the range of body B / A; -3 / -4 before it.
using RangeErrorCode = int16_t;

// The code of a body with no position: B's codes, or A's with isA.
RangeErrorCode RangeErrorOf(PositionStatus status, bool isA);

// Longitudes of the bodies: the planets and the Moon from the ephemeris
// library, Pluto from its table (without one, or with an empty one, Pluto
// lies after its range).
class BodyPositions {
 public:
  explicit BodyPositions(EphemerisLibrary& library, const PlutoTable* pluto = nullptr)
      : library_(library), pluto_(pluto) {}
  void UsePlutoTable(const PlutoTable* pluto) { pluto_ = pluto; }
  // Every position from now on of a chart progressed or directed from a
  // birth (Transit: the sky itself). At the birth both are the sky's.
  void UseProgression(const Progression& progression) { progression_ = progression; }
  const Progression& Moved() const { return progression_; }

  // Position of a body at jd (Julian day, UT): its longitude in radians, or
  // which end of the body's data the instant lies beyond.
  Position Longitude(BodyIndex body, double jd, Zodiac zodiac) const;
  // The same with the longitude's rate of change, radians a day (0 outside
  // the range). Dearer than the longitude alone: asked for only where needed.
  Position Longitude(BodyIndex body, double jd, Zodiac zodiac, double& speed) const;

  // The longitude within `error` radians of the one above, where that costs
  // less (no speed): what fits, whose bounds take the error in, are made of.
  // reach, where given, receives the body's distance as seen on the
  // ecliptic (AU) where the ephemeris tells it, and 1 otherwise.
  Position RoughLongitude(BodyIndex body, double jd, Zodiac zodiac, double& error, double* reach = nullptr) const;

  // The same for timing a station, where the speed passes through zero:
  // Pluto's speed from the library itself, as smooth as every other body's
  // (its table's interpolated speed wavers near a station, moving the
  // minute by up to two), on the table's days only and with the table's
  // longitude; every other body as above.
  Position StationLongitude(BodyIndex body, double jd, Zodiac zodiac, double& speed) const;

  bool IsRetrograde(BodyIndex body, double jd, Zodiac zodiac) const;
  // The retrograde test with the position at jd already known.
  bool RetroCheck(BodyIndex body, Position position, double jd, Zodiac zodiac) const;

  // How many longitudes have been computed (for benchmarks and tests that
  // count the work of a run).
  uint64_t Evaluations() const { return evaluations_; }

 private:
  // roughError, where given, lets a planet's position be the library's
  // rough one and receives its error (0 for an exact one).
  Position Compute(BodyIndex body, double jd, Zodiac zodiac, double* speed, double* roughError = nullptr,
                   double* reach = nullptr) const;
  Position Sky(BodyIndex body, double jd, Zodiac zodiac, double* speed, double* roughError = nullptr,
               double* reach = nullptr) const;

  EphemerisLibrary& library_;
  const PlutoTable* pluto_;
  Progression progression_;
  mutable uint64_t evaluations_ = 0;
};

double NormalizeAngle(double x);
double AyanamsaRadians(int16_t year);
// The calendar year of a Julian day (UT), as the sidereal correction and the
// ephemeris take it; clamped to 16 bits far beyond any body's range.
int16_t CalendarYear(double jd);
// The smaller arc between two longitudes, in [0, pi].
inline double AngularSeparation(double a, double b) {
  double d1 = a - b;
  if (d1 < 0) d1 += TwoPi;
  double d2 = b - a;
  if (d2 < 0) d2 += TwoPi;
  return d1 <= d2 ? d1 : d2;
}

// What a test of two bodies at one instant needs to know.
struct AspectTest {
  BodyIndex bodyA = 0, bodyB = 0;
  AspectIndex aspect = 1;
  double orb = 0;              // radians
  bool world = true;           // B moves; else B stands at secondLongitude
  double secondLongitude = 0;  // personal runs: B's natal position
  Zodiac zodiac = Zodiac::Tropical;
};

// Whether bodies A and B are strictly within orb of the aspect at jd. The
// caller sets code to 0 beforehand; a body out of range sets it (B first,
// and then A's position is not computed) and the answer is false.
bool AspectInOrbAt(const BodyPositions& positions, const AspectTest& test, double jd, RangeErrorCode& code);

std::string DateRangeMessage(RangeErrorCode code, BodyIndex bodyA, BodyIndex bodyB);

// Walks one day at a time from startDay, testing the local midnight that
// starts each day (in the zone and zodiac of midnights, whose samples it
// shares; test.zodiac is not looked at), until the in-orb state equals
// wantedState or a body runs out of data. A forward walk for the in-orb
// state returns the last day before the first midnight in orb. Each new day
// is handed to progress.
int32_t AspectStateSearch(MidnightLongitudes& midnights, const AspectTest& test, int32_t startDay, bool& inOrbAtStart,
                          bool forward, bool wantedState, RangeErrorCode& code,
                          const std::function<void(int32_t)>& progress);

}  // namespace skyloom
