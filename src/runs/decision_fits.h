// The fits for decisions that runs will ask for, in pieces that other
// threads make ahead of them.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/longitude_fits.h"
#include "engine/transit_search.h"

namespace skyloom {

// The bodies a run moves: both of a world pair, the transiting one of a
// personal run (its natal point stands still); -1 for none.
std::array<BodyIndex, 2> MovingBodies(const RunDescription& run);

// The numbers of the spans of a body's fits for decisions that hold the
// midnights a run's walk looks at (from a day behind its first) and half an
// hour beyond the last (the retrograde test's).
std::pair<int64_t, int64_t> DecisionSpans(const RunDescription& run, BodyIndex body);

// Spans first to last of the bodies in the mask (bit n for body n), whose
// spans are alike (LongitudeFits::MadeTogether), counted in their own
// length; from is the instant the first begins.
struct DecisionFitPiece {
  uint32_t bodies = 0;
  int64_t first = 0, last = 0;
  double from = 0;
};

// The spans of the fits for decisions that the runs' moving bodies decide
// on (FitsPay) over the runs' periods, at most spansAtOnce to a piece: for
// each group of bodies whose spans are alike, from the first any of its
// runs asks for to the last.
std::vector<DecisionFitPiece> DecisionFitPieces(const std::vector<RunDescription>& runs, int64_t spansAtOnce);

}  // namespace skyloom
