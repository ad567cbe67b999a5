// Where a run or a Search begins: walked back to the start of a transit
// already under way, or forward over days that cannot be in orb.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/midnight_longitudes.h"
#include "engine/positions.h"
#include "engine/run_state.h"

namespace skyloom {

// The most the deviation of a pair from any aspect can change in one day,
// radians: no deviation changes faster than the two bodies move (a natal
// point stands still).
double DailyReach(BodyIndex first, BodyIndex second, bool world);

// The day a run must begin on to report whole a transit of one of its
// aspects that is within the inner orb at the local midnight starting
// `entered`: the last day before that stretch of midnights within the inner
// orb (the earliest such day of all the aspects so found), but no earlier
// than the first day of the bodies' data or 1 January of year 1; `entered`
// when no transit is under way.
int32_t ExtendStartToTransit(MidnightLongitudes& midnights, const RunDescription& run, int32_t entered);

// A day from which the day-by-day walk for the in-orb state can start and
// still find the same first midnight in orb, or the same last day of data.
// Each new probe's day is handed to progress now and then.
int32_t ApproachInOrb(const BodyPositions& positions, const AspectTest& test, const Zone& zone, int32_t from,
                      const std::function<void(int32_t)>& progress);

}  // namespace skyloom
