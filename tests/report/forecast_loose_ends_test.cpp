// What the forecast's records tell a reader of the files alone: a
// void-of-course spell's end as well as its start, a progressed or directed
// run named so in every file, and the sky's marks on the timeline's axis.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "report/exports.h"
#include "report/timeline.h"

namespace skyloom {
namespace {

constexpr int64_t kWritten = 1796601600;  // 2026-12-07 00:00 UTC
constexpr int32_t k20240301 = 2460371;    // the day number of 2024-03-01

// Julian day (UT) of a minute of March 2024.
double March2024(int day, int hour, int minute) { return k20240301 - 0.5 + (day - 1) + (hour * 60 + minute) / 1440.0; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end - at));
    if (end == std::string::npos) break;
    at = end + 2;
  }
  return lines;
}

// No field of these records is quoted.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  for (size_t at = 0;; ++at) {
    const size_t comma = line.find(',', at);
    fields.push_back(line.substr(at, comma - at));
    if (comma == std::string::npos) return fields;
    at = comma;
  }
}

std::string Field(const std::vector<std::string>& header, const std::vector<std::string>& record,
                  const std::string& column) {
  for (size_t k = 0; k < header.size() && k < record.size(); ++k)
    if (header[k] == column) return record[k];
  return "(no column " + column + ")";
}

// Values of an iCalendar property in file order (these lines are never folded).
std::vector<std::string> Values(const std::string& ics, const std::string& name) {
  std::vector<std::string> values;
  for (const std::string& line : Lines(ics))
    if (line.starts_with(name + ":")) values.push_back(line.substr(name.size() + 1));
  return values;
}

ForecastList SpellList(const Zone& zone, double start, double end) {
  ForecastList list;
  list.voidOfCourseAsked = true;
  list.firstDay = k20240301;
  list.lastDay = k20240301 + 30;
  list.zone = zone;
  VoidSpell spell;
  spell.start = MomentAt(start, zone);
  spell.end = MomentAt(end, zone);
  spell.sign = 4;  // Leo
  list.voidOfCourse.push_back(spell);
  return list;
}

struct SpellCase {
  const char* name;
  int32_t offsetSeconds;
  const char* zone;
  double start, end;
  const char* endDate;  // local
  const char* endUtc;
  const char* endLocal;
  const char* endOffset;
  const char* dtstart;
  const char* dtend;
};

const SpellCase kSpells[] = {
    {"ends the same local day, the next in UTC", -5 * 3600, "GMT-5", March2024(1, 15, 30), March2024(2, 3, 10),
     "2024-03-01", "2024-03-02T03:10Z", "2024-03-01T22:10-05:00", "-05:00", "20240301T153000Z", "20240302T031000Z"},
    {"ends a local day after UTC's", 5 * 3600 + 1800, "GMT+5:30", March2024(10, 20, 0), March2024(11, 22, 45),
     "2024-03-12", "2024-03-11T22:45Z", "2024-03-12T04:15+05:30", "+05:30", "20240310T200000Z", "20240311T224500Z"},
    {"two days long in Greenwich", 0, "GMT", March2024(20, 0, 1), March2024(22, 23, 59), "2024-03-22",
     "2024-03-22T23:59Z", "2024-03-22T23:59+00:00", "+00:00", "20240320T000100Z", "20240322T235900Z"},
};

TEST(VoidOfCourseRecords, EverySpellCarriesItsEnd) {
  for (const SpellCase& c : kSpells) {
    const ForecastList list = SpellList(Zone::Fixed(c.offsetSeconds, c.zone), c.start, c.end);
    const std::vector<std::string> csv = Lines(WriteCsv({}, SkyEventList{}, list));
    ASSERT_GE(csv.size(), 2u) << c.name;
    const std::vector<std::string> header = Fields(csv[0]), record = Fields(csv[1]);
    EXPECT_EQ(Field(header, record, "record"), "void_of_course") << c.name;
    EXPECT_EQ(Field(header, record, "event_end_date"), c.endDate) << c.name;
    EXPECT_EQ(Field(header, record, "event_end_utc"), c.endUtc) << c.name;
    EXPECT_EQ(Field(header, record, "event_end_local"), c.endLocal) << c.name;
    EXPECT_EQ(Field(header, record, "event_end_utc_offset"), c.endOffset) << c.name;

    const std::string ics = WriteICalendar({}, SkyEventList{}, list, kWritten);
    EXPECT_EQ(Values(ics, "DTSTART"), std::vector<std::string>{c.dtstart}) << c.name;
    EXPECT_EQ(Values(ics, "DTEND"), std::vector<std::string>{c.dtend}) << c.name;

    const std::string json = WriteJson({}, SkyEventList{}, list);
    EXPECT_NE(json.find("\"endUtc\": \"" + std::string(c.endUtc) + "\""), std::string::npos) << c.name << json;
    EXPECT_NE(json.find("\"endLocal\": \"" + std::string(c.endLocal) + "\""), std::string::npos) << c.name;
  }
}

// A personal run with one exact square, its moving body moved as given.
RunResult SquareRun(ProgressionKind progression) {
  RunResult run;
  run.world = false;
  run.bodies = {Moon, Sun};
  run.natalLongitude = 1.5;
  run.startDay = k20240301;
  run.endDay = k20240301 + 400;
  run.zone = Zone::Fixed(0, "GMT");
  run.orbDegrees = {5, 3, 1};
  run.progression = progression;
  TransitRecord transit;
  transit.aspect = Square;
  TransitRowData pass;
  pass.aspect = Square;
  MinimumRecord m;
  m.exact = true;
  m.day = k20240301 + 200;
  m.minuteOfDay = 600;
  m.instant = Instant{m.day - 0.5 + 600 / 1440.0};
  m.zoneText = "GMT";
  pass.minimum = m;
  pass.entry[0] = DateMark{k20240301 + 50, false, std::nullopt};
  pass.exit[0] = DateMark{k20240301 + 350, false, std::nullopt};
  transit.passes.push_back(pass);
  run.transits.push_back(transit);
  return run;
}

struct MovedCase {
  ProgressionKind kind;
  const char* summary;
  const char* mode;
};

const MovedCase kMoved[] = {
    {ProgressionKind::Transit, "Moon square natal Sun", "personal"},
    {ProgressionKind::Progressed, "Progressed Moon square natal Sun", "progressed"},
    {ProgressionKind::Directed, "Directed Moon square natal Sun", "directed"},
};

TEST(ProgressedRecords, EveryFileSaysHowTheBodyMoved) {
  std::set<std::string> uidsSeen;
  for (const MovedCase& c : kMoved) {
    const std::vector<RunResult> results = {SquareRun(c.kind)};
    const std::string ics = WriteICalendar(results, SkyEventList{}, kWritten);
    EXPECT_EQ(Values(ics, "SUMMARY"), (std::vector<std::string>{c.summary, c.summary + std::string(" exact")}));
    EXPECT_TRUE(Values(ics, "DESCRIPTION").at(0).starts_with(c.summary)) << ics;
    // A progressed run's events never replace a transit's of the same pair.
    for (const std::string& uid : Values(ics, "UID")) EXPECT_TRUE(uidsSeen.insert(uid).second) << uid;

    const std::vector<std::string> csv = Lines(WriteCsv(results));
    ASSERT_GE(csv.size(), 2u);
    EXPECT_EQ(Field(Fields(csv[0]), Fields(csv[1]), "mode"), c.mode);
    EXPECT_NE(WriteJson(results).find("\"mode\": \"" + std::string(c.mode) + "\""), std::string::npos);
    EXPECT_EQ(TimelineRowLabel(results[0], Square), c.summary);
  }
}

TEST(ProgressedRecords, ARunWithoutTransitsIsNamedInTheCalendar) {
  RunResult run = SquareRun(ProgressionKind::Progressed);
  run.transits.clear();
  const std::string ics = WriteICalendar({run}, SkyEventList{}, kWritten);
  std::string unfolded = ics;
  for (size_t at; (at = unfolded.find("\r\n ")) != std::string::npos;) unfolded.erase(at, 3);
  EXPECT_NE(unfolded.find("DESCRIPTION:Progressed Moon and natal Sun\\, 2024-03-01 to 2025-04-05: no transits."),
            std::string::npos)
      << ics;
}

// Every record of a file has the header's fields, whatever tables were asked.
TEST(VoidOfCourseRecords, EveryRecordHasTheHeadersFields) {
  const Zone zone = Zone::Fixed(0, "GMT");
  for (const bool stations : {false, true}) {
    for (const bool spells : {false, true}) {
      SkyEventList events;
      events.stationsAsked = stations;
      events.zone = zone;
      SkyEvent station;
      station.body = Mercury;
      station.instant = Instant{March2024(5, 12, 0)};
      station.day = k20240301 + 4;
      if (stations) events.stations.push_back(station);
      ForecastList forecast = SpellList(zone, March2024(3, 1, 0), March2024(3, 9, 0));
      forecast.voidOfCourseAsked = spells;
      if (!spells) forecast.voidOfCourse.clear();
      const std::string whole = WriteCsv({SquareRun(ProgressionKind::Transit)}, events, forecast);
      const std::vector<std::string> lines = Lines(whole);
      const size_t columns = Fields(lines.at(0)).size();
      ASSERT_EQ(lines.size(), 2u + (stations ? 1 : 0) + (spells ? 1 : 0));
      for (size_t k = 1; k < lines.size(); ++k)
        EXPECT_EQ(Fields(lines[k]).size(), columns)
            << "stations " << stations << ", spells " << spells << ": " << lines[k];
      EXPECT_EQ(lines.at(0).find("event_end_utc") != std::string::npos, spells);

      // Written as the runs come, the same bytes.
      std::string streamed;
      ExportStream stream(
          ExportFormat::Csv, [&](std::string_view piece) { streamed += piece; }, true, kWritten, spells);
      stream.Run(SquareRun(ProgressionKind::Transit));
      EXPECT_EQ(stream.Finish(events, forecast), "");
      EXPECT_EQ(streamed, whole) << "stations " << stations << ", spells " << spells;
    }
  }
}

TEST(TimelineSky, MarksOnTheAxisAndSpellsCutToIt) {
  const Zone zone = Zone::Fixed(3 * 3600, "GMT+3");
  ForecastList forecast;
  forecast.eclipsesAsked = forecast.lunationsAsked = forecast.voidOfCourseAsked = true;
  forecast.firstDay = k20240301;
  forecast.lastDay = k20240301 + 30;
  forecast.zone = zone;
  // New and full by turns: at a local midnight (21:00 UT in GMT+3), at
  // 06:00 local, three hours before the period, and half an hour after it.
  const double lunations[] = {March2024(10, 21, 0), March2024(25, 3, 0), March2024(1, 0, 0) - 0.25,
                              March2024(31, 21, 30)};
  for (size_t k = 0; k < std::size(lunations); ++k) {
    Lunation l;
    l.kind = k % 2 == 0 ? LunationKind::NewMoon : LunationKind::FullMoon;
    l.at = MomentAt(lunations[k], zone);
    forecast.lunations.push_back(l);
  }
  Eclipse solar;
  solar.kind = EclipseKind::TotalSolar;
  solar.at = MomentAt(March2024(8, 15, 0), zone);
  Eclipse lunar;
  lunar.kind = EclipseKind::PenumbralLunar;
  lunar.at = MomentAt(March2024(25, 4, 12), zone);
  forecast.eclipses = {solar, lunar};
  VoidSpell early, inside;
  early.start = MomentAt(March2024(1, 0, 0) - 1.0, zone);  // begun before the period
  early.end = MomentAt(March2024(1, 9, 0), zone);          // 12:00 local
  inside.start = MomentAt(March2024(15, 9, 0), zone);
  inside.end = MomentAt(March2024(15, 15, 0), zone);
  forecast.voidOfCourse = {early, inside};

  // Without runs the axis is the forecast's period.
  const Timeline timeline = BuildTimeline({}, SkyEventList{}, forecast);
  EXPECT_EQ(timeline.axis.firstDay, k20240301);
  EXPECT_EQ(timeline.axis.lastDay, k20240301 + 30);
  ASSERT_TRUE(timeline.sky.Any());
  const std::vector<TimelineMark> want = {
      {k20240301 + 7.75, TimelineMarkKind::SolarEclipse},
      {k20240301 + 10.0, TimelineMarkKind::NewMoon},
      {k20240301 + 24.25, TimelineMarkKind::FullMoon},
      {k20240301 + 24.3, TimelineMarkKind::LunarEclipse},
  };
  ASSERT_EQ(timeline.sky.marks.size(), want.size());
  for (size_t k = 0; k < want.size(); ++k) {
    EXPECT_NEAR(timeline.sky.marks[k].at, want[k].at, 1e-9) << k;
    EXPECT_EQ(timeline.sky.marks[k].kind, want[k].kind) << k;
  }
  ASSERT_EQ(timeline.sky.spells.size(), 2u);
  EXPECT_NEAR(timeline.sky.spells[0].from, k20240301, 1e-9);
  EXPECT_NEAR(timeline.sky.spells[0].to, k20240301 + 0.5, 1e-9);
  EXPECT_NEAR(timeline.sky.spells[1].from, k20240301 + 14.5, 1e-9);
  EXPECT_NEAR(timeline.sky.spells[1].to, k20240301 + 14.75, 1e-9);

  // Not asked for, no strip: the timeline is as it was.
  const Timeline plain = BuildTimeline({SquareRun(ProgressionKind::Transit)}, SkyEventList{}, ForecastList{});
  EXPECT_FALSE(plain.sky.Any());
  EXPECT_TRUE(plain.sky.marks.empty());
}

}  // namespace
}  // namespace skyloom
