#include "report/exports.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "calendar/time_zones.h"
#include "support/engine_setup.h"
#include "support/python_parsers.h"
#include "support/run_fixture.h"

namespace skyloom {
namespace {

using test::Day;
using test::RunFixture;
namespace fs = std::filesystem;

double Radians(double degrees) { return degrees / 360.0 * TwoPi; }

// Julian day (UT) of a minute of a day.
double Instant(int32_t day, int hour, int minute) { return day - 0.5 + (hour * 60 + minute) / 1440.0; }

// ---------------------------------------------------------------------------
// Reading the calendar back, as far as these tests need it.

std::vector<std::string> PhysicalLines(const std::string& ics) {
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t end = ics.find("\r\n"); end != std::string::npos; end = ics.find("\r\n", from)) {
    lines.push_back(ics.substr(from, end - from));
    from = end + 2;
  }
  EXPECT_EQ(from, ics.size()) << "text after the last CR LF";
  return lines;
}

std::vector<std::string> ContentLines(const std::string& ics) {
  std::vector<std::string> lines;
  for (const std::string& line : PhysicalLines(ics)) {
    if (!line.empty() && line[0] == ' ' && !lines.empty()) {
      lines.back() += line.substr(1);
    } else {
      lines.push_back(line);
    }
  }
  return lines;
}

// Each event's properties by name with parameters ("DTSTART;VALUE=DATE").
using Event = std::map<std::string, std::string>;

std::vector<Event> Events(const std::string& ics) {
  std::vector<Event> events;
  bool inside = false;
  for (const std::string& line : ContentLines(ics)) {
    if (line == "BEGIN:VEVENT") {
      events.emplace_back();
      inside = true;
    } else if (line == "END:VEVENT") {
      inside = false;
    } else if (inside) {
      const size_t colon = line.find(':');
      events.back()[line.substr(0, colon)] = line.substr(colon + 1);
    }
  }
  return events;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80         ? 1
                          : (lead >> 5) == 6  ? 2
                          : (lead >> 4) == 14 ? 3
                          : (lead >> 3) == 30 ? 4
                                              : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Results made by hand: a personal Saturn run with one conjunction of two
// passes (an exact one and a closest approach) and one square open at both
// ends, whose pass never reached a minimum.

RunResult HandMadeRun(const std::string& zoneText, int16_t zoneMinutes = -300) {
  test::InitEngineOnce();
  RunResult run;
  run.world = false;
  run.bodies = {Saturn, Sun};
  run.natalLongitude = Radians(298.0);
  run.startDay = Day(2020, 1, 1);
  run.endDay = Day(2020, 12, 31);
  run.zoneMinutes = zoneMinutes;
  run.zoneText = zoneText;
  run.orbDegrees = {10, 5, 2};

  TransitRecord conjunction;
  conjunction.aspect = 1;
  TransitRowData first;
  first.aspect = 1;
  first.entry = {DateMark{Day(2020, 3, 1), false}, DateMark{Day(2020, 3, 20), false},
                 DateMark{Day(2020, 4, 2), false}};
  MinimumRecord exact;
  exact.exact = true;
  exact.day = Day(2020, 4, 14);
  exact.minuteOfDay = 23 * 60 + 3;
  exact.zoneMinutes = zoneMinutes;
  exact.zoneText = zoneText;
  exact.instantUt = Instant(Day(2020, 4, 14), 23, 3) - zoneMinutes / 1440.0;
  first.minimum = exact;
  first.exit = {DateMark{Day(2020, 7, 31), true}, DateMark{Day(2020, 6, 5), true},
                DateMark{Day(2020, 4, 30), false}};
  TransitRowData second;
  second.aspect = 1;
  second.entry[2] = DateMark{Day(2020, 5, 20), true};
  MinimumRecord closest;
  closest.day = Day(2020, 6, 1);
  closest.retrograde = true;
  closest.deviation = Radians(0.5);
  second.minimum = closest;
  conjunction.passes = {first, second};

  TransitRecord square;
  square.aspect = 3;
  TransitRowData open;
  open.aspect = 3;
  open.exit[2] = DateMark{Day(2020, 9, 2), false};
  square.passes = {open};

  run.transits = {conjunction, square};
  return run;
}

std::vector<std::string> ExpectedReportLines(const std::vector<RunResult>& results) {
  std::vector<std::string> lines;
  for (const RunResult& run : results)
    for (const TransitRecord& transit : run.transits)
      for (const TransitRowData& pass : transit.passes)
        lines.push_back(test::ReportLine(AspectTable[transit.aspect].Name, pass));
  return lines;
}

bool EveryLineEndsInCrLf(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  return !text.empty() && text.back() == '\n';
}

fs::path WriteScratch(const std::string& name, const std::string& text) {
  const fs::path dir = fs::temp_directory_path() / ("skyloom_exports_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary) << text;
  return dir / name;
}

// ---------------------------------------------------------------------------

TEST(ICalendarExport, WorldRunOfTheGreatConjunction) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2020, 1, 1), Day(2020, 12, 31));
  f.Run();
  const std::string ics = WriteICalendar(f.state.Results);
  const std::vector<std::string> lines = ContentLines(ics);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines.front(), "BEGIN:VCALENDAR");
  EXPECT_EQ(lines.back(), "END:VCALENDAR");
  for (const char* line : {"VERSION:2.0", "CALSCALE:GREGORIAN"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [](const std::string& l) { return l.rfind("PRODID:", 0) == 0; }),
            lines.end());

  const std::vector<Event> events = Events(ics);
  ASSERT_EQ(events.size(), 2u) << ics;
  const Event& transit = events[0];
  EXPECT_EQ(transit.at("SUMMARY"), "Jupiter conjunction Saturn");
  EXPECT_EQ(transit.at("DTSTART;VALUE=DATE"), "20200214");
  // Still in orb on the last day: the event ends with the period, and DTEND
  // is the day after.
  EXPECT_EQ(transit.at("DTEND;VALUE=DATE"), "20210101");
  EXPECT_EQ(transit.at("DESCRIPTION"),
            "Jupiter conjunction Saturn\\, orbs 10°\\, 5° and 2°\\, dates in GMT.\\n"
            "Start 10°: 2020-02-14\\nStart 5°: 2020-04-28\\n"
            "Minimum: 2020-05-18 (Jupiter retrograde)\\, closest approach 4°42'\\n"
            "End 5°: 2020-06-07 (Jupiter retrograde)\\nStart 5°: 2020-11-02\\nStart 2°: 2020-12-03\\n"
            "Minimum: 2020-12-21\\, exact at 18:21 GMT\\n"
            "Still within 10° at the end of the period\\, 2020-12-31.");
  const Event& exact = events[1];
  EXPECT_EQ(exact.at("SUMMARY"), "Jupiter conjunction Saturn exact");
  EXPECT_EQ(exact.at("DTSTART"), "20201221T182100Z");
  EXPECT_EQ(exact.at("DTEND"), "20201221T182200Z");
  EXPECT_EQ(exact.at("UID"), "20201221-jupiter-saturn-conjunction-exact@skyloom");
  for (const Event& event : events) EXPECT_EQ(event.at("DTSTAMP"), "20200101T000000Z");
}

// The all-day event covers the outer orb; DTEND is exclusive, and where the
// period cut the transit off the event ends at the period and says so.
TEST(ICalendarExport, OuterOrbSpanAndOpenEnds) {
  struct Case {
    std::optional<int32_t> entry, exit;
    const char* start;
    const char* end;
    bool already, still;
  };
  const Case cases[] = {
      {Day(2020, 3, 1), Day(2020, 3, 31), "20200301", "20200401", false, false},
      {Day(2020, 2, 20), Day(2020, 2, 29), "20200220", "20200301", false, false},
      {Day(2020, 12, 1), Day(2020, 12, 31), "20201201", "20210101", false, false},
      {std::nullopt, Day(2020, 2, 10), "20200101", "20200211", true, false},
      {Day(2020, 11, 1), std::nullopt, "20201101", "20210101", false, true},
      {std::nullopt, std::nullopt, "20200101", "20210101", true, true},
  };
  for (const Case& c : cases) {
    RunResult run = HandMadeRun("GMT", 0);
    run.transits.resize(1);
    TransitRowData& pass = run.transits[0].passes[0];
    pass.entry[0] = c.entry ? std::optional(DateMark{*c.entry, false}) : std::nullopt;
    pass.exit[0] = c.exit ? std::optional(DateMark{*c.exit, false}) : std::nullopt;
    const std::vector<Event> events = Events(WriteICalendar({run}));
    ASSERT_EQ(events.size(), 2u);
    const Event& transit = events[0];
    EXPECT_EQ(transit.at("DTSTART;VALUE=DATE"), c.start);
    EXPECT_EQ(transit.at("DTEND;VALUE=DATE"), c.end);
    const std::string& description = transit.at("DESCRIPTION");
    EXPECT_EQ(
        description.find("Already within 10° at the start of the period\\, 2020-01-01.") != std::string::npos,
        c.already)
        << description;
    EXPECT_EQ(
        description.find("Still within 10° at the end of the period\\, 2020-12-31.") != std::string::npos,
        c.still)
        << description;
    EXPECT_EQ(transit.at("UID"), std::string(c.start) + "-saturn-natal-sun-298.00-conjunction@skyloom");
  }
}

TEST(ICalendarExport, ExactEventsInUtcWithRetrogradeSpelledOut) {
  RunFixture f;
  f.Personal(Saturn, Sun, Radians(298.0));
  f.Period(Day(2019, 12, 1), Day(2021, 3, 31));
  f.Zone(47);  // GMT+11:30: the second exact minute falls on the next local day
  f.Run();
  const std::vector<Event> events = Events(WriteICalendar(f.state.Results));
  ASSERT_EQ(events.size(), 4u);
  // The report (GMT) reads 07:42, 15:39 and 09:59 on 2020-02-28, 07-29 and 11-26.
  EXPECT_EQ(events[1].at("DTSTART"), "20200228T074200Z");
  EXPECT_EQ(events[2].at("DTSTART"), "20200729T153900Z");
  EXPECT_EQ(events[3].at("DTSTART"), "20201126T095900Z");
  EXPECT_EQ(events[1].at("SUMMARY"), "Saturn conjunction natal Sun exact");
  EXPECT_EQ(events[2].at("SUMMARY"), "Saturn conjunction natal Sun exact (Saturn retrograde)");
  EXPECT_EQ(
      events[2].at("DESCRIPTION").rfind("Exact on 2020-07-30 at 03:09 GMT+11:30 (Saturn retrograde).\\n", 0),
      0u)
      << events[2].at("DESCRIPTION");
  EXPECT_EQ(events[2].at("UID"), "20200729-saturn-natal-sun-298.00-conjunction-exact@skyloom");
}

// Importing the file of a re-run must update the calendar's events, not
// double them: the same results give the same file, every event its own UID,
// an exact event the same UID in any results zone, another chart other UIDs.
TEST(ICalendarExport, UidsAreStableAndDistinct) {
  auto run = [](double natal, int16_t zone) {
    RunFixture f;
    f.Personal(Saturn, Sun, Radians(natal));
    f.Period(Day(2019, 12, 1), Day(2021, 3, 31));
    f.Zone(zone);
    f.Run();
    return WriteICalendar(f.state.Results);
  };
  auto uids = [](const std::string& ics) {
    std::vector<std::string> all;
    for (const Event& event : Events(ics)) all.push_back(event.at("UID"));
    return all;
  };
  const std::string once = run(298.0, GreenwichPosition);
  EXPECT_EQ(run(298.0, GreenwichPosition), once);
  const std::vector<std::string> ids = uids(once);
  ASSERT_EQ(ids.size(), 4u);
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
  const std::vector<std::string> eastern = uids(run(298.0, 47));
  ASSERT_EQ(eastern.size(), 4u);
  EXPECT_TRUE(std::equal(ids.begin() + 1, ids.end(), eastern.begin() + 1));
  for (const std::string& other : uids(run(298.2, GreenwichPosition)))
    EXPECT_EQ(std::count(ids.begin(), ids.end(), other), 0) << other;
}

// No physical line longer than 75 octets, none cut inside a character, and
// unfolding gives back the text; tried with the multi-byte characters
// shifted through every position around the fold.
TEST(ICalendarExport, FoldingKeepsCharactersWhole) {
  for (size_t pad = 0; pad < 8; ++pad) {
    const std::string zone = std::string(pad, 'x') + "Zürich °€𝄞 Zürich °€𝄞 Zürich °€𝄞 Zürich °€𝄞 Zürich °€𝄞";
    const std::string ics = WriteICalendar({HandMadeRun(zone)});
    const std::vector<std::string> physical = PhysicalLines(ics);
    for (size_t i = 0; i < physical.size(); ++i) {
      EXPECT_LE(physical[i].size(), 75u) << physical[i];
      EXPECT_TRUE(IsValidUtf8(physical[i])) << "pad " << pad << ": " << physical[i];
      EXPECT_EQ(physical[i].find_first_of("\r\n"), std::string::npos);
    }
    const std::vector<Event> events = Events(ics);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_NE(events[0].at("DESCRIPTION").find("\\, dates in " + zone + "."), std::string::npos) << pad;
  }
}

TEST(ICalendarExport, TextValuesAreEscaped) {
  const std::string ics = WriteICalendar({HandMadeRun("Zürich, \"Mitte\"; C:\\zeit\r\n2\x01")});
  const std::vector<Event> events = Events(ics);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_NE(
      events[0].at("DESCRIPTION").find("\\, dates in Zürich\\, \"Mitte\"\\; C:\\\\zeit\\n2.\\nStart 10°"),
      std::string::npos)
      << events[0].at("DESCRIPTION");
  EXPECT_NE(
      events[1].at("DESCRIPTION").find("Exact on 2020-04-14 at 23:03 Zürich\\, \"Mitte\"\\; C:\\\\zeit\\n2."),
      std::string::npos)
      << events[1].at("DESCRIPTION");
}

// ---------------------------------------------------------------------------

TEST(CsvExport, WholeFileOfAWorldRun) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2020, 1, 1), Day(2020, 12, 31));
  f.Run();
  EXPECT_EQ(
      WriteCsv(f.state.Results),
      "run,mode,body,second_body,natal_longitude,zone,aspect,transit,pass,outer_entry,outer_entry_retrograde,"
      "middle_entry,middle_entry_retrograde,inner_entry,inner_entry_retrograde,minimum,minimum_date,"
      "minimum_retrograde,exact_utc,exact_local,closest_degrees,inner_exit,inner_exit_retrograde,middle_exit,"
      "middle_exit_retrograde,outer_exit,outer_exit_retrograde\r\n"
      "1,world,Jupiter,Saturn,,GMT,Conjunction,1,1,2020-02-14,false,2020-04-28,false,,,closest,2020-05-18,"
      "true,,,4.6969,,,2020-06-07,true,,\r\n"
      "1,world,Jupiter,Saturn,,GMT,Conjunction,1,2,,,2020-11-02,false,2020-12-03,false,exact,2020-12-21,"
      "false,2020-12-21T18:21Z,2020-12-21T18:21+00:00,,,,,,,\r\n");
}

// The exact instant in UTC from the Julian day, and in the results zone as
// the report shows it, across a change of date either way.
TEST(CsvExport, ExactInstantInUtcAndInTheResultsZone) {
  struct Case {
    int16_t zoneMinutes;
    int32_t localDay;
    int localMinute;
    double instantUt;
    const char* utc;
    const char* local;
  };
  const Case cases[] = {
      {-300, Day(2021, 1, 7), 23 * 60 + 3, Instant(Day(2021, 1, 8), 4, 3), "2021-01-08T04:03Z",
       "2021-01-07T23:03-05:00"},
      {330, Day(2020, 12, 22), 5 * 60 + 29, Instant(Day(2020, 12, 21), 23, 59), "2020-12-21T23:59Z",
       "2020-12-22T05:29+05:30"},
      {-690, Day(2020, 12, 31), 12 * 60 + 30, Instant(Day(2021, 1, 1), 0, 0) - 1e-9, "2021-01-01T00:00Z",
       "2020-12-31T12:30-11:30"},
      {0, Day(1600, 3, 1), 0, Instant(Day(1600, 3, 1), 0, 0) + 1e-9, "1600-03-01T00:00Z",
       "1600-03-01T00:00+00:00"},
  };
  for (const Case& c : cases) {
    RunResult run = HandMadeRun("Z", c.zoneMinutes);
    MinimumRecord& exact = *run.transits[0].passes[0].minimum;
    exact.day = c.localDay;
    exact.minuteOfDay = static_cast<int16_t>(c.localMinute);
    exact.instantUt = c.instantUt;
    const std::string csv = WriteCsv({run});
    EXPECT_NE(
        csv.find(",exact," + std::string(c.local).substr(0, 10) + ",false," + c.utc + "," + c.local + ","),
        std::string::npos)
        << csv;
    const std::string json = WriteJson({run});
    EXPECT_NE(json.find(std::string("\"utc\": \"") + c.utc + "\""), std::string::npos) << json;
    EXPECT_NE(json.find(std::string("\"local\": \"") + c.local + "\""), std::string::npos) << json;
    const std::vector<Event> events = Events(WriteICalendar({run}));
    ASSERT_EQ(events.size(), 3u);
    std::string basic = c.utc;
    basic.erase(std::remove_if(basic.begin(), basic.end(), [](char ch) { return ch == '-' || ch == ':'; }),
                basic.end());
    EXPECT_EQ(events[1].at("DTSTART"), basic.substr(0, basic.size() - 1) + "00Z");
  }
}

TEST(CsvExport, FieldsAreQuotedWhereNeeded) {
  const std::string csv = WriteCsv({HandMadeRun("Zürich, \"Mitte\"; C:\\zeit\r\n2")});
  EXPECT_NE(csv.find(",298.0000,\"Zürich, \"\"Mitte\"\"; C:\\zeit\r\n2\",Conjunction,"), std::string::npos)
      << csv;
  // Every record, the square's pass without a minimum included.
  RunResult plain = HandMadeRun("EST/CDT");
  const std::string table = WriteCsv({plain});
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 4);
  EXPECT_TRUE(EveryLineEndsInCrLf(table));
  EXPECT_NE(table.find(",EST/CDT,Square,2,1,,,,,,,none,,,,,,2020-09-02,false,,,,\r\n"), std::string::npos)
      << table;
}

// ---------------------------------------------------------------------------

TEST(JsonExport, StringsNumbersBooleansAndNulls) {
  const std::string json = WriteJson({HandMadeRun("Zürich, \"Mitte\"; C:\\zeit\r\n2\x01\x1f")});
  EXPECT_NE(json.find("\"zone\": \"Zürich, \\\"Mitte\\\"; C:\\\\zeit\\u000d\\u000a2\\u0001\\u001f\","),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"natalLongitude\": 298.0000,"), std::string::npos);
  EXPECT_NE(json.find("\"orbs\": [\r\n        10,\r\n        5,\r\n        2\r\n      ],"),
            std::string::npos);
  EXPECT_NE(json.find("\"closestDegrees\": 0.5000\r\n"), std::string::npos);
  EXPECT_NE(json.find("\"closestDegrees\": null\r\n"), std::string::npos);
  EXPECT_NE(json.find("\"outerEntry\": null,"), std::string::npos);
  EXPECT_NE(json.find("\"retrograde\": true"), std::string::npos);
  EXPECT_NE(json.find("\"stopped\": false,"), std::string::npos);
  EXPECT_TRUE(EveryLineEndsInCrLf(json));
  EXPECT_EQ(WriteJson({}), "{\r\n  \"program\": \"Skyloom\",\r\n  \"runs\": []\r\n}\r\n");
}

// Read back by Python's own parsers, every format gives the report's rows,
// whatever characters the zone's text holds.
TEST(ExportsReadBack, EveryFormatGivesTheReportsRows) {
  const std::string zones[] = {"EST/CDT", "Zürich, \"Mitte\"; C:\\zeit, °€𝄞", "tab\there\nline two"};
  for (const std::string& zone : zones) {
    std::vector<RunResult> results = {HandMadeRun(zone), HandMadeRun(zone, 330)};
    results[1].world = true;
    results[1].bodies = {Mars, Jupiter};
    const std::vector<std::string> want = ExpectedReportLines(results);
    for (const char* kind : {"csv", "json"}) {
      const fs::path file = WriteScratch(std::string("results.") + kind,
                                         std::string(kind) == "csv" ? WriteCsv(results) : WriteJson(results));
      const test::ParsedExport parsed = test::ParseExport(kind, file.string());
      ASSERT_EQ(parsed.status, 0) << parsed.error;
      EXPECT_EQ(parsed.lines, want) << kind << " " << zone;
    }
    const fs::path file = WriteScratch("results.ics", WriteICalendar(results));
    const test::ParsedExport parsed = test::ParseExport("ics", file.string());
    ASSERT_EQ(parsed.status, 0) << parsed.error;
    ASSERT_EQ(parsed.lines.size(), 1u + 6u);
    EXPECT_EQ(parsed.lines[0], "CALENDAR\t2.0\t-//Skyloom//Skyloom transits//EN\tGREGORIAN");
    const std::vector<std::string> exact = test::Fields(parsed.lines[2]);
    ASSERT_EQ(exact.size(), 7u);
    EXPECT_EQ(exact[2], "2020-04-15T04:03:00+00:00");
    EXPECT_EQ(exact[5].rfind("Exact on 2020-04-14 at 23:03 " + test::Escaped(zone) + ".\\n", 0), 0u)
        << exact[5];
    const std::vector<std::string> mars = test::Fields(parsed.lines[4]);
    ASSERT_EQ(mars.size(), 7u);
    EXPECT_EQ(mars[4], "Mars conjunction Jupiter");
    EXPECT_EQ(mars[1], "20200301-mars-jupiter-conjunction@skyloom");
    EXPECT_EQ(mars[2], "2020-03-01");
    EXPECT_EQ(mars[3], "2020-08-01");
  }
}

}  // namespace
}  // namespace skyloom

namespace skyloom {
namespace {

// The window's export command: a file chosen in the dialog gets exactly the
// writer's text; a cancel writes nothing; without results the user is told.
TEST(ExportCommand, WritesTheChosenFile) {
  test::RunFixture f;
  ExportResultsCommand(f.state, ExportFormat::Csv);
  ASSERT_EQ(f.window.MessageBoxes().size(), 1u);
  EXPECT_TRUE(f.window.FileDialogs().empty());

  f.World(Jupiter, Saturn);
  f.Period(test::Day(2020, 1, 1), test::Day(2020, 12, 31));
  f.Run();
  const auto path = std::filesystem::temp_directory_path() / ("skyloom_export_" + std::to_string(::getpid()) + ".ics");
  f.window.QueueFileName(path.string());
  ExportResultsCommand(f.state, ExportFormat::ICalendar);
  std::ifstream in(path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  EXPECT_EQ(written, WriteICalendar(f.state.Results));
  EXPECT_EQ(f.window.FileDialogs().back().filter, "iCalendar files *.ics | *.ics");

  f.window.QueueFileName("");
  ExportResultsCommand(f.state, ExportFormat::Json);
  EXPECT_EQ(f.window.MessageBoxes().size(), 1u);
}

}  // namespace
}  // namespace skyloom
