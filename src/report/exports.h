// The results of a run for other programs: an iCalendar file for calendar
// programs, CSV for spreadsheets and JSON for scripts. All three are written
// from the results' data, the same data the report's cells are written from,
// so they cannot tell a different story than the report.
//
// Dates are the report's dates: local dates in the run's results zone,
// written as YYYY-MM-DD. Exact instants are given in UTC as well.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/forecast.h"
#include "engine/run_state.h"
#include "engine/sky_events.h"

namespace skyloom {

// RFC 5545 calendar: per transit an event over its outer orb, from the UTC
// minute the pair entered it to the minute it left it (clipped to the
// period's first or last local midnight where the transit was already or
// still in orb), and a
// one-minute event at each exact aspect; a journal entry saying so when
// nothing was found. UIDs are unique in a file and depend on the pair, the
// aspect and the instant of the minimum in UTC only, not on the zone or the
// orbs, so importing a new run of the same transits updates the events
// instead of doubling them; DTSTAMP, LAST-MODIFIED and SEQUENCE come from the
// time of writing, so the later import is the newer copy. CR LF line ends,
// lines folded at 75 octets.
std::string WriteICalendar(const std::vector<RunResult>& results);
// With the command's stations and ingresses as well: a one-minute event at
// each (in UTC), after the transits.
std::string WriteICalendar(const std::vector<RunResult>& results, const SkyEventList& events);
// The same, written at writtenAt (seconds since 1970-01-01 00:00 UTC).
std::string WriteICalendar(const std::vector<RunResult>& results, const SkyEventList& events, int64_t writtenAt);
// The time of writing the two above use: SOURCE_DATE_EPOCH where it is set
// to a number of seconds, else the system clock.
int64_t ExportTime();

// RFC 4180 table with a header record: one record per row of the report,
// its mode "world", "personal", or "progressed" or "directed" where the
// personal run's moving body was progressed or directed;
// after all other columns, each orb entry and exit to its minute (UTC,
// local, offset).
std::string WriteCsv(const std::vector<RunResult>& results);
// With stations or ingresses asked for, every record gets the columns
// record (transit, station or ingress), event, event_date, event_utc,
// event_local, longitude_degrees and event_retrograde after the transit
// columns; a station or ingress fills body and zone of those and its own.
std::string WriteCsv(const std::vector<RunResult>& results, const SkyEventList& events);

// The same records as a JSON document: {"runs": [...]}, each run with its
// transits and each transit with its passes (the report's rows).
std::string WriteJson(const std::vector<RunResult>& results);
// With stations or ingresses asked for, the document has "stations" and
// "ingresses" after "runs" (each only when asked), records of kind
// "station" and "ingress".
std::string WriteJson(const std::vector<RunResult>& results, const SkyEventList& events);

enum class ExportFormat { ICalendar, Csv, Json };

// One of the three files written as a command's runs finish, so that no run
// has to be kept for it: each piece goes to `out` as soon as it is known, and
// the pieces make the same bytes as the functions above. With stations or
// ingresses possible (eventsPossible), the CSV's columns wait on whether any
// came: its records are put aside in a temporary file until Finish. With the
// void-of-course Moon asked for (spellsPossible), every CSV record has the
// columns of a spell's end.
class ExportStream {
 public:
  ExportStream(ExportFormat format, std::function<void(std::string_view)> out, bool eventsPossible, int64_t writtenAt,
               bool spellsPossible = false);
  ~ExportStream();
  ExportStream(const ExportStream&) = delete;
  ExportStream& operator=(const ExportStream&) = delete;
  // Each run, in order, once it is done.
  void Run(const RunResult& run);
  // The stations and ingresses, the eclipses, lunations and void-of-course
  // spells, and the end of the file; the empty text, or why the file cannot
  // be finished.
  std::string Finish(const SkyEventList& events, const ForecastList& forecast = {});

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A batch over the charts of a collection: each chart's records with its
// name first (column chart), the header with the first chart's only.
std::string WriteCsv(const std::vector<RunResult>& results, const SkyEventList& events, const ForecastList& forecast,
                     const std::string& chart, bool header);
// A batch's JSON document: {"program": "Skyloom", "charts": [...]}, each
// chart an object with its name ("chart") and then what WriteJson writes
// of it, written one chart after the other as they are done: the opening,
// before each chart its separator, the chart itself, and the end.
std::string BeginJsonCharts();
std::string JsonChartSeparator(bool first);
std::string WriteJsonChart(const std::vector<RunResult>& results, const SkyEventList& events,
                           const ForecastList& forecast, const std::string& chart);
std::string EndJsonCharts(bool any);

// The same three with the eclipses, lunations and void-of-course spells of
// the command as records of their own (kinds "eclipse", "lunation",
// "void_of_course") after the stations and ingresses: a one-minute calendar
// event (a spell's lasting until the Moon leaves its sign); CSV records in
// the event columns, which every record then has, and with spells asked for
// the columns event_end_date, event_end_utc, event_end_local and
// event_end_utc_offset after all others, a spell's end; JSON lists "eclipses",
// "lunations" and "voidOfCourse", each where asked for. Without any of them
// asked, the files are those of the functions above.
std::string WriteICalendar(const std::vector<RunResult>& results, const SkyEventList& events,
                           const ForecastList& forecast, int64_t writtenAt);
std::string WriteCsv(const std::vector<RunResult>& results, const SkyEventList& events, const ForecastList& forecast);
std::string WriteJson(const std::vector<RunResult>& results, const SkyEventList& events, const ForecastList& forecast);

}  // namespace skyloom
