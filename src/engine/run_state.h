// What a run is asked (the run description) and what it finds: the result
// table and the transits as data.
//
// The result table keeps each transit's events as data (days of the orb
// entries and exits, the minimum's instant, the closest approach's size, the
// retrograde state at each event); the texts of its cells are written from
// that data, so the report and every export are views of the same thing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calendar/zone.h"
#include "engine/bodies.h"
#include "engine/positions.h"

namespace skyloom {

// One run of the transit search: the pair, the period and how its results
// are to be given.
struct RunDescription {
  bool world = true;
  std::array<BodyIndex, 2> bodies{};  // transiting body; second transiting or natal body
  double natalLongitude = 0.0;        // personal runs: the natal position, radians
  RunOrbs orbs;
  int32_t startDay = 0, endDay = 0;  // the period, both days included
  int16_t zoneMinutes = 0;           // minutes east of Greenwich of every date and time
  std::string zoneText;              // that zone as the results list shows it
  Zodiac zodiac = Zodiac::Tropical;
  bool retrogradeMarks = true;  // a world Show-all series leaves them out
};

// The zone of a run's dates and times.
inline Zone ZoneOf(const RunDescription& run) { return ZoneOfMinutes(run.zoneMinutes, run.zoneText); }

// A date cell: the day on which the event happened (between the local
// midnights starting it and the next day) and whether the first body was
// retrograde at the midnight starting it.
struct DateMark {
  int32_t day = 0;
  bool retrograde = false;
  friend bool operator==(const DateMark&, const DateMark&) = default;
};

// The minimum of a pass: an exact aspect found to the minute, or the closest
// approach when the pair never became exact.
struct MinimumRecord {
  bool exact = false;
  int32_t day = 0;          // local date of the exact minute, or of the closest approach
  bool retrograde = false;  // exact: at the local midnight ending that day
  Instant instant;          // exact: the minute found
  int16_t minuteOfDay = 0;  // exact: local time of that minute, 0 .. 1439
  int16_t zoneMinutes = 0;  // exact: the results zone of the run
  std::string zoneText;     // exact: that zone's list text
  double deviation = 0.0;   // closest approach: smallest deviation seen, radians
  friend bool operator==(const MinimumRecord&, const MinimumRecord&) = default;
};

inline constexpr int16_t FirstTransitRow = 3;
inline constexpr int kTableColumns = 9;

struct TransitRowData {
  AspectIndex aspect = 0;                        // the transit the row belongs to (0: none)
  std::array<std::optional<DateMark>, 3> entry;  // by orb: 0 outer, 1 middle, 2 inner
  std::optional<MinimumRecord> minimum;
  std::array<std::optional<DateMark>, 3> exit;  // by orb
};

// Rows of nine text cells. Rows 0 to 2 hold the report's title, headings and
// separator; transits start at FirstTransitRow.
class TransitTable {
 public:
  // Rows for a period of periodDays days: periodDays / 58 * 8 rounded, at
  // least 200, at most 32760. The table grows beyond that when a run needs
  // it; rows are made as they are written.
  static int32_t RowsForPeriod(int64_t periodDays);

  void Create(int64_t periodDays);
  void ClearTransitTable();

  // Rows made so far; those beyond are empty.
  int32_t RowCount() const { return static_cast<int32_t>(cells_.size()); }
  const std::string& Cell(int32_t row, int column) const;
  // A text cell; in transit rows only column 0 (the aspect name) is set this way.
  void SetCell(int32_t row, int column, std::string text);
  bool RowIsEmpty(int32_t row) const;

  const TransitRowData& Data(int32_t row) const;
  // The cells that follow from the events of a transit of the aspect, each
  // written with its text.
  void SetEntry(int32_t row, AspectIndex aspect, OrbIndex orb, DateMark mark);
  void SetExit(int32_t row, AspectIndex aspect, OrbIndex orb, DateMark mark);
  void SetMinimum(int32_t row, AspectIndex aspect, const MinimumRecord& minimum);
  // Column 0: the aspect's name, marking the row as that transit's first.
  void SetAspectName(int32_t row, AspectIndex aspect);

 private:
  void Reserve(int32_t row);
  std::vector<std::array<std::string, kTableColumns>> cells_;
  std::vector<TransitRowData> data_;
};

// Texts of the cells, from the data.
std::string DateCellText(const DateMark& mark);
// Columns 4 and 8 of a minimum.
std::string MinimumDateText(const MinimumRecord& minimum);
std::string MinimumValueText(const MinimumRecord& minimum);

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
  int16_t zoneMinutes = 0;
  std::string zoneText;  // the results zone as the list shows it
  std::array<int16_t, 3> orbDegrees{};
  Zodiac zodiac = Zodiac::Tropical;  // the run's zodiac (world runs are tropical)
  bool stopped = false;              // ended by Stop or a full output box
  std::vector<TransitRecord> transits;
};

// "Jupiter conjunction Saturn", "Saturn conjunction natal Sun": a transit of the run named.
std::string TransitPhrase(const RunResult& run, AspectIndex aspect);

}  // namespace skyloom
