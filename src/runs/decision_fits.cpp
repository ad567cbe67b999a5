#include "runs/decision_fits.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "calendar/zone.h"

namespace skyloom {

std::array<BodyIndex, 2> MovingBodies(const RunDescription& run) {
  return {run.bodies[0], run.world ? run.bodies[1] : BodyIndex{-1}};
}

std::pair<int64_t, int64_t> DecisionSpans(const RunDescription& run, BodyIndex body) {
  const double from = LocalMidnight(run.startDay - 2, run.zone).ut;
  const double to = LocalMidnight(run.endDay + 2, run.zone).ut + 1.0 / 48;
  return {LongitudeFits::SpanNumber(body, from, FitSpans::Decisions),
          LongitudeFits::SpanNumber(body, to, FitSpans::Decisions)};
}

std::vector<DecisionFitPiece> DecisionFitPieces(const std::vector<RunDescription>& runs, int64_t spansAtOnce) {
  uint32_t deciding = 0;
  for (const RunDescription& run : runs)
    for (const BodyIndex body : MovingBodies(run))
      if (body >= 0 && body <= LastBody && FitsPay(body)) deciding |= 1u << body;
  std::vector<DecisionFitPiece> pieces;
  while (deciding != 0) {
    // The lowest body left and those whose spans are like its own; span
    // numbers of bodies whose spans differ (the Sun's, Mercury's place)
    // count other lengths.
    const auto lead = static_cast<BodyIndex>(std::countr_zero(deciding));
    uint32_t group = 0;
    for (BodyIndex body = lead; body <= LastBody; ++body)
      if ((deciding & (1u << body)) && LongitudeFits::MadeTogether(lead, body, FitSpans::Decisions))
        group |= 1u << body;
    deciding &= ~group;
    int64_t first = std::numeric_limits<int64_t>::max(), last = std::numeric_limits<int64_t>::min();
    for (const RunDescription& run : runs)
      for (const BodyIndex body : MovingBodies(run))
        if (body >= 0 && body <= LastBody && (group & (1u << body)) != 0) {
          const auto [from, to] = DecisionSpans(run, body);
          first = std::min(first, from);
          last = std::max(last, to);
        }
    for (int64_t span = first; span <= last; span += spansAtOnce)
      pieces.push_back({group, span, std::min(last, span + spansAtOnce - 1),
                        LongitudeFits::SpanStart(lead, span, FitSpans::Decisions)});
  }
  return pieces;
}

}  // namespace skyloom
