// Checks of a run's results against positions straight from Swiss
// Ephemeris, without the program's own position code: orb dates the days the
// pair crosses them, at the nearest minute; exactly the exact aspects a scan
// of the period finds, at the nearest minute; only closest approaches it found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_state.h"

namespace skyloom::test {

struct IndependentRun {
  bool world = true;
  BodyIndex bodyA = 0, bodyB = 0;
  double natalLongitude = 0;  // radians, personal runs
  AspectIndex aspect = 1;
  int16_t zoneMinutes = 0;
};

// A body's apparent geocentric longitude of date in degrees at jd (UT), and
// its speed in degrees a day when asked, straight from the library.
double EphemerisDegrees(BodyIndex body, double jd, double* speed = nullptr);

// Deviation in degrees from the aspect at jd (UT), straight from the library.
double IndependentDeviation(const IndependentRun& run, double jd);

// What the scan finds of one aspect: a zero of the deviation, or a local
// minimum of its size (exact when below one minute of arc).
struct ScanMinimum {
  AspectIndex aspect = 0;
  double instant = 0;    // UT
  double deviation = 0;  // degrees; 0 at a zero
  bool exact = false;
};

// Every zero and local minimum (below 16 degrees) of every aspect's
// deviation between two instants, from positions every three hours refined
// by bisection and golden-section search.
std::vector<ScanMinimum> ScanMinima(IndependentRun run, double from, double to);

// A change of an integer key(t): the instant (UT), to a hundredth of a second.
struct KeyChange {
  double at;
  int before, after;
};

// Every change of key(t) between from and to, sampled every ten minutes.
template <typename Key>
std::vector<KeyChange> ScanChanges(Key key, double from, double to) {
  std::vector<KeyChange> found;
  const double step = 10.0 / 1440;
  int before = key(from);
  for (double t = from + step; t < to + step; t += step) {
    const int after = key(t);
    if (after == before) continue;
    double a = t - step, b = t;
    while (b - a > 1e-7) (key(0.5 * (a + b)) == before ? a : b) = 0.5 * (a + b);
    if (a < to) found.push_back({0.5 * (a + b), before, after});
    before = after;
  }
  return found;
}

class WorstError;

// Every problem found in a run's results; how far each exact aspect and
// orb crossing lies from the scan's, in minutes, goes to exactMinutes.
std::vector<std::string> VerifyRun(const RunResult& result, WorstError& exactMinutes);
// The same, each problem a failure of the test.
void ExpectIndependentlyRight(const RunResult& result, WorstError& exactMinutes);

}  // namespace skyloom::test
