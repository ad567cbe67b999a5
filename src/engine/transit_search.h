// The transit search: one run over a period of whole days finds every
// transit of a body pair for the five aspects and three nested orbs at once,
// from positions at local midnights, finds each exact aspect to the minute
// and hands each finished transit to its caller, row by row.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/midnight_longitudes.h"
#include "engine/positions.h"
#include "engine/run_state.h"

namespace skyloom {

// What a run asks of its caller.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // Before each day of the period; false ends the run at once, the transit
  // in progress unreported.
  virtual bool NextDay(int32_t day) = 0;
  struct RowTaken {
    bool taken = true;  // the row belongs to the results
    bool stop = false;  // no more rows of this transit, and the run ends at the next day
  };
  // One row of a finished transit (a transit still open at the end of the
  // period included), in order.
  virtual RowTaken TakeRow(const TransitRowData& row, RowPlace place) = 0;
};

enum class RunEnd { Completed, Stopped };

// Performs the run. The table, which the caller has created for the
// period, receives the transits from its first row on; the rows taken
// become result's transits. The daily samples come from midnights, which
// keeps them for the next run, when it serves the run's zone and zodiac.
RunEnd SearchTransits(const RunDescription& run, MidnightLongitudes& midnights, TransitTable& table, RunResult& result,
                      RunObserver& observer);
// The same with samples of the run's own.
RunEnd SearchTransits(const RunDescription& run, const BodyPositions& positions, TransitTable& table, RunResult& result,
                      RunObserver& observer);

// A day of the run's period, within `reach` days of `near`, at whose first
// midnight the pair lies clear of every aspect's outer orb (beyond doubt) and
// whose bodies have data over the whole period. No transit is under way
// there: the run cut at that day, into the days before it and the days from
// it on, hands over the rows of the whole run, the earlier days' first.
// Looked for at up to 65 midnights spread over the reach, nearest first;
// none where every one of them is in some orb.
std::optional<int32_t> QuietDayNear(const RunDescription& run, const BodyPositions& positions, int32_t near,
                                    int32_t reach);
// The days, in order, at which the run may be cut into up to `stretches`
// stretches of about even length: a quiet day near each share of the
// period, within a quarter of a share. A share without one is left whole
// with the next.
std::vector<int32_t> QuietCuts(const RunDescription& run, const BodyPositions& positions, int stretches);
// The run cut at those days (in order, inside its period): one run from its
// start to the day before the first cut, then one from each cut day to the
// day before the next, the last to the run's end.
std::vector<RunDescription> CutRun(const RunDescription& run, const std::vector<int32_t>& cuts);

// The results of a run before any transit: what was asked.
RunResult ResultOf(const RunDescription& run);

}  // namespace skyloom
