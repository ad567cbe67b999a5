#include "report/exports.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"
#include "report/forecast_report.h"
#include "report/report.h"
#include "report/sky_event_report.h"

namespace skyloom {
namespace {

constexpr int32_t kMinutesPerDay = 1440;

// ---------------------------------------------------------------------------
// Pieces shared by the three formats.

void AppendPadded(std::string& text, int64_t value, int width) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text.append(std::max<ptrdiff_t>(0, width - (result.ptr - digits)), '0');
  text.append(digits, result.ptr);
}

CalendarDate DateOf(int32_t dayNumber) {
  CalendarDate date;
  date.DayNumber = dayNumber;
  day_number_to_date(date);
  return date;
}

// 2020-12-21; the year as ISO 8601 writes it, four digits at least, with a
// sign beyond 0000 .. 9999.
void AppendIsoDateOf(std::string& text, int32_t dayNumber) {
  const CalendarDate date = DateOf(dayNumber);
  int64_t year = date.Year;
  if (year < 0) {
    text += '-';
    year = -year;
  } else if (year > 9999) {
    text += '+';
  }
  AppendPadded(text, year, 4);
  text += '-';
  AppendPadded(text, date.Month, 2);
  text += '-';
  AppendPadded(text, date.Day, 2);
}

// The same, from the texts of the days written last: a record's dates lie
// near one another, and a batch's records over the same days.
void AppendIsoDate(std::string& text, int32_t dayNumber) {
  struct Written {
    int32_t day = 0;
    std::string text;
  };
  thread_local std::array<Written, 1024> written;
  Written& slot = written[static_cast<uint32_t>(dayNumber) % written.size()];
  if (slot.text.empty() || slot.day != dayNumber) {
    slot.day = dayNumber;
    slot.text.clear();
    AppendIsoDateOf(slot.text, dayNumber);
  }
  text += slot.text;
}

std::string IsoDate(int32_t dayNumber) {
  std::string text;
  AppendIsoDate(text, dayNumber);
  return text;
}

// "T14:05" after a date.
void AppendClock(std::string& text, int32_t minuteOfDay) {
  text += 'T';
  AppendPadded(text, minuteOfDay / 60, 2);
  text += ':';
  AppendPadded(text, minuteOfDay % 60, 2);
}

struct DayMinute {
  int32_t day = 0;
  int32_t minute = 0;  // of the day
};

DayMinute SplitMinutes(int64_t minutes) {
  int64_t day = minutes / kMinutesPerDay, minute = minutes % kMinutesPerDay;
  if (minute < 0) {
    minute += kMinutesPerDay;
    --day;
  }
  return {static_cast<int32_t>(day), static_cast<int32_t>(minute)};
}

// Minutes since the start of day number 0 in UT. The engine finds exact
// instants on whole minutes, so rounding only removes the Julian day's
// floating-point dust.
int64_t UtcMinutes(Instant instant) {
  const LocalMinute utc = ToLocalMinute(instant, Zone::Fixed(0, "UTC"));
  return int64_t{utc.day} * kMinutesPerDay + utc.minuteOfDay;
}

void AppendIsoUtc(std::string& text, Instant instant) {
  const DayMinute utc = SplitMinutes(UtcMinutes(instant));
  AppendIsoDate(text, utc.day);
  AppendClock(text, utc.minute);
  text += 'Z';
}

std::string IsoUtc(Instant instant) {
  std::string text;
  AppendIsoUtc(text, instant);
  return text;
}

// The local date and time as the report shows them, with the zone's offset
// at that minute.
void AppendIsoLocal(std::string& text, int32_t day, int32_t minuteOfDay, int32_t offsetSeconds) {
  AppendIsoDate(text, day);
  AppendClock(text, minuteOfDay);
  text += UtcOffsetText(offsetSeconds);
}

std::string IsoLocal(int32_t day, int32_t minuteOfDay, int32_t offsetSeconds) {
  std::string text;
  AppendIsoLocal(text, day, minuteOfDay, offsetSeconds);
  return text;
}
std::string IsoLocal(const MinimumRecord& m) { return IsoLocal(m.day, m.minuteOfDay, m.offsetSeconds); }

// The offset of the zone as the run's first day starts.
std::string RunOffset(const RunResult& run) {
  return UtcOffsetText(run.zone.OffsetSecondsAt(LocalMidnight(run.startDay, run.zone)));
}

// Fixed-point decimal, independent of the C locale; empty when not finite.
std::string Decimal(double value, int decimals) {
  if (!std::isfinite(value)) return {};
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return {};
  return std::string(digits, result.ptr);
}

double Degrees(double radians) { return radians / TwoPi * 360.0; }

// Degrees to 1/10000: finer than the report's minutes of arc, short enough to read.
std::string DegreesText(double radians) { return Decimal(Degrees(radians), 4); }

// "world", "personal", or for a personal run whose moving body is not the
// sky's, "progressed" or "directed": a file read without the report says
// what moved.
std::string RunMode(const RunResult& run) {
  if (run.world) return "world";
  const std::string moved = ProgressionWord(run.progression);
  return moved.empty() ? "personal" : moved;
}

const char* MinimumKind(const std::optional<MinimumRecord>& minimum) {
  if (!minimum) return "none";
  return minimum->exact ? "exact" : "closest";
}

// The outer orb's span of a transit: its entry and exit days, absent where
// the pair was already in orb on the first day or still in orb on the last,
// with the minutes the pair crossed the orb.
struct OuterSpan {
  std::optional<int32_t> entry, exit;
  std::optional<LocalMinute> entryCrossing, exitCrossing;
};

OuterSpan OuterSpanOf(const TransitRecord& transit) {
  OuterSpan span;
  for (const TransitRowData& pass : transit.passes) {
    if (pass.entry[0] && !span.entry) {
      span.entry = pass.entry[0]->day;
      span.entryCrossing = pass.entry[0]->crossing;
    }
    if (pass.exit[0]) {
      span.exit = pass.exit[0]->day;
      span.exitCrossing = pass.exit[0]->crossing;
    }
  }
  return span;
}

// ---------------------------------------------------------------------------
// iCalendar.

constexpr size_t kFoldOctets = 75;

// One content line, folded so that no physical line exceeds 75 octets and no
// UTF-8 sequence is split; continuation lines start with a blank.
void AppendContentLine(std::string& out, std::string_view line) {
  size_t limit = kFoldOctets;
  while (line.size() > limit) {
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    limit = kFoldOctets - 1;  // the leading blank counts
  }
  out.append(line);
  out += "\r\n";
}

// A TEXT value: backslash, semicolon, comma and line breaks escaped; other
// control characters, which TEXT cannot hold, left out.
std::string IcsText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case ';': out += "\\;"; break;
      case ',': out += "\\,"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += c; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    }
  }
  return out;
}

// Lower-case letters and digits, every other run of characters one "-".
std::string Slug(std::string_view text) {
  std::string out;
  for (const char c : AsciiLowerCase(std::string(text))) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.') {
      out += c;
    } else if (!out.empty() && out.back() != '-') {
      out += '-';
    }
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

std::string BasicDate(int32_t dayNumber) {
  const CalendarDate date = DateOf(dayNumber);
  std::string text;
  AppendPadded(text, date.Year, 4);
  AppendPadded(text, date.Month, 2);
  AppendPadded(text, date.Day, 2);
  return text;
}

std::string BasicUtc(int64_t minutes) {
  const DayMinute utc = SplitMinutes(minutes);
  return BasicDate(utc.day) + "T" + HourMinuteText(utc.minute, "") + "00Z";
}

std::string SecondBodyText(const RunResult& run) {
  return run.world ? BodyName(run.bodies[1]) : "natal " + BodyName(run.bodies[1]);
}

// The pair in a UID. A personal pair carries the natal position, so that the
// transits of two charts never replace each other in one calendar.
// A progressed or directed body is named so, lest its events replace a
// transit's of the same pair.
std::string PairKey(const RunResult& run) {
  std::string key = Slug(MovingBodyText(run)) + "-" + Slug(SecondBodyText(run));
  if (!run.world) key += "-" + Decimal(Degrees(run.natalLongitude), 2);
  return key;
}

std::string RetrogradeNote(const RunResult& run, bool retrograde) {
  return retrograde ? " (" + MovingBodyText(run) + " retrograde)" : "";
}

std::string OrbLabel(const char* word, int16_t degrees) { return word + NumberText(degrees) + "°"; }

struct DatedLine {
  int32_t day = 0;
  std::string text;
};

// The description of a transit: what it is, then its events in time order
// with the report's headings and texts, and what the period cut off.
std::vector<std::string> TransitLines(const RunResult& run, const TransitRecord& transit) {
  const auto& orbs = run.orbDegrees;
  std::vector<std::string> lines;
  std::string head = TransitPhrase(run, transit.aspect) + ", orbs " + NumberText(orbs[0]) + "°, " +
                     NumberText(orbs[1]) + "° and " + NumberText(orbs[2]) + "°";
  if (!run.zone.Text().empty()) head += ", dates in " + run.zone.Text();
  lines.push_back(head + ".");

  std::vector<DatedLine> events;
  for (const TransitRowData& pass : transit.passes) {
    for (OrbIndex orb = 0; orb < 3; ++orb) {
      if (const auto& mark = pass.entry[orb])
        events.push_back({mark->day, OrbLabel("Start ", orbs[orb]) + ": " + IsoDate(mark->day) +
                                         RetrogradeNote(run, mark->retrograde)});
    }
    if (const auto& minimum = pass.minimum) {
      events.push_back({minimum->day, "Minimum: " + IsoDate(minimum->day) + RetrogradeNote(run, minimum->retrograde) +
                                          (minimum->exact ? ", exact at " : ", closest approach ") +
                                          MinimumValueText(*minimum)});
    }
    for (OrbIndex orb = 2; orb >= 0; --orb) {
      if (const auto& mark = pass.exit[orb])
        events.push_back({mark->day, OrbLabel("End ", orbs[orb]) + ": " + IsoDate(mark->day) +
                                         RetrogradeNote(run, mark->retrograde)});
    }
  }
  // The report puts each exit on the row of its entry; a calendar reads better in time order.
  std::stable_sort(events.begin(), events.end(), [](const DatedLine& a, const DatedLine& b) { return a.day < b.day; });

  const OuterSpan span = OuterSpanOf(transit);
  if (!span.entry)
    lines.push_back("Already within " + NumberText(orbs[0]) + "° at the start of the period, " + IsoDate(run.startDay) +
                    ".");
  for (DatedLine& event : events) lines.push_back(std::move(event.text));
  if (!span.exit)
    lines.push_back("Still within " + NumberText(orbs[0]) + "° at the end of the period, " + IsoDate(run.endDay) + ".");
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

// What every event of one file shares: when the file was written, and the
// UIDs handed out so far.
struct CalendarStamp {
  std::string dtstamp;   // "DTSTAMP:20261207T170501Z"
  std::string modified;  // "LAST-MODIFIED:" the same instant
  std::string sequence;  // "SEQUENCE:" minutes since 2000-01-01 00:00 UTC
  std::set<std::string> uids;
};

// The instant of writing as the three properties carry it. Clients keep the
// first copy of an event they meet unless the next one is newer: Google
// Calendar and Outlook compare SEQUENCE, Thunderbird and other iTIP readers
// compare SEQUENCE and then DTSTAMP. The program keeps no record of earlier
// exports, so the only number that grows from one export to the next is the
// time of writing; a count of minutes since 2000 fits the 32-bit integer
// SEQUENCE is for thousands of years. An event exported again unchanged only
// replaces itself, while one changed by a new run (a longer period, other
// orbs) replaces the old copy instead of being ignored. A hash of the event's
// content would mark a change but not which copy is newer.
CalendarStamp StampOf(int64_t writtenAt) {
  constexpr int64_t kSecondsPerDay = 86400;
  constexpr int64_t kUnixDay = 2440588;        // day number of 1970-01-01
  constexpr int64_t kSequenceEpoch = 2451545;  // day number of 2000-01-01
  int64_t day = writtenAt / kSecondsPerDay, second = writtenAt % kSecondsPerDay;
  if (second < 0) {
    second += kSecondsPerDay;
    --day;
  }
  std::string utc = BasicDate(static_cast<int32_t>(day + kUnixDay)) + "T";
  AppendPadded(utc, second / 3600, 2);
  AppendPadded(utc, second / 60 % 60, 2);
  AppendPadded(utc, second % 60, 2);
  utc += "Z";
  const int64_t minutes = std::max<int64_t>(0, (day + kUnixDay - kSequenceEpoch) * kMinutesPerDay + second / 60);
  return {"DTSTAMP:" + utc, "LAST-MODIFIED:" + utc, "SEQUENCE:" + std::to_string(minutes), {}};
}

// A UID for key not yet used in this file: the key itself, or the key with
// the next free count ("-2", "-3"). The keys below already name an event
// uniquely; the count only keeps a file valid should two runs of one file
// find the same event twice (a whole chart holding one pair twice).
std::string UniqueUid(CalendarStamp& stamp, const std::string& key) {
  std::string uid = key + "@skyloom";
  for (int n = 2; !stamp.uids.insert(uid).second; ++n) uid = key + "-" + std::to_string(n) + "@skyloom";
  return uid;
}

void AppendEventHead(std::string& out, CalendarStamp& stamp, const std::string& key) {
  AppendContentLine(out, "BEGIN:VEVENT");
  AppendContentLine(out, "UID:" + UniqueUid(stamp, key));
  AppendContentLine(out, stamp.dtstamp);
  AppendContentLine(out, stamp.modified);
  AppendContentLine(out, stamp.sequence);
}

// The UTC minute an instant falls in, "20201221T1821Z".
std::string UtcMinuteKey(Instant instant) {
  const int64_t minutes = UtcMinutes(instant);
  return BasicDate(SplitMinutes(minutes).day) + "T" + HourMinuteText(SplitMinutes(minutes).minute, "") + "Z";
}

// What names a transit in its UID, the same whatever zone the dates are
// shown in and whatever orbs drew it: its deepest minimum in Universal
// Time. The orbs decide when a transit starts and ends, so the first day
// would change with them (and with the zone, which shifts local dates); the
// minimum does not. The first exact pass wins, to the UTC minute, since it
// stays exact under any orb; without one, the closest approach, to its UTC
// date (its instant is only known to a fraction of a day). A transit with
// no minimum in the period runs through all of it and is named by the first
// day of the period.
std::string TransitKey(const RunResult& run, const TransitRecord& transit) {
  const MinimumRecord* deepest = nullptr;
  for (const TransitRowData& pass : transit.passes) {
    if (!pass.minimum) continue;
    const MinimumRecord& m = *pass.minimum;
    if (m.exact) {
      deepest = &m;
      break;
    }
    if (!deepest || m.deviation < deepest->deviation) deepest = &m;
  }
  if (!deepest) return BasicDate(run.startDay) + "-open";
  if (deepest->exact) return UtcMinuteKey(deepest->instant);
  return BasicDate(SplitMinutes(UtcMinutes(deepest->instant)).day);
}

void AppendTransitEvents(std::string& out, CalendarStamp& stamp, const RunResult& run, const TransitRecord& transit) {
  const std::string phrase = TransitPhrase(run, transit.aspect);
  const std::string aspectKey = Slug(AspectName(transit.aspect));
  const std::vector<std::string> lines = TransitLines(run, transit);
  const std::string description = JoinLines(lines);

  const OuterSpan span = OuterSpanOf(transit);
  // From the minute the pair entered the outer orb to the minute it left
  // it; where the period cut the transit off, from its first local midnight
  // or to its last. An orb date without its minute (results read from
  // elsewhere) stands for the midnights around that day.
  const int64_t first = span.entryCrossing ? UtcMinutes(InstantOf(*span.entryCrossing))
                                           : UtcMinutes(LocalMidnight(span.entry.value_or(run.startDay), run.zone));
  const int64_t last = span.exitCrossing ? UtcMinutes(InstantOf(*span.exitCrossing))
                                         : UtcMinutes(LocalMidnight(span.exit.value_or(run.endDay) + 1, run.zone));
  AppendEventHead(out, stamp, TransitKey(run, transit) + "-" + PairKey(run) + "-" + aspectKey);
  AppendContentLine(out, "DTSTART:" + BasicUtc(first));
  // DTEND is exclusive; an event lasts a minute at the least.
  AppendContentLine(out, "DTEND:" + BasicUtc(std::max(last, first + 1)));
  AppendContentLine(out, "SUMMARY:" + IcsText(phrase));
  AppendContentLine(out, "DESCRIPTION:" + IcsText(description));
  AppendContentLine(out, "TRANSP:TRANSPARENT");
  AppendContentLine(out, "END:VEVENT");

  for (const TransitRowData& pass : transit.passes) {
    if (!pass.minimum || !pass.minimum->exact) continue;
    const MinimumRecord& minimum = *pass.minimum;
    const int64_t minutes = UtcMinutes(minimum.instant);
    const std::string exactLine = "Exact on " + IsoDate(minimum.day) + " at " + MinimumValueText(minimum) +
                                  RetrogradeNote(run, minimum.retrograde) + ".";
    // The exact minute in UTC: two passes of one aspect are days apart at
    // the least, and the zone only changes how the minute is shown.
    AppendEventHead(out, stamp, UtcMinuteKey(minimum.instant) + "-" + PairKey(run) + "-" + aspectKey + "-exact");
    AppendContentLine(out, "DTSTART:" + BasicUtc(minutes));
    AppendContentLine(out, "DTEND:" + BasicUtc(minutes + 1));
    AppendContentLine(out, "SUMMARY:" + IcsText(phrase + " exact" + RetrogradeNote(run, minimum.retrograde)));
    AppendContentLine(out, "DESCRIPTION:" + IcsText(exactLine + "\n" + description));
    AppendContentLine(out, "TRANSP:TRANSPARENT");
    AppendContentLine(out, "END:VEVENT");
  }
}

// A calendar must hold at least one component. A run that found nothing
// still says so in the calendar, as a journal entry: calendar programs file
// it apart from events (or leave it out), so it never shows as a transit,
// and a file the user asked for is never one a calendar program refuses.
// The runs a calendar without transits names: one line a run.
struct RunsWithout {
  std::vector<std::string> lines;
  std::optional<int32_t> first, last;
  void Add(const RunResult& run) {
    lines.push_back(MovingBodyText(run) + " and " + SecondBodyText(run) + ", " + IsoDate(run.startDay) + " to " +
                    IsoDate(run.endDay) + ": no transits.");
    first = std::min(first.value_or(run.startDay), run.startDay);
    last = std::max(last.value_or(run.endDay), run.endDay);
  }
};

void AppendNothingFound(std::string& out, CalendarStamp& stamp, const RunsWithout& runs) {
  std::vector<std::string> lines = runs.lines;
  const std::optional<int32_t>& first = runs.first;
  const std::optional<int32_t>& last = runs.last;
  if (lines.empty()) lines.push_back("No runs.");
  const std::string key = first ? BasicDate(*first) + "-" + BasicDate(*last) : std::string("empty");
  AppendContentLine(out, "BEGIN:VJOURNAL");
  AppendContentLine(out, "UID:" + UniqueUid(stamp, key + "-no-transits"));
  AppendContentLine(out, stamp.dtstamp);
  AppendContentLine(out, stamp.modified);
  AppendContentLine(out, stamp.sequence);
  if (first) AppendContentLine(out, "DTSTART;VALUE=DATE:" + BasicDate(*first));
  AppendContentLine(out, "SUMMARY:No transits");
  AppendContentLine(out, "DESCRIPTION:" + IcsText(JoinLines(lines)));
  AppendContentLine(out, "END:VJOURNAL");
}

// ---------------------------------------------------------------------------
// CSV.

void AppendCsvField(std::string& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(field);
    return;
  }
  out += '"';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

constexpr std::string_view kCsvHeader =
    "run,mode,body,second_body,natal_longitude,zone,aspect,transit,pass,"
    "outer_entry,outer_entry_retrograde,middle_entry,middle_entry_retrograde,"
    "inner_entry,inner_entry_retrograde,"
    "minimum,minimum_date,minimum_retrograde,exact_utc,exact_local,closest_degrees,"
    "inner_exit,inner_exit_retrograde,middle_exit,middle_exit_retrograde,"
    "outer_exit,outer_exit_retrograde";
// After the columns before, so that they keep their places: the offset of
// the record's local time (exact_local or event_local).
constexpr std::string_view kCsvOffsetColumn = ",utc_offset";
// Last: the minute of each orb entry and exit, in UTC and in the results
// zone with its offset then, in the order of the date columns.
constexpr std::string_view kCsvCrossingColumns =
    ",outer_entry_utc,outer_entry_local,outer_entry_utc_offset,"
    "middle_entry_utc,middle_entry_local,middle_entry_utc_offset,"
    "inner_entry_utc,inner_entry_local,inner_entry_utc_offset,"
    "inner_exit_utc,inner_exit_local,inner_exit_utc_offset,"
    "middle_exit_utc,middle_exit_local,middle_exit_utc_offset,"
    "outer_exit_utc,outer_exit_local,outer_exit_utc_offset";
constexpr size_t kCsvCrossingFields = 18;
// After all others where the void-of-course Moon was asked for: the minute a
// spell ends, as event_date, event_utc, event_local and utc_offset give the
// minute it begins.
constexpr std::string_view kCsvSpellEndColumns = ",event_end_date,event_end_utc,event_end_local,event_end_utc_offset";
constexpr size_t kCsvSpellEndFields = 4;

const char* BoolText(bool value) { return value ? "true" : "false"; }

// A record written field by field straight into the text: a batch writes
// hundreds of thousands.
class CsvRow {
 public:
  explicit CsvRow(std::string& out) : out_(out) {}
  void Text(std::string_view field) {
    Next();
    AppendCsvField(out_, field);
  }
  void Empty(size_t count = 1) {
    for (size_t k = 0; k < count; ++k) Next();
  }
  void Date(int32_t day) {
    Next();
    AppendIsoDate(out_, day);
  }
  void Utc(Instant instant) {
    Next();
    AppendIsoUtc(out_, instant);
  }
  void Local(int32_t day, int32_t minuteOfDay, int32_t offsetSeconds) {
    Next();
    AppendIsoLocal(out_, day, minuteOfDay, offsetSeconds);
  }
  void Number(size_t number) {
    Next();
    AppendPadded(out_, static_cast<int64_t>(number), 1);
  }
  void Mark(const std::optional<DateMark>& mark) {
    if (!mark) return Empty(2);
    Date(mark->day);
    Text(BoolText(mark->retrograde));
  }
  void Crossing(const std::optional<DateMark>& mark) {
    const std::optional<LocalMinute> at = mark ? mark->crossing : std::nullopt;
    if (!at) return Empty(3);
    Utc(InstantOf(*at));
    Local(at->day, at->minuteOfDay, at->offsetSeconds);
    Text(UtcOffsetText(at->offsetSeconds));
  }
  void End() { out_ += "\r\n"; }

 private:
  void Next() {
    if (!first_) out_ += ',';
    first_ = false;
  }
  std::string& out_;
  bool first_ = true;
};

// A record of texts made beforehand.
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields) {
  CsvRow row(out);
  for (const std::string& field : fields) row.Text(field);
  row.End();
}


// ---------------------------------------------------------------------------
// JSON.

// Writes a pretty-printed JSON document with CR LF line ends: values, keys and
// containers in document order, the commas and indentation taken care of.
class JsonWriter {
 public:
  // indent: the levels a document inside another stands at.
  explicit JsonWriter(size_t indent = 0) : indent_(indent) {}
  void Open(char bracket) {
    BeforeValue();
    text_ += bracket;
    firstInLevel_.push_back(true);
  }
  void Close(char bracket) {
    const bool empty = firstInLevel_.back();
    firstInLevel_.pop_back();
    if (!empty) NewLine();
    text_ += bracket;
  }
  JsonWriter& Key(std::string_view key) {
    NextItem();
    AppendString(key);
    text_ += ": ";
    afterKey_ = true;
    return *this;
  }
  void String(std::string_view value) {
    BeforeValue();
    AppendString(value);
  }
  // A number, true, false or null, written as given.
  void Literal(std::string_view value) {
    BeforeValue();
    text_ += value;
  }
  void Number(const std::string& value) { Literal(value.empty() ? "null" : value); }
  void Bool(bool value) { Literal(value ? "true" : "false"); }
  void Null() { Literal("null"); }
  void OptionalString(const std::optional<std::string>& value) {
    if (value) {
      String(*value);
    } else {
      Null();
    }
  }

  std::string Finish() { return std::move(text_) + "\r\n"; }
  // The text written so far, handed out and forgotten: a long document goes
  // out piece by piece.
  std::string Take() {
    std::string piece = std::move(text_);
    text_.clear();
    return piece;
  }

 private:
  void BeforeValue() {
    if (afterKey_) {
      afterKey_ = false;
    } else {
      NextItem();
    }
  }
  void NextItem() {
    if (firstInLevel_.empty()) return;
    if (!firstInLevel_.back()) text_ += ',';
    firstInLevel_.back() = false;
    NewLine();
  }
  void NewLine() {
    text_ += "\r\n";
    text_.append(2 * (indent_ + firstInLevel_.size()), ' ');
  }
  // Quotes and backslashes escaped, control characters as \u00XX; everything
  // else, UTF-8 included, as it is.
  void AppendString(std::string_view value) {
    static constexpr char kHex[] = "0123456789abcdef";
    text_ += '"';
    for (const char c : value) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        text_ += '\\';
        text_ += c;
      } else if (byte < 0x20) {
        text_ += "\\u00";
        text_ += kHex[byte >> 4];
        text_ += kHex[byte & 0xF];
      } else {
        text_ += c;
      }
    }
    text_ += '"';
  }

  std::string text_;
  std::vector<bool> firstInLevel_;
  bool afterKey_ = false;
  size_t indent_;
};

void WriteJsonMark(JsonWriter& json, const char* key, const std::optional<DateMark>& mark) {
  json.Key(key);
  if (!mark) {
    json.Null();
    return;
  }
  json.Open('{');
  json.Key("date").String(IsoDate(mark->day));
  json.Key("retrograde").Bool(mark->retrograde);
  // The minute the pair crossed the orb.
  const std::optional<LocalMinute>& at = mark->crossing;
  json.Key("utc").OptionalString(at ? std::optional(IsoUtc(InstantOf(*at))) : std::nullopt);
  json.Key("local").OptionalString(at ? std::optional(IsoLocal(at->day, at->minuteOfDay, at->offsetSeconds))
                                      : std::nullopt);
  json.Key("utcOffset").OptionalString(at ? std::optional(UtcOffsetText(at->offsetSeconds)) : std::nullopt);
  json.Close('}');
}

void WriteJsonMinimum(JsonWriter& json, const std::optional<MinimumRecord>& minimum) {
  json.Key("minimum");
  if (!minimum) {
    json.Null();
    return;
  }
  json.Open('{');
  json.Key("kind").String(MinimumKind(minimum));
  json.Key("date").String(IsoDate(minimum->day));
  json.Key("retrograde").Bool(minimum->retrograde);
  json.Key("utc").OptionalString(minimum->exact ? std::optional(IsoUtc(minimum->instant)) : std::nullopt);
  json.Key("local").OptionalString(minimum->exact ? std::optional(IsoLocal(*minimum)) : std::nullopt);
  json.Key("utcOffset")
      .OptionalString(minimum->exact ? std::optional(UtcOffsetText(minimum->offsetSeconds)) : std::nullopt);
  json.Key("closestDegrees").Number(minimum->exact ? "" : DegreesText(minimum->deviation));
  json.Close('}');
}

// ---------------------------------------------------------------------------
// Stations and ingresses.

const char* EventKind(const SkyEvent& e) {
  if (e.kind == SkyEventKind::HouseIngress) return "house_ingress";
  return e.kind == SkyEventKind::Station ? "station" : "ingress";
}

std::string EventWord(const SkyEvent& e) {
  if (e.kind == SkyEventKind::HouseIngress) return std::to_string(e.house);
  if (e.kind == SkyEventKind::Station) return e.retrograde ? "retrograde" : "direct";
  return SignName(e.sign);
}

// The kinds of events in the order the files list them.
std::array<const std::vector<SkyEvent>*, 3> EventKinds(const SkyEventList& events) {
  return {&events.stations, &events.ingresses, &events.houseIngresses};
}

// The key of an event in its iCalendar UID.
std::string EventKey(const SkyEvent& e) {
  if (e.kind == SkyEventKind::HouseIngress) return "house-ingress-" + EventWord(e);
  return e.kind == SkyEventKind::Station ? "station-" + EventWord(e) : "ingress-" + Slug(EventWord(e));
}

void AppendSkyEvent(std::string& out, CalendarStamp& stamp, const SkyEvent& e, const SkyEventList& list) {
  const int64_t minutes = UtcMinutes(e.instant);
  const std::string key = EventKey(e);
  const std::string zodiac = list.zodiac == Zodiac::Sidereal ? "sidereal" : "tropical";
  AppendEventHead(out, stamp, BasicUtc(minutes) + "-" + Slug(BodyName(e.body)) + "-" + key + "-" + zodiac);
  AppendContentLine(out, "DTSTART:" + BasicUtc(minutes));
  AppendContentLine(out, "DTEND:" + BasicUtc(minutes + 1));
  AppendContentLine(out, "SUMMARY:" + IcsText(SkyEventPhrase(e)));
  AppendContentLine(out, "DESCRIPTION:" + IcsText(SkyEventPhrase(e) + " (" + zodiac + "), " + IsoDate(e.day) + " at " +
                                                  SkyEventTimeText(e, list.zone.Text()) + "."));
  AppendContentLine(out, "TRANSP:TRANSPARENT");
  AppendContentLine(out, "END:VEVENT");
}

// The entries into the natal houses, a list of their own.
// An event's date, instants and position, the same for every kind of event.
void WriteJsonEventTime(JsonWriter& json, const SkyEvent& e, Zodiac zodiac) {
  json.Key("date").String(IsoDate(e.day));
  json.Key("utc").String(IsoUtc(e.instant));
  json.Key("local").String(IsoLocal(e.day, e.minuteOfDay, e.offsetSeconds));
  json.Key("utcOffset").String(UtcOffsetText(e.offsetSeconds));
  json.Key("longitude").Number(DegreesText(e.longitude));
  json.Key("zodiac").String(zodiac == Zodiac::Sidereal ? "sidereal" : "tropical");
}

void WriteJsonHouseIngresses(JsonWriter& json, const SkyEventList& events) {
  json.Key("houseIngresses").Open('[');
  for (const SkyEvent& e : events.houseIngresses) {
    json.Open('{');
    json.Key("kind").String(EventKind(e));
    json.Key("body").String(BodyName(e.body));
    json.Key("house").Literal(std::to_string(e.house));
    json.Key("houseSystem").String(HouseSystemName(events.houseSystem));
    json.Key("retrograde").Bool(e.retrograde);
    WriteJsonEventTime(json, e, events.zodiac);
    json.Close('}');
  }
  json.Close(']');
}

void AppendForecastEvent(std::string& out, CalendarStamp& stamp, const ForecastRecord& record,
                         const ForecastList& list) {
  const int64_t start = UtcMinutes(record.at.instant);
  const int64_t end = record.end ? UtcMinutes(record.end->instant) : start + 1;
  const std::string zodiac = list.zodiac == Zodiac::Sidereal ? "sidereal" : "tropical";
  AppendEventHead(out, stamp, BasicUtc(start) + "-" + Slug(record.kind) + "-" + Slug(record.word) + "-" + zodiac);
  AppendContentLine(out, "DTSTART:" + BasicUtc(start));
  AppendContentLine(out, "DTEND:" + BasicUtc(std::max(end, start + 1)));
  AppendContentLine(out, "SUMMARY:" + IcsText(record.phrase));
  std::string description = record.phrase + " (" + zodiac + "), " + IsoDate(record.at.local.day) + " at " +
                            HourMinuteText(record.at.local.minuteOfDay) + " " + list.zone.Text();
  if (record.end)
    description += " to " + IsoDate(record.end->local.day) + " at " + HourMinuteText(record.end->local.minuteOfDay) +
                   " " + list.zone.Text();
  if (list.personal && record.longitude) description += "; natal contacts: " + ContactsText(record.contacts);
  AppendContentLine(out, "DESCRIPTION:" + IcsText(description + "."));
  AppendContentLine(out, "TRANSP:TRANSPARENT");
  AppendContentLine(out, "END:VEVENT");
}

void WriteJsonMoment(JsonWriter& json, const std::string& prefix, const LocalMoment& at) {
  json.Key(prefix.empty() ? "date" : (prefix + "Date").c_str()).String(IsoDate(at.local.day));
  json.Key(prefix.empty() ? "utc" : (prefix + "Utc").c_str()).String(IsoUtc(at.instant));
  json.Key(prefix.empty() ? "local" : (prefix + "Local").c_str())
      .String(IsoLocal(at.local.day, at.local.minuteOfDay, at.local.offsetSeconds));
  json.Key(prefix.empty() ? "utcOffset" : (prefix + "UtcOffset").c_str()).String(UtcOffsetText(at.local.offsetSeconds));
}

void WriteJsonForecast(JsonWriter& json, const ForecastList& forecast) {
  const std::vector<ForecastRecord> records = ForecastRecords(forecast);
  const std::tuple<bool, const char*, const char*> lists[] = {
      {forecast.eclipsesAsked, "eclipses", "eclipse"},
      {forecast.lunationsAsked, "lunations", "lunation"},
      {forecast.voidOfCourseAsked, "voidOfCourse", "void_of_course"}};
  for (const auto& [asked, key, kind] : lists) {
    if (!asked) continue;
    json.Key(key).Open('[');
    for (const ForecastRecord& r : records) {
      if (r.kind != kind) continue;
      json.Open('{');
      json.Key("kind").String(r.kind);
      json.Key(r.end ? "sign" : "type").String(r.word);
      json.Key("body").String(BodyName(r.body));
      if (r.end) {
        WriteJsonMoment(json, "start", r.at);
        WriteJsonMoment(json, "end", *r.end);
      } else {
        WriteJsonMoment(json, "", r.at);
        json.Key("longitude").Number(DegreesText(*r.longitude));
      }
      json.Key("zodiac").String(forecast.zodiac == Zodiac::Sidereal ? "sidereal" : "tropical");
      if (forecast.personal && !r.end) {
        json.Key("natalContacts").Open('[');
        for (const NatalContact& c : r.contacts) {
          json.Open('{');
          json.Key("natal").String(BodyName(c.natal));
          json.Key("aspect").String(AspectName(c.aspect));
          json.Key("deviation").Number(DegreesText(c.deviation));
          json.Close('}');
        }
        json.Close(']');
      }
      json.Close('}');
    }
    json.Close(']');
  }
}

constexpr std::string_view kCsvEventColumns =
    ",record,event,event_date,event_utc,event_local,longitude_degrees,event_retrograde";

void AppendCsvRun(std::string& out, const RunResult& run, size_t runNumber, bool withEvents, bool spellEnds) {
  const std::string natal = run.world ? "" : DegreesText(run.natalLongitude);
  const std::string zone = run.zone.Text();
  for (size_t t = 0; t < run.transits.size(); ++t) {
    const TransitRecord& transit = run.transits[t];
    for (size_t p = 0; p < transit.passes.size(); ++p) {
      const TransitRowData& pass = transit.passes[p];
      const auto& minimum = pass.minimum;
      CsvRow row(out);
      row.Number(runNumber);
      row.Text(RunMode(run));
      row.Text(BodyName(run.bodies[0]));
      row.Text(BodyName(run.bodies[1]));
      row.Text(natal);
      row.Text(zone);
      row.Text(AspectName(transit.aspect));
      row.Number(t + 1);
      row.Number(p + 1);
      for (OrbIndex orb = 0; orb < 3; ++orb) row.Mark(pass.entry[orb]);
      row.Text(MinimumKind(minimum));
      minimum ? row.Date(minimum->day) : row.Empty();
      row.Text(minimum ? BoolText(minimum->retrograde) : "");
      const bool exact = minimum && minimum->exact;
      exact ? row.Utc(minimum->instant) : row.Empty();
      exact ? row.Local(minimum->day, minimum->minuteOfDay, minimum->offsetSeconds) : row.Empty();
      row.Text(minimum && !exact ? DegreesText(minimum->deviation) : "");
      for (OrbIndex orb = 2; orb >= 0; --orb) row.Mark(pass.exit[orb]);
      if (withEvents) {
        row.Text("transit");
        row.Empty(6);
      }
      row.Text(exact ? UtcOffsetText(minimum->offsetSeconds) : "");
      for (OrbIndex orb = 0; orb < 3; ++orb) row.Crossing(pass.entry[orb]);
      for (OrbIndex orb = 2; orb >= 0; --orb) row.Crossing(pass.exit[orb]);
      if (spellEnds) row.Empty(kCsvSpellEndFields);
      row.End();
    }
  }
}

std::string CsvHeader(bool withEvents, bool spellEnds) {
  std::string out(kCsvHeader);
  if (withEvents) out += kCsvEventColumns;
  out += kCsvOffsetColumn;
  out += kCsvCrossingColumns;
  if (spellEnds) out += kCsvSpellEndColumns;
  return out + "\r\n";
}

void AppendCsvEvents(std::string& out, const SkyEventList& events, bool world, bool spellEnds) {
  constexpr size_t kTransitColumns = 27;
  for (const auto* kind : EventKinds(events)) {
    for (const SkyEvent& e : *kind) {
      std::vector<std::string> fields(kTransitColumns);
      fields[1] = world ? "world" : "personal";
      fields[2] = BodyName(e.body);
      fields[5] = events.zone.Text();
      fields.push_back(EventKind(e));
      fields.push_back(EventWord(e));
      fields.push_back(IsoDate(e.day));
      fields.push_back(IsoUtc(e.instant));
      fields.push_back(IsoLocal(e.day, e.minuteOfDay, e.offsetSeconds));
      fields.push_back(DegreesText(e.longitude));
      fields.push_back(BoolText(e.retrograde));
      fields.push_back(UtcOffsetText(e.offsetSeconds));
      fields.resize(fields.size() + kCsvCrossingFields + (spellEnds ? kCsvSpellEndFields : 0));
      AppendCsvRecord(out, fields);
    }
  }
}

// Eclipses, lunations and void-of-course spells in the event columns.
void AppendCsvForecast(std::string& out, const ForecastList& forecast, bool world, bool spellEnds) {
  constexpr size_t kTransitColumns = 27;
  for (const ForecastRecord& record : ForecastRecords(forecast)) {
    std::vector<std::string> fields(kTransitColumns);
    fields[1] = world ? "world" : "personal";
    fields[2] = BodyName(record.body);
    fields[5] = forecast.zone.Text();
    fields.push_back(record.kind);
    fields.push_back(record.word);
    fields.push_back(IsoDate(record.at.local.day));
    fields.push_back(IsoUtc(record.at.instant));
    fields.push_back(IsoLocal(record.at.local.day, record.at.local.minuteOfDay, record.at.local.offsetSeconds));
    fields.push_back(record.longitude ? DegreesText(*record.longitude) : "");
    fields.push_back("");
    fields.push_back(UtcOffsetText(record.at.local.offsetSeconds));
    fields.resize(fields.size() + kCsvCrossingFields);
    if (spellEnds) {
      const std::optional<LocalMoment>& end = record.end;
      fields.push_back(end ? IsoDate(end->local.day) : "");
      fields.push_back(end ? IsoUtc(end->instant) : "");
      fields.push_back(end ? IsoLocal(end->local.day, end->local.minuteOfDay, end->local.offsetSeconds) : "");
      fields.push_back(end ? UtcOffsetText(end->local.offsetSeconds) : "");
    }
    AppendCsvRecord(out, fields);
  }
}

void WriteJsonRun(JsonWriter& json, const RunResult& run) {
  static constexpr std::array<const char*, 3> kEntryKeys = {"outerEntry", "middleEntry", "innerEntry"};
  static constexpr std::array<const char*, 3> kExitKeys = {"outerExit", "middleExit", "innerExit"};
  json.Open('{');
  json.Key("mode").String(RunMode(run));
  json.Key("body").String(BodyName(run.bodies[0]));
  json.Key("secondBody").String(BodyName(run.bodies[1]));
  json.Key("natalLongitude").Number(run.world ? "" : DegreesText(run.natalLongitude));
  json.Key("start").String(IsoDate(run.startDay));
  json.Key("end").String(IsoDate(run.endDay));
  json.Key("zone").String(run.zone.Text());
  json.Key("zoneOffset").String(RunOffset(run));
  json.Key("orbs").Open('[');
  for (const int16_t orb : run.orbDegrees) json.Literal(std::to_string(orb));
  json.Close(']');
  json.Key("stopped").Bool(run.stopped);
  json.Key("transits").Open('[');
  for (const TransitRecord& transit : run.transits) {
    json.Open('{');
    json.Key("aspect").String(AspectName(transit.aspect));
    json.Key("passes").Open('[');
    for (const TransitRowData& pass : transit.passes) {
      json.Open('{');
      for (OrbIndex orb = 0; orb < 3; ++orb) WriteJsonMark(json, kEntryKeys[orb], pass.entry[orb]);
      WriteJsonMinimum(json, pass.minimum);
      for (OrbIndex orb = 2; orb >= 0; --orb) WriteJsonMark(json, kExitKeys[orb], pass.exit[orb]);
      json.Close('}');
    }
    json.Close(']');
    json.Close('}');
  }
  json.Close(']');
  json.Close('}');
}

void WriteJsonEvents(JsonWriter& json, const SkyEventList& events) {
  const std::pair<bool, const std::vector<SkyEvent>*> kinds[] = {{events.stationsAsked, &events.stations},
                                                                 {events.ingressesAsked, &events.ingresses}};
  for (const auto& [asked, list] : kinds) {
    if (!asked) continue;
    json.Key(list == &events.stations ? "stations" : "ingresses").Open('[');
    for (const SkyEvent& e : *list) {
      json.Open('{');
      json.Key("kind").String(EventKind(e));
      json.Key("body").String(BodyName(e.body));
      json.Key(e.kind == SkyEventKind::Station ? "turns" : "sign").String(EventWord(e));
      if (e.kind == SkyEventKind::Ingress) json.Key("retrograde").Bool(e.retrograde);
      WriteJsonEventTime(json, e, events.zodiac);
      json.Close('}');
    }
    json.Close(']');
  }
  if (events.houseIngressesAsked) WriteJsonHouseIngresses(json, events);
}

// A file of records put aside until it is known which columns they take.
class Spool {
 public:
  Spool() : file_(std::tmpfile()) {
    if (file_ == nullptr) error_ = errno != 0 ? errno : EIO;
  }
  ~Spool() {
    if (file_ != nullptr) std::fclose(file_);
  }
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;
  void Write(std::string_view bytes) {
    if (error_ == 0 && !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
      error_ = errno != 0 ? errno : EIO;
  }
  // Hands the records on in pieces; the system's error number, or 0.
  int CopyTo(const std::function<void(std::string_view)>& out) {
    if (error_ == 0 && (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0))
      error_ = errno != 0 ? errno : EIO;
    std::string buffer(1 << 16, '\0');
    while (error_ == 0) {
      const size_t got = std::fread(buffer.data(), 1, buffer.size(), file_);
      if (got > 0) out(std::string_view(buffer.data(), got));
      if (got < buffer.size()) {
        if (std::ferror(file_)) error_ = errno != 0 ? errno : EIO;
        break;
      }
    }
    return error_;
  }

 private:
  std::FILE* file_;
  int error_ = 0;
};

}  // namespace

struct ExportStream::State {
  ExportFormat format;
  std::function<void(std::string_view)> out;
  bool eventsPossible = false;
  bool spellEnds = false;
  size_t runs = 0;
  bool firstWorld = true;
  // iCalendar
  std::optional<CalendarStamp> stamp;
  RunsWithout without;
  // CSV: with stations or ingresses possible, the records in both shapes
  // until Finish knows whether any came.
  std::optional<Spool> plain, withEvents;
  // JSON
  JsonWriter json;
};

ExportStream::ExportStream(ExportFormat format, std::function<void(std::string_view)> out, bool eventsPossible,
                           int64_t writtenAt, bool spellsPossible)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.format = format;
  s.out = std::move(out);
  s.eventsPossible = eventsPossible || spellsPossible;
  s.spellEnds = spellsPossible;
  std::string head;
  switch (format) {
    case ExportFormat::ICalendar:
      s.stamp = StampOf(writtenAt);
      AppendContentLine(head, "BEGIN:VCALENDAR");
      AppendContentLine(head, "VERSION:2.0");
      AppendContentLine(head, "PRODID:-//Skyloom//Skyloom transits//EN");
      AppendContentLine(head, "CALSCALE:GREGORIAN");
      AppendContentLine(head, "METHOD:PUBLISH");
      break;
    case ExportFormat::Csv:
      if (s.eventsPossible) {
        s.plain.emplace();
        s.withEvents.emplace();
      } else {
        head = CsvHeader(false, false);
      }
      break;
    case ExportFormat::Json:
      s.json.Open('{');
      s.json.Key("program").String("Skyloom");
      s.json.Key("runs").Open('[');
      head = s.json.Take();
      break;
  }
  s.out(head);
}

ExportStream::~ExportStream() = default;

void ExportStream::Run(const RunResult& run) {
  State& s = *state_;
  if (s.runs++ == 0) s.firstWorld = run.world;
  std::string piece;
  switch (s.format) {
    case ExportFormat::ICalendar:
      for (const TransitRecord& transit : run.transits) AppendTransitEvents(piece, *s.stamp, run, transit);
      s.without.Add(run);
      break;
    case ExportFormat::Csv:
      if (s.plain) {
        AppendCsvRun(piece, run, s.runs, false, s.spellEnds);
        s.plain->Write(piece);
        piece.clear();
        AppendCsvRun(piece, run, s.runs, true, s.spellEnds);
        s.withEvents->Write(piece);
        return;
      }
      AppendCsvRun(piece, run, s.runs, false, false);
      break;
    case ExportFormat::Json:
      WriteJsonRun(s.json, run);
      piece = s.json.Take();
      break;
  }
  s.out(piece);
}

std::string ExportStream::Finish(const SkyEventList& events, const ForecastList& forecast) {
  State& s = *state_;
  std::string piece;
  switch (s.format) {
    case ExportFormat::ICalendar:
      for (const auto* kind : EventKinds(events))
        for (const SkyEvent& e : *kind) AppendSkyEvent(piece, *s.stamp, e, events);
      for (const ForecastRecord& record : ForecastRecords(forecast))
        AppendForecastEvent(piece, *s.stamp, record, forecast);
      if (s.stamp->uids.empty()) AppendNothingFound(piece, *s.stamp, s.without);
      AppendContentLine(piece, "END:VCALENDAR");
      break;
    case ExportFormat::Csv: {
      const bool withEvents = events.Any() || forecast.Any();
      if (s.plain) {
        s.out(CsvHeader(withEvents, s.spellEnds));
        if (const int error = (withEvents ? s.withEvents : s.plain)->CopyTo(s.out))
          return std::string("its records put aside: ") + std::strerror(error);
      }
      AppendCsvEvents(piece, events, s.runs == 0 || s.firstWorld, s.spellEnds);
      AppendCsvForecast(piece, forecast, s.runs == 0 || s.firstWorld, s.spellEnds);
      break;
    }
    case ExportFormat::Json:
      s.json.Close(']');
      WriteJsonEvents(s.json, events);
      WriteJsonForecast(s.json, forecast);
      s.json.Close('}');
      piece = s.json.Finish();
      break;
  }
  s.out(piece);
  return {};
}

namespace {

std::string WriteWhole(ExportFormat format, const std::vector<RunResult>& results, const SkyEventList& events,
                       const ForecastList& forecast, int64_t writtenAt) {
  std::string out;
  // Every run is at hand: the CSV's columns are known before its records.
  ExportStream stream(
      format, [&out](std::string_view piece) { out += piece; }, false, writtenAt);
  if (format == ExportFormat::Csv && (events.Any() || forecast.Any())) {
    const bool spellEnds = forecast.voidOfCourseAsked;
    out = CsvHeader(true, spellEnds);
    size_t number = 0;
    for (const RunResult& run : results) AppendCsvRun(out, run, ++number, true, spellEnds);
    const bool world = results.empty() || results.front().world;
    AppendCsvEvents(out, events, world, spellEnds);
    AppendCsvForecast(out, forecast, world, spellEnds);
    return out;
  }
  for (const RunResult& run : results) stream.Run(run);
  stream.Finish(events, forecast);
  return out;
}

}  // namespace

std::string WriteICalendar(const std::vector<RunResult>& results) { return WriteICalendar(results, SkyEventList{}); }

std::string WriteICalendar(const std::vector<RunResult>& results, const SkyEventList& events) {
  return WriteICalendar(results, events, ExportTime());
}

int64_t ExportTime() {
  // Reproducible files where the builder asks for them, as other tools do.
  if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
    int64_t seconds = 0;
    const std::string_view text(fixed);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error == std::errc() && end == text.data() + text.size()) return seconds;
  }
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::string WriteICalendar(const std::vector<RunResult>& results, const SkyEventList& events, int64_t writtenAt) {
  return WriteICalendar(results, events, ForecastList{}, writtenAt);
}

std::string WriteICalendar(const std::vector<RunResult>& results, const SkyEventList& events,
                           const ForecastList& forecast, int64_t writtenAt) {
  return WriteWhole(ExportFormat::ICalendar, results, events, forecast, writtenAt);
}

std::string WriteCsv(const std::vector<RunResult>& results) { return WriteCsv(results, SkyEventList{}); }

std::string WriteCsv(const std::vector<RunResult>& results, const SkyEventList& events) {
  return WriteCsv(results, events, ForecastList{});
}

std::string WriteCsv(const std::vector<RunResult>& results, const SkyEventList& events, const ForecastList& forecast) {
  return WriteWhole(ExportFormat::Csv, results, events, forecast, 0);
}

std::string WriteCsv(const std::vector<RunResult>& results, const SkyEventList& events, const ForecastList& forecast,
                     const std::string& chart, bool header) {
  // The chart's own records, each with the chart's name before it; no field
  // of them holds a line end, so a record is a line.
  const std::string records = WriteCsv(results, events, forecast);
  std::string name;
  AppendCsvField(name, chart);
  name += ',';
  std::string out;
  for (size_t at = 0, line = 0; at < records.size(); ++line) {
    size_t end = records.find("\r\n", at);
    end = end == std::string::npos ? records.size() : end + 2;
    if (line > 0 || header) {
      out += line == 0 ? std::string("chart,") : name;
      out.append(records, at, end - at);
    }
    at = end;
  }
  return out;
}

std::string WriteJson(const std::vector<RunResult>& results) { return WriteJson(results, SkyEventList{}); }

std::string WriteJson(const std::vector<RunResult>& results, const SkyEventList& events) {
  return WriteJson(results, events, ForecastList{});
}

std::string WriteJson(const std::vector<RunResult>& results, const SkyEventList& events, const ForecastList& forecast) {
  return WriteWhole(ExportFormat::Json, results, events, forecast, 0);
}

std::string WriteJsonChart(const std::vector<RunResult>& results, const SkyEventList& events,
                           const ForecastList& forecast, const std::string& chart) {
  // The chart's own document, its name in place of the program's, standing
  // two levels in inside the list of charts; no string of it holds a line
  // end, so every line after the first moves in by two levels.
  const std::string document = WriteJson(results, events, forecast);
  const std::string program = "\"program\": \"Skyloom\"";
  JsonWriter name;
  name.String(chart);
  std::string text;
  for (size_t at = 0, line = 0; at < document.size(); ++line) {
    size_t end = document.find("\r\n", at);
    if (end == std::string::npos) break;  // the line end after the document
    std::string piece = document.substr(at, end - at);
    if (line == 1) piece.replace(piece.find(program), program.size(), "\"chart\": " + name.Take());
    if (line > 0) text += "\r\n    ";
    text += piece;
    at = end + 2;
  }
  return text;
}

std::string BeginJsonCharts() { return "{\r\n  \"program\": \"Skyloom\",\r\n  \"charts\": ["; }
std::string JsonChartSeparator(bool first) { return first ? "\r\n    " : ",\r\n    "; }
std::string EndJsonCharts(bool any) { return any ? "\r\n  ]\r\n}\r\n" : "]\r\n}\r\n"; }

}  // namespace skyloom
