#include "cli/charts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"
#include "cli/arguments.h"
#include "report/files.h"
#include "runs/request_checks.h"

namespace skyloom::cli {

namespace {

// Shortest text that reads back as the same number, never with an
// exponent: the place's coordinates reach a run unchanged.
std::string Coordinate(double value) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  return error == std::errc() ? std::string(text, end) : std::string();
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(separator, from);
    parts.push_back(Trim(text.substr(from, at == std::string::npos ? std::string::npos : at - from)));
    if (at == std::string::npos) return parts;
    from = at + 1;
  }
}

// Tags as a cell holds them: separated by semicolons, each once.
std::vector<std::string> TagsOf(const std::string& cell) {
  std::vector<std::string> tags;
  if (Trim(cell).empty()) return tags;
  for (const std::string& tag : Split(cell, ';'))
    if (!tag.empty() && std::find(tags.begin(), tags.end(), tag) == tags.end()) tags.push_back(tag);
  return tags;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (size_t k = 0; k < parts.size(); ++k) text += (k > 0 ? separator : "") + parts[k];
  return text;
}

// RFC 4180 records, each with the line it begins on; a quoted field may
// hold commas, quotes (doubled) and line ends.
struct CsvRecord {
  size_t line = 0;
  std::vector<std::string> fields;
};
std::vector<CsvRecord> CsvRecords(const std::string& text) {
  std::vector<CsvRecord> records;
  size_t line = 1, at = 0;
  while (at < text.size()) {
    CsvRecord record{line, {}};
    std::string field;
    bool quoted = false, ended = false;
    while (at < text.size() && !ended) {
      const char c = text[at++];
      if (quoted) {
        if (c == '"' && at < text.size() && text[at] == '"') {
          field += '"';
          ++at;
        } else if (c == '"') {
          quoted = false;
        } else {
          if (c == '\n') ++line;
          field += c;
        }
      } else if (c == '"') {
        quoted = true;
      } else if (c == ',') {
        record.fields.push_back(field);
        field.clear();
      } else if (c == '\n') {
        ++line;
        ended = true;
      } else if (c != '\r') {
        field += c;
      }
    }
    if (quoted) throw StoreError("line " + std::to_string(record.line) + ": a quoted field is not closed");
    record.fields.push_back(field);
    const bool blank = record.fields.size() == 1 && Trim(record.fields[0]).empty();
    if (!blank) records.push_back(std::move(record));
  }
  return records;
}

void AppendCsvField(std::string& out, const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) {
    out += field;
    return;
  }
  out += '"';
  for (const char c : field) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  out += '"';
}

const char* const kColumns[] = {"name",     "date",      "time",   "zone", "place",
                                "latitude", "longitude", "zodiac", "tags", "note"};

std::optional<double> Number(const std::string& text, const std::string& column) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  const std::string t = text[0] == '+' ? text.substr(1) : text;
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(value))
    throw StoreError(column + " is a number in degrees, not " + text);
  return value;
}

std::vector<StoredChart> ReadCsvCharts(const std::string& text, const Atlas& atlas, std::vector<size_t>& lines) {
  const std::vector<CsvRecord> records = CsvRecords(text);
  if (records.empty()) throw StoreError("the file holds no charts");
  std::map<std::string, size_t> columns;
  for (size_t k = 0; k < records[0].fields.size(); ++k) {
    const std::string name = AsciiLowerCase(Trim(records[0].fields[k]));
    if (std::find(std::begin(kColumns), std::end(kColumns), name) == std::end(kColumns))
      throw StoreError("line 1: no column is called " + name + "; the columns are " +
                       "name, date, time, zone, place or latitude and longitude, zodiac, tags and note");
    if (!columns.emplace(name, k).second) throw StoreError("line 1: two columns are called " + name);
  }
  for (const char* needed : {"name", "date", "time", "zone"})
    if (!columns.count(needed)) throw StoreError(std::string("line 1: the header names no column ") + needed);
  if (columns.count("latitude") != columns.count("longitude"))
    throw StoreError("line 1: latitude and longitude go together");
  std::vector<StoredChart> charts;
  for (size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    const std::string at = "line " + std::to_string(record.line) + ": ";
    if (record.fields.size() != records[0].fields.size())
      throw StoreError(at + std::to_string(record.fields.size()) + " fields where the header has " +
                       std::to_string(records[0].fields.size()));
    auto cell = [&](const char* column) {
      const auto found = columns.find(column);
      return found == columns.end() ? std::string() : Trim(record.fields[found->second]);
    };
    try {
      ChartTexts t;
      t.name = cell("name");
      t.date = cell("date");
      t.time = cell("time");
      t.zone = cell("zone");
      t.place = cell("place");
      t.latitude = Number(cell("latitude"), "latitude");
      t.longitude = Number(cell("longitude"), "longitude");
      if (t.latitude.has_value() != t.longitude.has_value())
        throw StoreError("a place by its coordinates needs both latitude and longitude");
      const std::string zodiac = AsciiLowerCase(cell("zodiac"));
      if (!zodiac.empty() && zodiac != "tropical" && zodiac != "sidereal")
        throw StoreError("the zodiac is tropical or sidereal, not " + cell("zodiac"));
      t.sidereal = zodiac == "sidereal";
      t.tags = TagsOf(cell("tags"));
      t.note = cell("note");
      charts.push_back(CheckedChart(t, atlas));
      lines.push_back(record.line);
    } catch (const StoreError& e) {
      throw StoreError(at + e.what());
    }
  }
  return charts;
}

// AAF: "#A93:surname,first name,sex,d.m.yyyyg,hh:mm[:ss],place,country"
// then "#B93:julian day,48n24,10e00,1hE00,..." with the coordinates in
// degrees and minutes and the zone's hours and minutes east or west.
int32_t Whole(const std::string& text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw StoreError("not a number: " + text);
  return std::stoi(text.substr(0, 9));
}

double AafAngle(const std::string& text, char positive, char negative, const char* what) {
  const size_t at = text.find_first_of(
      std::string{positive, negative, static_cast<char>(positive - 32), static_cast<char>(negative - 32)});
  if (at == std::string::npos || at == 0 || at + 1 >= text.size())
    throw StoreError(std::string("the ") + what + " is degrees, " + positive + " or " + negative +
                     ", minutes (48n24), not " + text);
  std::string minutes = text.substr(at + 1);
  double seconds = 0;
  if (const size_t s = minutes.find_first_of(":'"); s != std::string::npos) {
    seconds = Whole(minutes.substr(s + 1));
    minutes = minutes.substr(0, s);
  }
  const double value = Whole(text.substr(0, at)) + Whole(minutes) / 60.0 + seconds / 3600.0;
  return (text[at] | 32) == negative ? -value : value;
}

// The zone's minutes east of Greenwich.
int32_t AafZoneMinutes(const std::string& text) {
  const size_t h = text.find_first_of("hH");
  const char side = h != std::string::npos && h + 1 < text.size() ? static_cast<char>(text[h + 1] | 32) : '?';
  if (h == 0 || (side != 'e' && side != 'w'))
    throw StoreError("the zone is hours, hE or hW, minutes (1hE00), not " + text);
  const int32_t minutes = Whole(text.substr(0, h)) * 60 + (h + 2 < text.size() ? Whole(text.substr(h + 2)) : 0);
  return side == 'w' ? -minutes : minutes;
}

std::string ZoneText(int32_t minutes) {
  if (minutes == 0) return "GMT";
  const int32_t size = std::abs(minutes);
  return std::string("GMT") + (minutes > 0 ? "+" : "-") + std::to_string(size / 60) + ":" +
         (size % 60 < 10 ? "0" : "") + std::to_string(size % 60);
}

// The birth's zone from the #B93 record: its zone, with the hours of summer
// time on top where the record gives them. Where it gives the birth's
// Julian day (Universal Time) too, that instant settles the reading:
// exporters differ in whether the zone already holds the summer hour, so
// whichever reading makes the local date and time that instant is taken,
// and a record that agrees with neither is refused. localJd: the #A93
// record's date and time as days, read as if it were Universal Time.
std::string AafZone(const std::vector<std::string>& fields, double localJd) {
  const int32_t zone = AafZoneMinutes(fields[3]);
  const std::string summerText = fields.size() > 4 ? fields[4] : "";
  const int32_t summer = summerText.empty() || summerText == "*" ? 0 : Whole(summerText) * 60;
  if (fields[0].empty() || fields[0] == "*" || std::isnan(localJd)) return ZoneText(zone + summer);
  double jd = 0;
  const auto [end, error] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), jd);
  if (error != std::errc() || end != fields[0].data() + fields[0].size() || !std::isfinite(jd))
    throw StoreError("the Julian day is a number or *, not " + fields[0]);
  // Minutes east of Greenwich the instant gives; a Julian day rounded to a
  // ten-thousandth, or given in Terrestrial Time (under two minutes ahead
  // from 1600 to 2100), still agrees.
  const double east = (localJd - jd) * 1440;
  for (const int32_t reading : {zone + summer, zone})
    if (std::fabs(east - reading) <= 2.5) return ZoneText(reading);
  throw StoreError("the Julian day " + fields[0] + " is not the date and time at the zone " + fields[3] +
                   (summer != 0 ? " with " + summerText + " hour(s) of summer time" : "") +
                   ": which instant is meant is unclear");
}

std::vector<StoredChart> ReadAafCharts(const std::string& text, const Atlas& atlas, std::vector<size_t>& lines) {
  std::vector<StoredChart> charts;
  std::istringstream in(text);
  std::optional<ChartTexts> pending;
  size_t pendingLine = 0, line = 0;
  double pendingLocalJd = 0;
  auto finish = [&]() {
    if (!pending) return;
    if (!pending->latitude)
      throw StoreError("line " + std::to_string(pendingLine) + ": the #A93 record has no #B93 record after it");
    try {
      charts.push_back(CheckedChart(*pending, atlas));
      lines.push_back(pendingLine);
    } catch (const StoreError& e) {
      throw StoreError("line " + std::to_string(pendingLine) + ": " + e.what());
    }
    pending.reset();
  };
  for (std::string raw; std::getline(in, raw);) {
    ++line;
    const std::string record = Trim(raw);
    const std::string at = "line " + std::to_string(line) + ": ";
    try {
      if (record.rfind("#A93:", 0) == 0) {
        finish();
        const std::vector<std::string> f = Split(record.substr(5), ',');
        if (f.size() < 5) throw StoreError("an #A93 record has name, first name, sex, date, time, place, country");
        ChartTexts t;
        t.name = f[1].empty() || f[1] == "*" ? f[0] : f[1] + " " + f[0];
        std::string date = f[3];
        if (!date.empty() && (date.back() == 'j' || date.back() == 'J'))
          throw StoreError("dates of the Julian calendar are not read: " + f[3]);
        if (!date.empty() && (date.back() == 'g' || date.back() == 'G')) date.pop_back();
        const std::vector<std::string> dmy = Split(date, '.');
        if (dmy.size() != 3) throw StoreError("the date is day.month.year, not " + f[3]);
        const int32_t day = Whole(dmy[0]), month = Whole(dmy[1]), year = Whole(dmy[2]);
        char iso[16];
        std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year % 10000, month % 100, day % 100);
        t.date = iso;
        // The minute of the birth: the runs take no seconds.
        const std::vector<std::string> hms = Split(f[4], ':');
        if (hms.size() < 2) throw StoreError("the time is hh:mm, not " + f[4]);
        CalendarDate civil;
        civil.Year = year;
        civil.Month = month;
        civil.Day = day;
        date_to_day_number(civil);
        // A date that does not exist is told by the checks of the chart.
        pendingLocalJd = !civil.Valid ? std::nan("") : civil.DayNumber - 0.5 +
                         (Whole(hms[0]) * 3600.0 + Whole(hms[1]) * 60.0 + (hms.size() > 2 ? Whole(hms[2]) : 0)) / 86400;
        char hm[16];
        std::snprintf(hm, sizeof hm, "%02d:%02d", Whole(hms[0]) % 100, Whole(hms[1]) % 100);
        t.time = hm;
        if (f.size() > 5 && f[5] != "*") t.place = f[5];
        t.tags = {"aaf"};
        pending = std::move(t);
        pendingLine = line;
      } else if (record.rfind("#B93:", 0) == 0) {
        if (!pending) throw StoreError("a #B93 record with no #A93 record before it");
        const std::vector<std::string> f = Split(record.substr(5), ',');
        if (f.size() < 4) throw StoreError("a #B93 record has julian day, latitude, longitude, zone");
        pending->latitude = AafAngle(f[1], 'n', 's', "latitude");
        pending->longitude = AafAngle(f[2], 'e', 'w', "longitude");
        pending->zone = AafZone(f, pendingLocalJd);
        finish();
      }
    } catch (const StoreError& e) {
      const std::string why = e.what();
      throw StoreError(why.rfind("line ", 0) == 0 ? why : at + why);
    }
  }
  finish();
  if (charts.empty()) throw StoreError("the file holds no #A93 records");
  return charts;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw StoreError("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Tell(const std::string& text, int status) {
  std::fprintf(stderr, "skyloom-cli: %s\n", text.c_str());
  return status;
}

const char* const kChartsUsage =
    "Usage: skyloom-cli charts add NAME --birth YYYY-MM-DD --birth-time HH:MM --birth-zone ZONE\n"
    "                          [--birth-place PLACE] [--sidereal] [--tag TAG]... [--note TEXT]\n"
    "       skyloom-cli charts list [--tag TAG]\n"
    "       skyloom-cli charts remove NAME\n"
    "       skyloom-cli charts import FILE.csv|FILE.aaf\n"
    "       skyloom-cli charts export FILE.csv\n"
    "       [--chart-store FILE] anywhere: another collection than the default one\n"
    "The collection is $XDG_DATA_HOME/skyloom/charts.sqlite (~/.local/share/skyloom/charts.sqlite).\n"
    "An import reads CSV with a header naming name, date, time, zone and place or latitude\n"
    "and longitude (zodiac, tags separated by ';' and note may follow), or AAF (#A93 and\n"
    "#B93 records; the hours of summer time go on the zone, and where #B93 gives the\n"
    "Julian day, the reading that makes it is taken); all or nothing, a bad record told\n"
    "with its line.\n"
    "A run takes --chart NAME in place of the --birth options, or --charts all|tag:TAG for\n"
    "every chart (or a tag's), one report after another with the chart's name in each\n"
    "title; --csv and --json records then carry the chart's name.\n";

int ChartsUnusable(const std::string& why) {
  std::fprintf(stderr, "skyloom-cli: %s\n%s", why.c_str(), kChartsUsage);
  return kUnusable;
}

int Add(std::vector<std::string> words, ChartStore& store, const Atlas& atlas) {
  ChartTexts t;
  std::vector<std::string> rest;
  for (size_t k = 0; k < words.size(); ++k) {
    const std::string& w = words[k];
    static const char* const kValued[] = {"--birth",       "--birth-time", "--birth-zone",
                                          "--birth-place", "--tag",        "--note"};
    if (w == "--sidereal") {
      t.sidereal = true;
      continue;
    }
    std::string option = w, value;
    bool inlineValue = false;
    if (const size_t eq = w.find('='); w.rfind("--", 0) == 0 && eq != std::string::npos) {
      option = w.substr(0, eq);
      value = w.substr(eq + 1);
      inlineValue = true;
    }
    if (std::find(std::begin(kValued), std::end(kValued), option) == std::end(kValued)) {
      if (w.rfind("--", 0) == 0) return ChartsUnusable("charts add: unknown option " + option);
      rest.push_back(w);
      continue;
    }
    if (!inlineValue) {
      if (k + 1 >= words.size()) return ChartsUnusable("charts add: " + option + " needs a value");
      value = words[++k];
    }
    std::string* field = option == "--birth"         ? &t.date
                         : option == "--birth-time"  ? &t.time
                         : option == "--birth-zone"  ? &t.zone
                         : option == "--birth-place" ? &t.place
                         : option == "--note"        ? &t.note
                                                     : nullptr;
    if (field == nullptr) {
      if (std::find(t.tags.begin(), t.tags.end(), value) == t.tags.end()) t.tags.push_back(value);
    } else if (!field->empty()) {
      return ChartsUnusable("charts add: " + option + " is given twice");
    } else {
      *field = value;
    }
  }
  if (rest.size() != 1) return ChartsUnusable("charts add takes one name (in quotes when it has spaces)");
  t.name = rest[0];
  if (t.date.empty() || t.time.empty()) return ChartsUnusable("charts add needs --birth and --birth-time");
  try {
    store.Add(CheckedChart(t, atlas));
  } catch (const StoreError& e) {
    return Tell(std::string("charts add: ") + e.what(), kRefused);
  }
  return kDone;
}

}  // namespace

std::optional<std::string> TakeOption(std::vector<std::string>& words, const std::string& option) {
  std::optional<std::string> value;
  for (size_t k = 1; k < words.size();) {
    const std::string& w = words[k];
    const bool inlineValue = w.rfind(option + "=", 0) == 0;
    if (w != option && !inlineValue) {
      ++k;
      continue;
    }
    if (value) throw UnusableArguments(option + " is given twice");
    if (inlineValue) {
      value = w.substr(option.size() + 1);
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(k));
    } else {
      if (k + 1 >= words.size() || words[k + 1].rfind("--", 0) == 0) throw UnusableArguments(option + " needs a value");
      value = words[k + 1];
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(k), words.begin() + static_cast<std::ptrdiff_t>(k) + 2);
    }
    if (value->empty()) throw UnusableArguments(option + " needs a value");
  }
  return value;
}

std::vector<std::string> ChartArguments(const StoredChart& chart) {
  std::vector<std::string> words = {"--birth", chart.birthDate, "--birth-time", chart.birthTime};
  if (!chart.birthZone.empty()) {
    words.push_back("--birth-zone");
    words.push_back(chart.birthZone);
  }
  if (chart.latitude && chart.longitude) {
    words.push_back("--birth-place");
    words.push_back(Coordinate(*chart.latitude) + "," + Coordinate(*chart.longitude));
  }
  if (chart.zodiac == "sidereal") words.push_back("--sidereal");
  return words;
}

bool AddChartArguments(std::vector<std::string>& words, const std::string& name, const std::string& storePath) {
  for (const char* own : {"--birth", "--birth-time", "--birth-zone", "--birth-place", "--sidereal"})
    for (const std::string& w : words)
      if (w == own || w.rfind(std::string(own) + "=", 0) == 0)
        throw UnusableArguments(std::string(own) + " comes from the chart with --chart");
  try {
    const std::optional<StoredChart> chart = ChartStore(storePath).Find(name);
    if (!chart) {
      std::fprintf(stderr, "skyloom-cli: --chart: the collection %s has no chart called %s\n", storePath.c_str(),
                   name.c_str());
      return false;
    }
    for (std::string& w : ChartArguments(*chart)) words.push_back(std::move(w));
    return true;
  } catch (const StoreError& e) {
    std::fprintf(stderr, "skyloom-cli: %s\n", e.what());
    return false;
  }
}

StoredChart CheckedChart(const ChartTexts& t, const Atlas& atlas) {
  if (t.name.empty()) throw StoreError("a chart needs a name");
  StoredChart chart;
  chart.name = t.name;
  chart.birthDate = t.date;
  chart.birthTime = t.time;
  chart.birthZone = t.zone;
  chart.placeName = t.place;
  chart.latitude = t.latitude;
  chart.longitude = t.longitude;
  chart.zodiac = t.sidereal ? "sidereal" : "";
  chart.tags = t.tags;
  chart.note = t.note;
  if (!t.place.empty() && !t.latitude) {
    // A place by its name keeps its coordinates, and the zone of its clocks
    // when none is given: the chart runs the same when the atlas changes.
    const PlaceReading place = ReadPlace(atlas, t.place);
    if (!place.Found()) {
      std::string why = "the birth place: " + place.why;
      for (const Place& p : place.candidates) why += "\n" + PlaceLine(p);
      throw StoreError(why);
    }
    chart.latitude = place.place.latitude;
    chart.longitude = place.place.longitude;
    if (chart.birthZone.empty()) {
      if (place.kind != PlaceReading::Kind::Named)
        throw StoreError("coordinates give no zone; give the zone too (LMT for the place's local mean time)");
      chart.birthZone = place.zone;
    }
  }
  if (chart.birthZone.empty()) throw StoreError("Please specify the timezone, or use GMT if not known.");
  // Read as a run reads them, and checked as a run checks them.
  std::vector<std::string> words = {"skyloom-cli", "personal", "Sun",        "Sun",    "--start",
                                    "2000-01-01",  "--end",    "2000-01-31", "--zone", "GMT"};
  for (std::string& w : ChartArguments(chart)) words.push_back(std::move(w));
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  Arguments read;
  try {
    read = ParseArguments(static_cast<int>(words.size()), argv.data(), atlas);
  } catch (const UnusableArguments& e) {
    throw StoreError(e.what());
  }
  if (read.ambiguousBirth) throw StoreError(*read.ambiguousBirth);
  const RunRequest& r = read.request;
  const Captions captions = CaptionsOf(r);
  EnteredDays days;
  Zone zone;
  if (Check refused = CheckBirthBoxes(r, captions)) throw StoreError(refused->notice.text);
  if (Check refused = CheckBirthData(r, captions, false, days)) throw StoreError(refused->notice.text);
  if (Check refused = CheckBirthZone(r, captions, zone)) throw StoreError(refused->notice.text);
  return chart;
}

std::vector<StoredChart> ReadChartFile(const std::string& text, const Atlas& atlas, std::vector<size_t>* lines) {
  std::vector<size_t> ignored;
  if (lines == nullptr) lines = &ignored;
  lines->clear();
  const size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  if (first != std::string::npos && text[first] == '#') return ReadAafCharts(text, atlas, *lines);
  return ReadCsvCharts(text, atlas, *lines);
}

std::string ChartTable(const std::vector<StoredChart>& charts) {
  std::string out = Joined({std::begin(kColumns), std::end(kColumns)}, ",") + "\r\n";
  for (const StoredChart& c : charts) {
    const std::string fields[] = {c.name,
                                  c.birthDate,
                                  c.birthTime,
                                  c.birthZone,
                                  c.placeName,
                                  c.latitude ? Coordinate(*c.latitude) : "",
                                  c.longitude ? Coordinate(*c.longitude) : "",
                                  c.zodiac,
                                  Joined(c.tags, ";"),
                                  c.note};
    for (size_t k = 0; k < std::size(fields); ++k) {
      if (k > 0) out += ',';
      AppendCsvField(out, fields[k]);
    }
    out += "\r\n";
  }
  return out;
}

int ChartsCommand(const std::vector<std::string>& words, const std::string& storePath, const Atlas& atlas) {
  if (words.size() < 3) return ChartsUnusable("charts needs add, list, remove, import or export");
  const std::string& verb = words[2];
  if (verb == "--help" || verb == "help") {
    std::fputs(kChartsUsage, stdout);
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? kDone : kNotWritten;
  }
  const std::vector<std::string> rest(words.begin() + 3, words.end());
  if (verb != "add" && verb != "list" && verb != "remove" && verb != "import" && verb != "export")
    return ChartsUnusable("charts takes add, list, remove, import or export, not " + verb);
  if ((verb == "remove" || verb == "import" || verb == "export") && rest.size() != 1)
    return ChartsUnusable("charts " + verb + " takes one " + (verb == "remove" ? "name" : "file"));
  std::string tag;
  if (verb == "list") {
    std::vector<std::string> listed = rest;
    listed.insert(listed.begin(), "charts");
    try {
      tag = TakeOption(listed, "--tag").value_or("");
    } catch (const UnusableArguments& e) {
      return ChartsUnusable(std::string("charts list: ") + e.what());
    }
    if (listed.size() != 1) return ChartsUnusable("charts list takes only --tag TAG");
  }
  try {
    ChartStore store(storePath);
    if (verb == "add") return Add(rest, store, atlas);
    if (verb == "remove") {
      if (!store.Remove(rest[0])) return Tell("charts remove: there is no chart called " + rest[0], kRefused);
      return kDone;
    }
    if (verb == "import") {
      std::vector<size_t> lines;
      const std::vector<StoredChart> charts = ReadChartFile(ReadWhole(rest[0]), atlas, &lines);
      // One transaction: a name the collection already has stores none.
      store.AddAll(charts, [&](size_t k) { return "line " + std::to_string(lines[k]); });
      std::printf("%zu chart%s imported\n", charts.size(), charts.size() == 1 ? "" : "s");
      return std::fflush(stdout) == 0 ? kDone : kNotWritten;
    }
    if (verb == "export") {
      FileReplacement file;
      std::string reason = file.Open(rest[0]);
      if (reason.empty()) {
        file.Write(ChartTable(store.List()));
        reason = file.Commit();
      }
      if (!reason.empty()) return Tell("cannot write " + rest[0] + ": " + reason, kNotWritten);
      return kDone;
    }
    for (const StoredChart& c : store.List(tag)) {
      std::string place = c.placeName;
      if (place.empty() && c.latitude) place = Coordinate(*c.latitude) + "," + Coordinate(*c.longitude);
      std::printf("%s | %s | %s | %s | %s | %s\n", c.name.c_str(), c.birthDate.c_str(), c.birthTime.c_str(),
                  c.birthZone.c_str(), place.c_str(), Joined(c.tags, ", ").c_str());
    }
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? kDone : kNotWritten;
  } catch (const StoreError& e) {
    return Tell("charts " + verb + ": " + e.what(), kRefused);
  }
}

}  // namespace skyloom::cli
