// The iCalendar export as a calendar program meets it (the same UIDs in any
// zone: the east and west calendar golden files); the forecast's records
// written as they come; the sky's marks on the timeline's axis.
#include "report/exports.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ports/program_folder.h"
#include "report/timeline.h"
#include "support/text_face.h"

namespace skyloom {
namespace {

constexpr int64_t kWritten = 1796601600;  // 2026-12-07 00:00 UTC

// The content lines of a calendar, folds undone.
std::vector<std::string> ContentLines(const std::string& ics) {
  std::vector<std::string> lines;
  std::istringstream in(ics);
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with('\r')) line.pop_back();
    line.starts_with(' ') && !lines.empty() ? void(lines.back() += line.substr(1)) : lines.push_back(line);
  }
  return lines;
}

// The values of one property in file order.
std::vector<std::string> Values(const std::string& ics, const std::string& name) {
  std::vector<std::string> values;
  for (const std::string& line : ContentLines(ics))
    if (line.starts_with(name + ":")) values.push_back(line.substr(name.size() + 1));
  return values;
}

// An exact pass on the given day (UT) and minute.
TransitRowData ExactPass(AspectIndex aspect, int32_t day, int minute) {
  MinimumRecord m{.exact = true, .day = day, .instant = Instant{day - 0.5 + minute / 1440.0}, .zoneText = "GMT"};
  m.minuteOfDay = static_cast<int16_t>(minute);
  return {aspect, {}, m, {}};
}

constexpr int32_t k20240301 = 2460371;  // the day number of 2024-03-01

// A personal run with one exact square.
RunResult SquareRun() {
  RunResult run;
  run.world = false;
  run.bodies = {Moon, Sun};
  run.startDay = k20240301;
  run.endDay = k20240301 + 400;
  run.zone = Zone::Fixed(0, "GMT");
  run.orbDegrees = {5, 3, 1};
  run.transits = {{Square, {ExactPass(Square, k20240301 + 200, 600)}}};
  return run;
}

// Every UID once, in any run: faults that gave two events one UID. A later
// export is the newer copy of each event to a calendar program: a higher
// SEQUENCE, a later DTSTAMP, the same for every event of a file.
TEST(ICalendarExport, UidsAreUniqueAndALaterExportIsTheNewerCopy) {
  const RunResult run = SquareRun();
  RunResult twoPassesOneDay = run;  // two transits exact on one UTC day, minutes apart
  twoPassesOneDay.transits = {{1, {ExactPass(1, k20240301 + 100, 60)}}, {1, {ExactPass(1, k20240301 + 100, 1380)}}};
  RunResult triplePass = run;  // one transit exact three times
  triplePass.transits = {
      {1, {ExactPass(1, k20240301 + 100, 60), ExactPass(1, k20240301 + 150, 60), ExactPass(1, k20240301 + 200, 60)}}};
  Session session(ExecutableFolder());  // Mars and Jupiter over 2020 and 2021
  test::TextFace face;
  ASSERT_TRUE(session.Start(test::WorldRequest(Mars, Jupiter, 2020, 2021), face));
  const std::vector<RunResult>& marsJupiter = session.Results();
  const std::tuple<const char*, std::vector<RunResult>, size_t> cases[] = {
      // the fault, the runs, that many events (0: any), each UID once
      {"two transits exact on one UTC day", {twoPassesOneDay}, 4},
      {"the same run twice in one export", {triplePass, triplePass}, 8},
      {"a real run of many transits", marsJupiter, 0},
  };
  for (const auto& [fault, input, events] : cases) {
    const std::string ics = WriteICalendar(input, {}, kWritten);
    const std::vector<std::string> uids = Values(ics, "UID");
    EXPECT_EQ(uids.size(), events ? events : uids.size()) << fault;
    EXPECT_GT(uids.size(), 1u) << fault;
    EXPECT_EQ(std::set<std::string>(uids.begin(), uids.end()).size(), uids.size()) << fault << "\n" << ics;
  }
  const std::string earlier = WriteICalendar(marsJupiter, {}, kWritten);
  const std::string later = WriteICalendar(marsJupiter, {}, kWritten + 60);
  for (const char* name : {"SEQUENCE", "DTSTAMP", "LAST-MODIFIED"}) {
    const std::vector<std::string> a = Values(earlier, name), b = Values(later, name);
    ASSERT_EQ(a.size(), Values(earlier, "UID").size()) << name;
    ASSERT_EQ(b.size(), a.size()) << name;
    EXPECT_EQ(std::set<std::string>(a.begin(), a.end()).size(), 1u) << name;
    if (name != std::string("SEQUENCE")) {
      EXPECT_LT(a[0], b[0]) << name;
    }  // same length: text order is time order
  }
  EXPECT_LT(std::stoll(Values(earlier, "SEQUENCE")[0]), std::stoll(Values(later, "SEQUENCE")[0]));
}

// RFC 5545 asks for a component in a calendar: no runs still give one, no event.
TEST(ICalendarExport, NoRunsIsStillACalendar) {
  const std::string ics = WriteICalendar({}, {}, kWritten);
  EXPECT_EQ(Values(ics, "BEGIN"), (std::vector<std::string>{"VCALENDAR", "VJOURNAL"})) << ics;
  EXPECT_EQ(Values(ics, "DESCRIPTION"), std::vector<std::string>{"No runs."});
  EXPECT_EQ(Values(ics, "UID").size(), 1u);
}

// Julian day (UT) of a minute of March 2024.
double March2024(int day, int hour, int minute) { return k20240301 - 0.5 + (day - 1) + (hour * 60 + minute) / 1440.0; }

ForecastList SpellList(const Zone& zone) {
  ForecastList list;
  list.voidOfCourseAsked = true;
  list.firstDay = k20240301;
  list.lastDay = k20240301 + 30;
  list.zone = zone;
  VoidSpell spell{MomentAt(March2024(3, 1, 0), zone), MomentAt(March2024(3, 9, 0), zone)};
  spell.sign = 4;  // Leo
  list.voidOfCourse.push_back(spell);
  return list;
}

// Records written as the runs come are the bytes written all at once.
TEST(VoidOfCourseRecords, StreamedAsTheWholeFile) {
  const Zone zone = Zone::Fixed(0, "GMT");
  for (const bool stations : {false, true}) {
    for (const bool spells : {false, true}) {
      SkyEventList events;
      events.stationsAsked = stations;
      events.zone = zone;
      if (stations)
        events.stations.push_back({.body = Mercury, .instant = Instant{March2024(5, 12, 0)}, .day = k20240301 + 4});
      ForecastList forecast = SpellList(zone);
      forecast.voidOfCourseAsked = spells;
      if (!spells) forecast.voidOfCourse.clear();
      std::string streamed;
      ExportStream stream(
          ExportFormat::Csv, [&](std::string_view piece) { streamed += piece; }, true, kWritten, spells);
      stream.Run(SquareRun());
      EXPECT_EQ(stream.Finish(events, forecast), "");
      EXPECT_EQ(streamed, WriteCsv({SquareRun()}, events, forecast))
          << "stations " << stations << ", spells " << spells;
    }
  }
}

TEST(TimelineSky, MarksOnTheAxisAndSpellsCutToIt) {
  const Zone zone = Zone::Fixed(3 * 3600, "GMT+3");
  ForecastList forecast = SpellList(zone);
  forecast.eclipsesAsked = forecast.lunationsAsked = true;
  // At a local midnight, at 06:00, 3 hours before the period, 30 minutes after it.
  const double lunations[] = {March2024(10, 21, 0), March2024(25, 3, 0), March2024(1, 0, 0) - 0.25,
                              March2024(31, 21, 30)};
  for (size_t k = 0; k < std::size(lunations); ++k)
    forecast.lunations.push_back(
        {k % 2 == 0 ? LunationKind::NewMoon : LunationKind::FullMoon, MomentAt(lunations[k], zone), 0, {}});
  forecast.eclipses = {{EclipseKind::TotalSolar, MomentAt(March2024(8, 15, 0), zone), 0, {}},
                       {EclipseKind::PenumbralLunar, MomentAt(March2024(25, 4, 12), zone), 0, {}}};
  forecast.voidOfCourse = {// begun before the period, ended at 12:00 local; and one inside it
                           {MomentAt(March2024(1, 0, 0) - 1.0, zone), MomentAt(March2024(1, 9, 0), zone)},
                           {MomentAt(March2024(15, 9, 0), zone), MomentAt(March2024(15, 15, 0), zone)}};

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
  const Timeline plain = BuildTimeline({SquareRun()}, SkyEventList{}, ForecastList{});
  EXPECT_FALSE(plain.sky.Any());
  EXPECT_TRUE(plain.sky.marks.empty());
}

}  // namespace
}  // namespace skyloom
