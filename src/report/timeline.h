// The timeline of a run, or of every run of a Show-all series: one row per
// transit with its three orbs as nested bands on a date axis, the minima as
// ticks and the retrograde stretches under them. Plain data, drawn by the
// timeline drawing library for the window and for PNG and SVG files.
//
// Days are the local day numbers the report prints. A band [firstDay,
// lastDay] covers both days whole: on a continuous axis day d runs from d to
// d + 1, so that an exact minute at 18:00 sits three quarters into its day.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/forecast.h"
#include "engine/run_state.h"
#include "engine/sky_events.h"

namespace skyloom {

struct TimelineBand {
  int32_t firstDay = 0;
  int32_t lastDay = 0;
  bool clippedStart = false;  // already in orb when the period began
  bool clippedEnd = false;    // still in orb when the period ended
  int32_t pass = 0;           // the transit's report row that holds the band's dates
  friend bool operator==(const TimelineBand&, const TimelineBand&) = default;
};

struct TimelineMinimum {
  double at = 0.0;     // exact: day plus the local minute's fraction; closest approach: noon of its day
  bool exact = false;  // false: a closest approach
  int32_t pass = 0;
};

// Days on which the transiting body was marked retrograde: from the first to
// the last of consecutive events marked "r".
struct TimelineStretch {
  int32_t firstDay = 0;
  int32_t lastDay = 0;
  friend bool operator==(const TimelineStretch&, const TimelineStretch&) = default;
};

// A station of a body: where its longitude stood still and turned.
struct TimelineStation {
  double at = 0.0;          // day plus the local minute's fraction
  bool retrograde = false;  // turned retrograde (else direct)
};

struct TimelineRow {
  std::string label;           // "Jupiter conjunction Saturn", "Saturn conjunction natal Sun"
  std::size_t run = 0;         // index into the results
  std::size_t transit = 0;     // index into that run's transits
  int32_t periodFirstDay = 0;  // the run's period; a series may hold runs of other periods
  int32_t periodLastDay = 0;
  std::array<std::vector<TimelineBand>, 3> bands;  // 0 outer, 1 middle, 2 inner; each in time order
  std::vector<TimelineMinimum> minima;
  std::vector<TimelineStretch> retrograde;
  // A body's own row (no transit, no bands) carries its stations instead.
  std::vector<TimelineStation> stations;
};

enum class TimelineAxisUnit { Days, Months, Years, Decades };

struct TimelineTick {
  int32_t day = 0;  // the tick stands at the start of this day
  std::string label;
};

struct TimelineAxis {
  int32_t firstDay = 0;  // both included
  int32_t lastDay = 0;
  TimelineAxisUnit unit = TimelineAxisUnit::Months;
  int32_t step = 1;  // in days, months or years by the unit
  std::vector<TimelineTick> ticks;
};

// More labels than this would crowd the axis of a window of ordinary width.
inline constexpr std::size_t kMaxAxisLabels = 20;

// The Moon and the eclipses over the whole picture, not over one transit:
// drawn on the date axis.
enum class TimelineMarkKind { NewMoon, FullMoon, SolarEclipse, LunarEclipse };

struct TimelineMark {
  double at = 0.0;  // day plus the local minute's fraction
  TimelineMarkKind kind = TimelineMarkKind::NewMoon;
  friend bool operator==(const TimelineMark&, const TimelineMark&) = default;
};

// A void-of-course spell, cut to the axis.
struct TimelineSpell {
  double from = 0.0, to = 0.0;  // days plus the local minute's fraction
  friend bool operator==(const TimelineSpell&, const TimelineSpell&) = default;
};

struct TimelineSky {
  // What was asked for: each has its legend entry even where the period
  // holds none.
  bool eclipses = false, lunations = false, voidOfCourse = false;
  std::vector<TimelineMark> marks;  // in time order
  std::vector<TimelineSpell> spells;
  bool Any() const { return eclipses || lunations || voidOfCourse; }
};

struct Timeline {
  std::vector<TimelineRow> rows;
  TimelineSky sky;
  TimelineAxis axis;                    // over all periods of the results
  std::array<int16_t, 3> orbDegrees{};  // the runs' orbs, when every run had the same
  bool sameOrbs = false;
};

Timeline BuildTimeline(const std::vector<RunResult>& results);
// With a row for each body that stations in the period, after the transits
// ("Mercury stations"), when the stations were asked for.
Timeline BuildTimeline(const std::vector<RunResult>& results, const SkyEventList& events);
// With the eclipses, lunations and void-of-course spells asked for marked on
// the axis as well.
Timeline BuildTimeline(const std::vector<RunResult>& results, const SkyEventList& events, const ForecastList& forecast);

// Months up to about two years (days for a couple of months or less), years
// up to fifty, decades beyond, spaced so that at most kMaxAxisLabels remain.
TimelineAxis BuildTimelineAxis(int32_t firstDay, int32_t lastDay);

std::string TimelineRowLabel(const RunResult& run, AspectIndex aspect);

// The line the report printed for one row of a transit, without its line end.
std::string ReportRowText(const RunResult& run, std::size_t transit, std::size_t pass);

// The report row (pass) under a point of a timeline row at continuous day
// `day`: a minimum within `tickReach` days first, then the innermost band
// there. -1 when the point is on no band.
int32_t PassAt(const TimelineRow& row, double day, double tickReach);

}  // namespace skyloom
