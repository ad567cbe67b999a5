// The state a run shares between the commands that prepare it, the engine
// that performs it and the report that prints it, and the run's result table.
//
// The result table keeps each transit's events as data (days of the orb
// entries and exits, the minimum's instant, the closest approach's size, the
// retrograde state at each event); the texts of its cells are written from
// that data, so the report and every export are views of the same thing.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "engine/bodies.h"
#include "ports/calendar_library.h"

namespace skyloom {

class Window;

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
  int32_t day = 0;           // local date of the exact minute, or of the closest approach
  bool retrograde = false;   // exact: at the local midnight ending that day
  double instantUt = 0.0;    // exact: the minute found, Julian day in Universal Time
  int16_t minuteOfDay = 0;   // exact: local time of that minute, 0 .. 1439
  int16_t zoneMinutes = 0;   // exact: the results zone of the run
  std::string zoneText;      // exact: that zone's list text
  double deviation = 0.0;    // closest approach: smallest deviation seen, radians
  friend bool operator==(const MinimumRecord&, const MinimumRecord&) = default;
};

inline constexpr int16_t FirstTransitRow = 3;
inline constexpr int kTableColumns = 9;

struct TransitRowData {
  AspectIndex aspect = 0;  // the transit the row belongs to (0: none)
  std::array<std::optional<DateMark>, 3> entry;  // by orb: 0 outer, 1 middle, 2 inner
  std::optional<MinimumRecord> minimum;
  std::array<std::optional<DateMark>, 3> exit;   // by orb
};

// Rows of nine text cells. Rows 0 to 2 hold the report's title, headings and
// separator; transits start at FirstTransitRow.
class TransitTable {
 public:
  // Rows for a period of periodDays days: periodDays / 58 * 8 rounded, at
  // least 200, at most 32760. The table grows beyond that when a run needs it.
  static int32_t RowsForPeriod(int64_t periodDays);

  void Create(int64_t periodDays);
  void ClearTransitTable();

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
  std::array<BodyIndex, 2> bodies{};   // transiting body; second transiting or natal body
  double natalLongitude = 0.0;         // personal runs: the natal position, radians
  int32_t startDay = 0, endDay = 0;    // the period run, both included
  int16_t zoneMinutes = 0;
  std::string zoneText;                // the results zone as the list shows it
  std::array<int16_t, 3> orbDegrees{};
  bool stopped = false;                // ended by Stop or a full output box
  std::vector<TransitRecord> transits;
};

// "Jupiter conjunction Saturn", "Saturn conjunction natal Sun": a transit of the run named.
std::string TransitPhrase(const RunResult& run, AspectIndex aspect);

// Everything the main window holds for runs: the run inputs, the run state,
// the result of the last run and the open report file.
struct FormState {
  explicit FormState(Window& w) : window(w) {}
  ~FormState() {
    if (OutputFile) std::fclose(OutputFile);
  }
  FormState(const FormState&) = delete;
  FormState& operator=(const FormState&) = delete;

  Window& window;

  // Run state.
  std::array<int32_t, 3> EnteredDayNumbers{};  // 0 start, 1 end, 2 birth
  int32_t RunStartDay = 0;
  int32_t RunEndDay = 0;
  int16_t ZoneMinutes = 0;
  bool StopRequested = false;
  bool ShowAllMode = false;
  bool RunAbandoned = false;
  bool HeaderWritten = false;
  // The program is about to end: a run going on stops, no new run starts.
  bool QuitRequested = false;
  std::string CurrentDayText;
  bool WorldRun = false;  // optWorld as the run started
  int32_t RunsStarted = 0;  // runs handed to the engine, counted by the commands

  // Run inputs.
  std::array<BodyIndex, 2> RunBodies{Mars, Jupiter};
  RunOrbs Orbs;
  std::array<double, 11> NatalLongitude{};

  // The last run's result and title.
  TransitTable Table;
  std::string RunTitle;
  // The last run's transits as data, or every run of the last Show-all series.
  std::vector<RunResult> Results;

  // Output file of the report.
  std::string OutputFilePath;
  bool HtmlFileOpen = false;
  std::FILE* OutputFile = nullptr;

  // Inputs of the window that the commands share.
  CalendarDate EntryDateRecord;   // the date boxes' shared record, Calendar 'G'
  bool PlutoDataLoaded = false;   // pluto.ptb has been read
  std::string StopDateText;       // trimmed text of the stop-date box

  // Window-level values.
  bool FormLoaded = false;
  std::array<int16_t, 3> SavedTimezoneIndex{};
  // List positions remembered per mode and list: [0] world first list,
  // [1] personal first list, [2] world second list, [3] personal second list.
  std::array<int16_t, 4> RememberedPlanetIndex{-1, -1, -1, -1};
  bool FillingPlanetLists = false;
  bool StateRecentlySaved = false;
  int16_t SavedTickCount = 0;
};

}  // namespace skyloom
