// Checks of a run's results against positions computed here straight from
// Swiss Ephemeris, without the program's own position code: each orb date
// must be the day on which the pair crosses that orb between two local
// midnights, and each exact minute the nearest minute to the instant at which
// the deviation reaches its minimum.
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

// Deviation in degrees from the aspect at jd (UT), straight from the library.
double IndependentDeviation(const IndependentRun& run, double jd);

// The instant (UT) of the deviation's minimum between two instants that
// bracket it, found by golden-section search.
double IndependentMinimum(const IndependentRun& run, double from, double to);

// Every problem found in the table's transit rows, one text each.
std::vector<std::string> VerifyTable(const FormState& state, bool world, double natalLongitude);

}  // namespace skyloom::test
