// What a run is asked (the run description) and what it finds: the result
// table and the transits as data.
//
// The result table keeps each transit's events as data (days of the orb
// entries and exits, the minimum's instant, the closest approach's size, the
// retrograde state at each event) and nothing else: the report writes its
// texts from that data, as every export does, so that they are views of the
// same thing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calendar/zone.h"
#include "engine/bodies.h"
#include "engine/positions.h"
#include "engine/progressions.h"

namespace skyloom {

// One run of the transit search: the pair, the period and how its results
// are to be given.
struct RunDescription {
  bool world = true;
  std::array<BodyIndex, 2> bodies{};  // transiting body; second transiting or natal body
  double natalLongitude = 0.0;        // personal runs: the natal position, radians
  RunOrbs orbs;
  AspectSet aspects = AspectSet::Major();  // the aspects looked for, each with the same three orbs
  int32_t startDay = 0, endDay = 0;        // the period, both days included
  Zone zone;                               // the zone of every date and time
  Zodiac zodiac = Zodiac::Tropical;
  bool retrogradeMarks = true;  // a world Show-all series leaves them out
  bool crossingMinutes = true;  // the minutes orbs are crossed (DateMark::crossing), for files
  // A personal run's moving body: the sky's, progressed or directed.
  ProgressionKind progression = ProgressionKind::Transit;
};

// The zone of a run's dates and times.
inline const Zone& ZoneOf(const RunDescription& run) { return run.zone; }

// A date cell: the day on which the event happened (between the local
// midnights starting it and the next day) and whether the first body was
// retrograde at the midnight starting it; for an orb entry or exit the run
// found, also the instant the pair crossed the orb, to the nearest minute of
// the results zone (its date may be the next day where the crossing rounds
// up to a midnight).
struct DateMark {
  int32_t day = 0;
  bool retrograde = false;
  std::optional<LocalMinute> crossing;
  friend bool operator==(const DateMark&, const DateMark&) = default;
};

// The minimum of a pass: an exact aspect found to the minute, or the closest
// approach when the pair never became exact.
struct MinimumRecord {
  bool exact = false;
  int32_t day = 0;            // local date of the exact minute, or of the closest approach
  bool retrograde = false;    // exact: at the local midnight ending that day
  Instant instant;            // exact: the minute found
  int16_t minuteOfDay = 0;    // exact: local time of that minute, 0 .. 1439
  int32_t offsetSeconds = 0;  // exact: the results zone's offset at that minute
  std::string zoneText;       // exact: the results zone's text
  double deviation = 0.0;     // closest approach: smallest deviation seen, radians
  friend bool operator==(const MinimumRecord&, const MinimumRecord&) = default;
};

// One row of a transit: the events of one pass, its minimum with the orb
// entries before it and the exits after it.
struct TransitRowData {
  AspectIndex aspect = 0;                        // the transit the row belongs to (0: none)
  std::array<std::optional<DateMark>, 3> entry;  // by orb: 0 outer, 1 middle, 2 inner
  std::optional<MinimumRecord> minimum;
  std::array<std::optional<DateMark>, 3> exit;  // by orb
};

// Whether the row holds the day of an orb entry or exit.
inline bool HasOrbDate(const TransitRowData& row) {
  for (OrbIndex orb = 0; orb < 3; ++orb)
    if (row.entry[orb] || row.exit[orb]) return true;
  return false;
}

// Where a row handed over stands in its transit.
struct RowPlace {
  bool beginsTransit = false;  // the transit's first row
  // A day of the transit's orb entries or exits is known: a transit the
  // period holds only inside its orbs, from the first day to the last,
  // has its minima alone.
  bool transitDated = false;
};

// The rows of a run's transits, from row 0 on, one per minimum: the
// engine's working table, which it fills as the events come and hands over
// transit by transit.
class TransitTable {
 public:
  // Rows for a period of periodDays days: periodDays / 58 * 8 rounded, at
  // least 200, at most 32760. The table grows beyond that when a run needs
  // it; rows are made as they are written.
  static int32_t RowsForPeriod(int64_t periodDays);

  void Create(int64_t periodDays);
  void ClearTransitTable();

  // Rows made so far; those beyond are empty.
  int32_t RowCount() const { return static_cast<int32_t>(rows_.size()); }
  // No event in the row: no transit there.
  bool RowIsEmpty(int32_t row) const {
    const TransitRowData& data = Data(row);
    return !data.minimum && !HasOrbDate(data);
  }

  const TransitRowData& Data(int32_t row) const {
    return row < 0 || row >= RowCount() ? None() : rows_[static_cast<size_t>(row)];
  }
  // The events of a transit of the aspect.
  void SetEntry(int32_t row, AspectIndex aspect, OrbIndex orb, DateMark mark);
  void SetExit(int32_t row, AspectIndex aspect, OrbIndex orb, DateMark mark);
  void SetMinimum(int32_t row, AspectIndex aspect, const MinimumRecord& minimum);
  // A whole row, as another table holds it.
  void SetRow(int32_t row, const TransitRowData& data);

 private:
  void Reserve(int32_t row);
  // The row beyond those made.
  static const TransitRowData& None();
  std::vector<TransitRowData> rows_;
};

// One transit of a run: its rows' events in order (one row per minimum).
struct TransitRecord {
  AspectIndex aspect = 0;
  std::vector<TransitRowData> passes;
};

// What one run found, kept as data for the exports and the timeline.
struct RunResult {
  bool world = true;
  std::array<BodyIndex, 2> bodies{};  // transiting body; second transiting or natal body
  double natalLongitude = 0.0;        // personal runs: the natal position, radians
  int32_t startDay = 0, endDay = 0;   // the period run, both included
  Zone zone;                          // the results zone
  std::array<int16_t, 3> orbDegrees{};
  AspectSet aspects = AspectSet::Major();  // the aspects looked for
  Zodiac zodiac = Zodiac::Tropical;        // the run's zodiac (world runs are tropical)
  bool stopped = false;                    // ended by Stop or a full output box
  ProgressionKind progression = ProgressionKind::Transit;
  std::vector<TransitRecord> transits;
};

// "Jupiter conjunction Saturn", "Saturn conjunction natal Sun", "Progressed
// Moon square natal Sun": a transit of the run named.
std::string TransitPhrase(const RunResult& run, AspectIndex aspect);
// The run's first body as its transits name it: "Moon", "Progressed Moon",
// "Directed Sun".
std::string MovingBodyText(const RunResult& run);
// "progressed", "directed", or empty for the sky's own bodies.
std::string ProgressionWord(ProgressionKind kind);

}  // namespace skyloom
