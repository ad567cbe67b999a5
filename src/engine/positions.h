// Body positions and aspect tests: longitudes of the ten bodies (tropical or
// sidereal), separations, the retrograde test, the in-orb test with its
// date-range errors, and the day-by-day walk to the next change of that state.
#pragma once

#include <cstdint>
#include <string>

#include "engine/bodies.h"

namespace skyloom {

class Window;

// 0 none; -1 / -2 after the range of body B / A; -3 / -4 before it.
using RangeErrorCode = int16_t;

// Longitude of a body at jd (Julian day, UT) in radians, or -99 / -100
// outside the body's range. Sidereal when SiderealFlag is set.
double BodyLongitude(BodyIndex body, double jd);
// The same with the longitude's rate of change, radians a day (0 outside
// the range). Dearer than the longitude alone: asked for only where needed.
double BodyLongitude(BodyIndex body, double jd, double& speed);
double NormalizeAngle(double x);
// How many longitudes BodyLongitude has computed since the program started
// (for benchmarks and tests that count the work of a run).
uint64_t PositionEvaluationCount();
double AyanamsaRadians(int16_t year);
double MoonLongitude(double jd);
// The smaller arc between two longitudes, in [0, pi].
double AngularSeparation(double a, double b);

bool IsRetrograde(BodyIndex body, double jd);
// The retrograde test with the longitude at jd already known.
bool RetroCheck(BodyIndex body, double longitude, double jd);

// Whether bodies A and B are strictly within orb of the aspect at jd. In a
// personal run (worldRun false) with secondLongitude >= 0, that is B's
// position. The caller sets code to 0 beforehand; a body out of range sets it
// and, when showMessage is set and window is given, shows "Error".
bool AspectInOrbAt(Window* window, BodyIndex bodyA, BodyIndex bodyB, double jd, AspectIndex aspect,
                   double orb, bool worldRun, double secondLongitude, bool showMessage,
                   RangeErrorCode& code);

std::string DateRangeMessage(RangeErrorCode code, BodyIndex bodyA, BodyIndex bodyB);

// Walks one day at a time from startDay, testing the local midnight that
// starts each day, until the in-orb state equals wantedState or a body runs
// out of data. A forward walk for the in-orb state returns the last day
// before the first midnight in orb. Shows each day tested in the window's
// progress label when a window is given.
int32_t AspectStateSearch(Window* window, int32_t startDay, bool& inOrbAtStart, bool forward,
                          bool wantedState, int16_t zoneMinutes, BodyIndex bodyA, BodyIndex bodyB,
                          AspectIndex aspect, double orb, bool worldRun, double secondLongitude,
                          bool showMessage, RangeErrorCode& code);

// The Julian day of the local midnight that starts day number d in a zone
// zoneMinutes east of Greenwich.
constexpr double LocalMidnight(int32_t day, int16_t zoneMinutes) {
  return day - 0.5 - zoneMinutes / 1440.0;
}

}  // namespace skyloom
