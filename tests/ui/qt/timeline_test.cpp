// The timeline drawn from the great conjunction of 2020 and Saturn's triple
// pass over natal Sun: the picture against its golden image, and the report
// row that the window shows under the pointer.
#include "calendar/date_format.h"
#include "ui/timeline.h"

#include <QtTest>

#include "draw/timeline_drawing.h"
#include "engine/bodies.h"
#include "engine/run_state.h"
#include "ports/calendar_library.h"
#include "ui/qt/support/golden_image.h"
#include "ui/qt/timeline_view.h"

namespace skyloom {
namespace {

int32_t Day(int32_t year, int32_t month, int32_t day) {
  CalendarDate date;
  date.Year = year;
  date.Month = month;
  date.Day = day;
  return date_to_day_number(date);
}

DateMark Mark(int32_t year, int32_t month, int32_t day, bool retrograde = false) {
  return {Day(year, month, day), retrograde};
}

MinimumRecord Minimum(int32_t day, int minuteOfDay, double degrees, bool retrograde = false) {
  MinimumRecord m;
  m.exact = degrees == 0;
  m.day = day;
  m.retrograde = retrograde;
  m.minuteOfDay = static_cast<int16_t>(minuteOfDay);
  m.instantUt = day - 0.5 + minuteOfDay / 1440.0;
  m.deviation = degrees / 360.0 * TwoPi;
  m.zoneText = "GMT";
  return m;
}

// As the engine found them.
std::vector<RunResult> Runs2020() {
  RunResult world;
  world.world = true;
  world.bodies = {Jupiter, Saturn};
  world.startDay = Day(2020, 1, 1);
  world.endDay = Day(2020, 12, 31);
  world.zoneText = "GMT";
  world.orbDegrees = {10, 5, 2};
  TransitRowData first, second;
  first.entry = {Mark(2020, 2, 14), Mark(2020, 4, 28), std::nullopt};
  first.minimum = Minimum(Day(2020, 5, 18), 0, 4.7, true);
  first.exit[1] = Mark(2020, 6, 7, true);
  second.entry = {std::nullopt, Mark(2020, 11, 2), Mark(2020, 12, 3)};
  second.minimum = Minimum(Day(2020, 12, 21), 18 * 60 + 21, 0);
  world.transits = {TransitRecord{1, {first, second}}};

  RunResult personal = world;
  personal.world = false;
  personal.bodies = {Saturn, Sun};
  personal.natalLongitude = 298.0 / 360.0 * TwoPi;
  personal.startDay = Day(2019, 12, 1);
  personal.endDay = Day(2021, 3, 31);
  TransitRowData a, b, c;
  a.entry = {Mark(2019, 12, 1), Mark(2020, 1, 14), Mark(2020, 2, 9)};
  a.minimum = Minimum(Day(2020, 2, 28), 7 * 60 + 42, 0);
  a.exit = {Mark(2021, 2, 24), Mark(2021, 1, 12), Mark(2020, 3, 22)};
  b.entry[2] = Mark(2020, 7, 1, true);
  b.minimum = Minimum(Day(2020, 7, 29), 15 * 60 + 39, 0, true);
  b.exit[2] = Mark(2020, 8, 31, true);
  c.entry[2] = Mark(2020, 10, 27);
  c.minimum = Minimum(Day(2020, 11, 26), 9 * 60 + 59, 0);
  c.exit[2] = Mark(2020, 12, 17);
  personal.transits = {TransitRecord{1, {a, b, c}}};
  return {world, personal};
}

}  // namespace

class TimelineTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InitDateNames(); }

  void pictureMatchesItsGoldenImage() {
    const QString mismatch =
        qttest::GoldenMismatch(RenderTimelineImage(BuildTimeline(Runs2020())), "timeline_2020.png");
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
  }

  // The innermost band under the pointer, or a tick close by; nothing off
  // the bands. Row 0 is the world run, row 1 the triple pass.
  void toolTipIsTheReportRowUnderThePointer() {
    TimelineWindow window(Runs2020());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const TimelineLayout layout = window.CanvasLayout();
    const struct {
      int row;
      double day;  // continuous: day d runs from d to d + 1
      const char* starts;  // "" for no tooltip
    } kCases[] = {
        {1, Day(2020, 8, 10) + 0.5, "            |                         2020-07-01r | 2020-07-29*r"},
        {1, Day(2020, 11, 1) + 0.0, "            |                         2020-10-27  | 2020-11-26*"},
        {1, Day(2020, 5, 1) + 0.0, "Conjunction | 2019-12-01  2020-01-14  2020-02-09  | 2020-02-28*"},
        {1, Day(2021, 2, 24) + 0.9, "Conjunction | 2019-12-01"},  // the exit day itself
        {1, Day(2021, 3, 2) + 0.5, ""},
        {0, Day(2020, 12, 10) + 0.0, "            |             2020-11-02  2020-12-03  | 2020-12-21*"},
        {0, Day(2020, 5, 18) + 0.5, "Conjunction | 2020-02-14  2020-04-28              | 2020-05-18r"},
        {0, Day(2020, 1, 20) + 0.0, ""},
        {2, Day(2020, 8, 10) + 0.0, ""},
    };
    for (const auto& c : kCases) {
      const QPoint point(static_cast<int>(layout.DayToX(c.day)),
                         c.row * TimelineLayout::kRowHeight + TimelineLayout::kRowHeight / 2);
      const QString tip = window.ToolTipAt(point);
      QVERIFY2(c.starts[0] == '\0' ? tip.isEmpty() : tip.startsWith(QString::fromUtf8(c.starts)),
               qPrintable(QString("row %1 day %2: \"%3\"").arg(c.row).arg(c.day).arg(tip)));
    }
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::TimelineTest)
#include "timeline_test.moc"
