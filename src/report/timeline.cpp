#include "report/timeline.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"
#include "report/report.h"

namespace skyloom {

namespace {

constexpr std::array<const char*, 13> kMonthAbbreviations = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Spans (in days) up to which the axis counts days, then months, then years.
constexpr int64_t kLongestDaysAxis = 62;
constexpr int64_t kLongestMonthsAxis = 800;
constexpr int64_t kLongestYearsAxis = 18263;  // fifty years

CalendarDate DateOf(int32_t day) {
  CalendarDate date;
  date.DayNumber = day;
  day_number_to_date(date);
  return date;
}

// The day number of a first of the month; false when it does not fit.
bool FirstOfMonth(int64_t year, int32_t month, int32_t& day) {
  if (year < std::numeric_limits<int32_t>::min() || year > std::numeric_limits<int32_t>::max()) return false;
  CalendarDate date;
  date.Year = static_cast<int32_t>(year);
  date.Month = month;
  date.Day = 1;
  day = date_to_day_number(date);
  return date.Valid != 0;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// The year as the report's dates write it: "2020", "-500", "12,345".
std::string YearText(int32_t firstOfYear) {
  std::string text = FormatDayNumber(firstOfYear);
  return text.size() > 6 ? text.substr(0, text.size() - 6) : text;
}

// Ticks at every step-th unit from index first to last, a unit being a month
// (index year * 12 + month - 1) or a year.
void CalendarTicks(TimelineAxis& axis, int64_t first, int64_t last, bool months) {
  const int64_t step = axis.step;
  for (int64_t index = CeilDiv(first, step) * step; index <= last; index += step) {
    const int64_t year = months ? FloorDiv(index, 12) : index;
    const auto month = static_cast<int32_t>(months ? index - year * 12 + 1 : 1);
    int32_t day = 0;
    if (!FirstOfMonth(year, month, day)) continue;
    if (day < axis.firstDay || day > axis.lastDay) continue;
    std::string label = YearText(day);
    if (months) label = std::string(kMonthAbbreviations[month]) + " " + label;
    axis.ticks.push_back({day, std::move(label)});
  }
}

// The smallest step of the ladder that leaves no more than kMaxAxisLabels
// of the units first..last; the ladder repeats times ten beyond its end.
int64_t StepFor(int64_t first, int64_t last, std::initializer_list<int64_t> ladder) {
  for (int64_t scale = 1;; scale *= 10) {
    for (int64_t rung : ladder) {
      const int64_t step = rung * scale;
      const int64_t from = CeilDiv(first, step), to = FloorDiv(last, step);
      if (to - from + 1 <= static_cast<int64_t>(kMaxAxisLabels)) return step;
    }
  }
}

// The band of bands that holds day, or none.
const TimelineBand* Holding(const std::vector<TimelineBand>& bands, int32_t day) {
  for (const TimelineBand& band : bands)
    if (day >= band.firstDay && day <= band.lastDay) return &band;
  return nullptr;
}

// A band from a row's entry and exit of one orb. The engine records one
// event a day, the outermost: an inner orb entered or left on the same day as
// an outer one has no date of its own, and takes the enclosing band's. Only
// the outer orb, or an enclosing band cut off itself, reaches to the period's
// ends.
void AddBand(std::vector<TimelineBand>& bands, const std::vector<TimelineBand>* enclosing, int32_t start, int32_t end,
             const std::optional<DateMark>& entry, const std::optional<DateMark>& exit, int32_t pass) {
  if (!entry && !exit) return;
  TimelineBand band;
  band.pass = pass;
  int32_t from = start, to = end;
  band.clippedStart = band.clippedEnd = true;
  const TimelineBand* outer = enclosing == nullptr ? nullptr : Holding(*enclosing, entry ? entry->day : exit->day);
  if (entry) {
    from = entry->day;
    band.clippedStart = from < start;
  } else if (outer != nullptr) {
    from = outer->firstDay;
    band.clippedStart = outer->clippedStart;
  }
  if (exit) {
    to = exit->day;
    band.clippedEnd = to > end;
  } else if (outer != nullptr) {
    to = outer->lastDay;
    band.clippedEnd = outer->clippedEnd;
  }
  // An entry before the period or an exit after it would be a damaged
  // result; the band is cut at the period all the same.
  band.firstDay = std::clamp(from, start, end);
  band.lastDay = std::clamp(to, start, end);
  if (band.firstDay > band.lastDay) return;
  bands.push_back(band);
}

void SortBands(std::vector<TimelineBand>& bands) {
  std::stable_sort(bands.begin(), bands.end(),
                   [](const TimelineBand& a, const TimelineBand& b) { return a.firstDay < b.firstDay; });
}

// Retrograde stretches from the marks of all the transit's events, in time order.
std::vector<TimelineStretch> RetrogradeStretches(const TransitRecord& transit) {
  struct Event {
    int32_t day;
    bool retrograde;
  };
  std::vector<Event> events;
  for (const TransitRowData& row : transit.passes) {
    for (const auto& entry : row.entry)
      if (entry) events.push_back({entry->day, entry->retrograde});
    if (row.minimum) events.push_back({row.minimum->day, row.minimum->retrograde});
    for (const auto& exit : row.exit)
      if (exit) events.push_back({exit->day, exit->retrograde});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.day < b.day; });
  std::vector<TimelineStretch> stretches;
  bool open = false;
  for (const Event& e : events) {
    if (!e.retrograde) {
      open = false;
    } else if (open) {
      stretches.back().lastDay = e.day;
    } else {
      stretches.push_back({e.day, e.day});
      open = true;
    }
  }
  return stretches;
}

TimelineRow BuildRow(const RunResult& run, std::size_t runIndex, std::size_t transitIndex) {
  const TransitRecord& transit = run.transits[transitIndex];
  TimelineRow row;
  row.label = TimelineRowLabel(run, transit.aspect);
  row.run = runIndex;
  row.transit = transitIndex;
  const int32_t start = run.startDay;
  const int32_t end = std::max(run.endDay, run.startDay);
  row.periodFirstDay = start;
  row.periodLastDay = end;

  for (std::size_t p = 0; p < transit.passes.size(); ++p) {
    if (!transit.passes[p].minimum) continue;
    const MinimumRecord& m = *transit.passes[p].minimum;
    const double at = m.exact ? m.day + std::clamp<int>(m.minuteOfDay, 0, 1439) / 1440.0 : m.day + 0.5;
    row.minima.push_back({at, m.exact, static_cast<int32_t>(p)});
  }
  for (int orb = 0; orb < 3; ++orb) {
    std::vector<TimelineBand>& bands = row.bands[orb];
    const std::vector<TimelineBand>* enclosing = orb == 0 ? nullptr : &row.bands[orb - 1];
    for (std::size_t p = 0; p < transit.passes.size(); ++p) {
      const TransitRowData& pass = transit.passes[p];
      AddBand(bands, enclosing, start, end, pass.entry[orb], pass.exit[orb], static_cast<int32_t>(p));
    }
    SortBands(bands);
    // The orbs are nested: a date of an inner orb, or an exact minute, shows
    // the pair within this orb then, and any minimum lies within the outer
    // orb. Where this orb has no band of its own there, it was entered and
    // left with the enclosing orb (or, the outer orb, held all period long).
    for (std::size_t p = 0; p < transit.passes.size(); ++p) {
      const TransitRowData& pass = transit.passes[p];
      std::vector<int32_t> within;
      for (int inner = orb + 1; inner < 3; ++inner) {
        if (pass.entry[inner]) within.push_back(pass.entry[inner]->day);
        if (pass.exit[inner]) within.push_back(pass.exit[inner]->day);
      }
      if (pass.minimum && (orb == 0 || pass.minimum->exact)) within.push_back(pass.minimum->day);
      for (int32_t date : within) {
        // A minimum may fall on the day before the period, when the search
        // looked at the midnight starting it.
        const int32_t day = std::clamp(date, start, end);
        if (Holding(bands, day) != nullptr) continue;
        TimelineBand band{start, end, true, true, static_cast<int32_t>(p)};
        if (enclosing != nullptr) {
          const TimelineBand* outer = Holding(*enclosing, day);
          if (outer != nullptr)
            band = {outer->firstDay, outer->lastDay, outer->clippedStart, outer->clippedEnd, static_cast<int32_t>(p)};
        }
        bands.push_back(band);
        SortBands(bands);
      }
    }
  }
  for (const TimelineStretch& stretch : RetrogradeStretches(transit)) {
    const int32_t first = std::max(stretch.firstDay, start), last = std::min(stretch.lastDay, end);
    if (first <= last) row.retrograde.push_back({first, last});
  }
  return row;
}

}  // namespace

TimelineAxis BuildTimelineAxis(int32_t firstDay, int32_t lastDay) {
  TimelineAxis axis;
  axis.firstDay = firstDay;
  axis.lastDay = std::max(firstDay, lastDay);
  const int64_t span = static_cast<int64_t>(axis.lastDay) - axis.firstDay + 1;
  if (span <= kLongestDaysAxis) {
    axis.unit = TimelineAxisUnit::Days;
    axis.step = static_cast<int32_t>(StepFor(0, span - 1, {1, 2, 3, 5, 7}));
    for (int64_t d = axis.firstDay; d <= axis.lastDay; d += axis.step) {
      const CalendarDate date = DateOf(static_cast<int32_t>(d));
      axis.ticks.push_back(
          {static_cast<int32_t>(d), std::string(kMonthAbbreviations[date.Month]) + " " + std::to_string(date.Day)});
    }
    return axis;
  }
  const CalendarDate first = DateOf(axis.firstDay), last = DateOf(axis.lastDay);
  if (span <= kLongestMonthsAxis) {
    axis.unit = TimelineAxisUnit::Months;
    const int64_t from = static_cast<int64_t>(first.Year) * 12 + first.Month - 1 + (first.Day == 1 ? 0 : 1);
    const int64_t to = static_cast<int64_t>(last.Year) * 12 + last.Month - 1;
    axis.step = static_cast<int32_t>(StepFor(from, to, {1, 2, 3, 6}));
    CalendarTicks(axis, from, to, true);
    return axis;
  }
  const int64_t from = static_cast<int64_t>(first.Year) + (first.Month == 1 && first.Day == 1 ? 0 : 1);
  const int64_t to = last.Year;
  if (span <= kLongestYearsAxis) {
    axis.unit = TimelineAxisUnit::Years;
    axis.step = static_cast<int32_t>(StepFor(from, to, {1, 2, 5}));
  } else {
    axis.unit = TimelineAxisUnit::Decades;
    axis.step = static_cast<int32_t>(StepFor(from, to, {10, 20, 50}));
  }
  CalendarTicks(axis, from, to, false);
  return axis;
}

std::string TimelineRowLabel(const RunResult& run, AspectIndex aspect) { return TransitPhrase(run, aspect); }

std::string ReportRowText(const RunResult& run, std::size_t transit, std::size_t pass) {
  if (transit >= run.transits.size() || pass >= run.transits[transit].passes.size()) return {};
  // The report's rows again, in their order: whether a transit's first row
  // names its aspect depends on the transits above it.
  ReportTableWriter rows;
  ReportCells cells;
  for (std::size_t k = 0; k <= transit; ++k) {
    const std::vector<TransitRowData>& passes = run.transits[k].passes;
    const bool dated = std::any_of(passes.begin(), passes.end(), HasOrbDate);
    for (std::size_t p = 0; p < passes.size() && (k < transit || p <= pass); ++p)
      cells = rows.Next(passes[p], {p == 0, dated});
  }
  std::string line = ReportLine(cells);
  line.resize(line.size() - 2);  // its CR LF
  return line;
}

Timeline BuildTimeline(const std::vector<RunResult>& results) {
  Timeline timeline;
  if (results.empty()) return timeline;
  int32_t first = results.front().startDay, last = results.front().endDay;
  timeline.orbDegrees = results.front().orbDegrees;
  timeline.sameOrbs = true;
  std::size_t rowCount = 0;
  for (const RunResult& run : results) {
    first = std::min(first, run.startDay);
    last = std::max({last, run.endDay, run.startDay});
    timeline.sameOrbs = timeline.sameOrbs && run.orbDegrees == timeline.orbDegrees;
    rowCount += run.transits.size();
  }
  timeline.rows.reserve(rowCount);
  for (std::size_t r = 0; r < results.size(); ++r)
    for (std::size_t k = 0; k < results[r].transits.size(); ++k) timeline.rows.push_back(BuildRow(results[r], r, k));
  timeline.axis = BuildTimelineAxis(first, last);
  return timeline;
}

Timeline BuildTimeline(const std::vector<RunResult>& results, const SkyEventList& events) {
  Timeline timeline = BuildTimeline(results);
  if (!events.stationsAsked) return timeline;
  const size_t runIndex = results.empty() ? 0 : results.size() - 1;
  for (const SkyEvent& e : events.stations) {
    const std::string label = BodyName(e.body) + " stations";
    if (timeline.rows.empty() || timeline.rows.back().stations.empty() || timeline.rows.back().label != label) {
      TimelineRow row;
      row.label = label;
      row.run = runIndex;
      row.periodFirstDay = events.firstDay;
      row.periodLastDay = events.lastDay;
      timeline.rows.push_back(std::move(row));
    }
    timeline.rows.back().stations.push_back({e.day + e.minuteOfDay / 1440.0, e.retrograde});
  }
  if (results.empty()) timeline.axis = BuildTimelineAxis(events.firstDay, events.lastDay);
  return timeline;
}

namespace {

double AxisDay(const LocalMoment& at) { return at.local.day + at.local.minuteOfDay / 1440.0; }

}  // namespace

Timeline BuildTimeline(const std::vector<RunResult>& results, const SkyEventList& events,
                       const ForecastList& forecast) {
  Timeline timeline = BuildTimeline(results, events);
  if (!forecast.Any()) return timeline;
  if (results.empty() && !events.stationsAsked) timeline.axis = BuildTimelineAxis(forecast.firstDay, forecast.lastDay);
  TimelineSky& sky = timeline.sky;
  sky.eclipses = forecast.eclipsesAsked;
  sky.lunations = forecast.lunationsAsked;
  sky.voidOfCourse = forecast.voidOfCourseAsked;
  // The axis runs over whole days: a spell begun before its first midnight
  // or ended after its last is cut there, and a mark off it is left out.
  const double first = timeline.axis.firstDay, last = static_cast<double>(timeline.axis.lastDay) + 1.0;
  auto mark = [&](const LocalMoment& at, TimelineMarkKind kind) {
    const double day = AxisDay(at);
    if (day >= first && day < last) sky.marks.push_back({day, kind});
  };
  for (const Eclipse& e : forecast.eclipses)
    mark(e.at, IsSolar(e.kind) ? TimelineMarkKind::SolarEclipse : TimelineMarkKind::LunarEclipse);
  for (const Lunation& l : forecast.lunations)
    mark(l.at, l.kind == LunationKind::NewMoon ? TimelineMarkKind::NewMoon : TimelineMarkKind::FullMoon);
  std::stable_sort(sky.marks.begin(), sky.marks.end(),
                   [](const TimelineMark& a, const TimelineMark& b) { return a.at < b.at; });
  for (const VoidSpell& v : forecast.voidOfCourse) {
    const double from = std::max(first, AxisDay(v.start)), to = std::min(last, AxisDay(v.end));
    if (from < to) sky.spells.push_back({from, to});
  }
  return timeline;
}

int32_t PassAt(const TimelineRow& row, double day, double tickReach) {
  const TimelineMinimum* nearest = nullptr;
  for (const TimelineMinimum& m : row.minima) {
    const double distance = std::fabs(m.at - day);
    if (distance <= tickReach && (nearest == nullptr || distance < std::fabs(nearest->at - day))) nearest = &m;
  }
  if (nearest != nullptr) return nearest->pass;
  for (int orb = 2; orb >= 0; --orb)
    for (const TimelineBand& band : row.bands[orb])
      if (day >= band.firstDay && day < static_cast<double>(band.lastDay) + 1.0) return band.pass;
  return -1;
}

}  // namespace skyloom
