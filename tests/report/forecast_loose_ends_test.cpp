// The forecast's records written as they come, a progressed or directed
// run named so on the timeline, and the sky's marks on the timeline's axis.
#include <gtest/gtest.h>

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

ForecastList SpellList(const Zone& zone) {
  ForecastList list;
  list.voidOfCourseAsked = true;
  list.firstDay = k20240301;
  list.lastDay = k20240301 + 30;
  list.zone = zone;
  VoidSpell spell;
  spell.start = MomentAt(March2024(3, 1, 0), zone);
  spell.end = MomentAt(March2024(3, 9, 0), zone);
  spell.sign = 4;  // Leo
  list.voidOfCourse.push_back(spell);
  return list;
}

// A personal run with one exact square, its moving body moved as given.
RunResult SquareRun(ProgressionKind progression) {
  RunResult run;
  run.world = false;
  run.bodies = {Moon, Sun};
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
  transit.passes.push_back(pass);
  run.transits.push_back(transit);
  return run;
}

TEST(ProgressedRecords, TheTimelineRowSaysHowTheBodyMoved) {
  EXPECT_EQ(TimelineRowLabel(SquareRun(ProgressionKind::Transit), Square), "Moon square natal Sun");
  EXPECT_EQ(TimelineRowLabel(SquareRun(ProgressionKind::Progressed), Square), "Progressed Moon square natal Sun");
  EXPECT_EQ(TimelineRowLabel(SquareRun(ProgressionKind::Directed), Square), "Directed Moon square natal Sun");
}

// The command line writes its records as the runs come, the window all at
// once: the same bytes, whatever tables were asked.
TEST(VoidOfCourseRecords, StreamedAsTheWholeFile) {
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
      ForecastList forecast = SpellList(zone);
      forecast.voidOfCourseAsked = spells;
      if (!spells) forecast.voidOfCourse.clear();
      std::string streamed;
      ExportStream stream(
          ExportFormat::Csv, [&](std::string_view piece) { streamed += piece; }, true, kWritten, spells);
      stream.Run(SquareRun(ProgressionKind::Transit));
      EXPECT_EQ(stream.Finish(events, forecast), "");
      EXPECT_EQ(streamed, WriteCsv({SquareRun(ProgressionKind::Transit)}, events, forecast))
          << "stations " << stations << ", spells " << spells;
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
