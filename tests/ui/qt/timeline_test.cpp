// The timeline drawn: the picture against a golden image, the SVG file, the
// window's tooltips, scrolling and save buttons.
//
// SKYLOOM_TIMELINE_OUT=folder keeps the pictures drawn, to look at them or to
// take one as the new golden image after checking it by eye.
#include "calendar/date_format.h"
#include "ui/timeline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>
#include <string>
#include <vector>

#include "draw/timeline_drawing.h"
#include "engine/bodies.h"
#include "engine/run_state.h"
#include "ports/calendar_library.h"
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

MinimumRecord Exact(int32_t day, int hour, int minute, bool retrograde = false) {
  MinimumRecord m;
  m.exact = true;
  m.day = day;
  m.retrograde = retrograde;
  m.minuteOfDay = static_cast<int16_t>(hour * 60 + minute);
  m.instantUt = day - 0.5 + m.minuteOfDay / 1440.0;
  m.zoneText = "GMT";
  return m;
}

MinimumRecord Approach(int32_t day, double degrees, bool retrograde) {
  MinimumRecord m;
  m.day = day;
  m.retrograde = retrograde;
  m.deviation = degrees / 360.0 * TwoPi;
  return m;
}

// The great conjunction of 2020 and Saturn's triple pass over 298 degrees,
// as the engine found them (the report rows are in the engine's tests).
std::vector<RunResult> Runs2020() {
  RunResult world;
  world.world = true;
  world.bodies = {Jupiter, Saturn};
  world.startDay = Day(2020, 1, 1);
  world.endDay = Day(2020, 12, 31);
  world.zoneText = "GMT";
  world.orbDegrees = {10, 5, 2};
  TransitRecord conjunction;
  conjunction.aspect = 1;
  TransitRowData first, second;
  first.entry[0] = Mark(2020, 2, 14);
  first.entry[1] = Mark(2020, 4, 28);
  first.minimum = Approach(Day(2020, 5, 18), 4.7, true);
  first.exit[1] = Mark(2020, 6, 7, true);
  second.entry[1] = Mark(2020, 11, 2);
  second.entry[2] = Mark(2020, 12, 3);
  second.minimum = Exact(Day(2020, 12, 21), 18, 21);
  conjunction.passes = {first, second};
  world.transits.push_back(conjunction);

  RunResult personal = world;
  personal.world = false;
  personal.bodies = {Saturn, Sun};
  personal.natalLongitude = 298.0 / 360.0 * TwoPi;
  personal.startDay = Day(2019, 12, 1);
  personal.endDay = Day(2021, 3, 31);
  TransitRowData a, b, c;
  a.entry = {Mark(2019, 12, 1), Mark(2020, 1, 14), Mark(2020, 2, 9)};
  a.minimum = Exact(Day(2020, 2, 28), 7, 42);
  a.exit = {Mark(2021, 2, 24), Mark(2021, 1, 12), Mark(2020, 3, 22)};
  b.entry[2] = Mark(2020, 7, 1, true);
  b.minimum = Exact(Day(2020, 7, 29), 15, 39, true);
  b.exit[2] = Mark(2020, 8, 31, true);
  c.entry[2] = Mark(2020, 10, 27);
  c.minimum = Exact(Day(2020, 11, 26), 9, 59);
  c.exit[2] = Mark(2020, 12, 17);
  personal.transits = {TransitRecord{1, {a, b, c}}};
  return {world, personal};
}

// Rows of a century's series, each in orb from its first day to its last.
std::vector<RunResult> CenturySeries(int transitsPerRun) {
  std::vector<RunResult> series;
  for (BodyIndex second = Mercury; second <= Pluto; ++second) {
    RunResult run;
    run.bodies = {Sun, second};
    run.startDay = Day(1901, 1, 1);
    run.endDay = Day(2000, 12, 31);
    run.orbDegrees = {10, 5, 2};
    for (int k = 0; k < transitsPerRun; ++k) {
      TransitRowData pass;
      pass.entry[0] = DateMark{run.startDay, false};
      pass.exit[0] = DateMark{run.endDay, false};
      run.transits.push_back(TransitRecord{static_cast<AspectIndex>(1 + k % AspectCount), {pass}});
    }
    series.push_back(run);
  }
  return series;
}

const char* const kWorldRows[] = {
    "Conjunction | 2020-02-14  2020-04-28              | 2020-05-18r |             2020-06-07r             | "
    "4°42'",
    "            |             2020-11-02  2020-12-03  | 2020-12-21* |                                     | "
    "18:21 GMT"};
const char* const kTriplePassRows[] = {
    "Conjunction | 2019-12-01  2020-01-14  2020-02-09  | 2020-02-28* | 2020-03-22  2021-01-12  2021-02-24  | "
    "07:42 GMT",
    "            |                         2020-07-01r | 2020-07-29*r| 2020-08-31r                         | "
    "15:39 GMT",
    "            |                         2020-10-27  | 2020-11-26* | 2020-12-17                          | "
    "09:59 GMT"};

QString GoldenPath() {
  return QFileInfo(QStringLiteral(__FILE__))
      .absoluteDir()
      .filePath(QStringLiteral("golden/timeline_2020.png"));
}

QString InspectionFolder() {
  const QString folder = QString::fromLocal8Bit(qgetenv("SKYLOOM_TIMELINE_OUT"));
  if (!folder.isEmpty()) QDir().mkpath(folder);
  return folder;
}

void KeepForInspection(const QImage& image, const QString& name) {
  if (!InspectionFolder().isEmpty()) image.save(QDir(InspectionFolder()).filePath(name));
}

// Pixels whose channels differ by more than `tolerance`.
int DifferingPixels(const QImage& a, const QImage& b, int tolerance) {
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  int count = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col) {
      const int d =
          std::max({std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                    std::abs(qBlue(p[col]) - qBlue(q[col]))});
      if (d > tolerance) ++count;
    }
  }
  return count;
}

QPoint PointOn(const TimelineLayout& layout, int row, double day) {
  return {static_cast<int>(layout.DayToX(day)),
          row * TimelineLayout::kRowHeight + TimelineLayout::kRowHeight / 2};
}

}  // namespace

class TimelineTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InitDateNames(); }

  void pictureMatchesTheGoldenImage() {
    const QImage image = RenderTimelineImage(BuildTimeline(Runs2020()));
    KeepForInspection(image, QStringLiteral("timeline_2020.png"));
    QImage golden(GoldenPath());
    QVERIFY2(!golden.isNull(), qPrintable(QStringLiteral("no golden image at ") + GoldenPath()));
    QCOMPARE(image.size(), golden.size());
    // Text may be smoothed a shade differently by another FreeType.
    const int differing = DifferingPixels(image, golden, 48);
    QVERIFY2(differing <= 150, qPrintable(QStringLiteral("%1 pixels differ").arg(differing)));
  }

  // Whatever the golden image says: the shades lighten outwards, the exact
  // tick is solid, the closest approach's hollow over its band.
  void pictureShowsBandsAndTicks() {
    const Timeline timeline = BuildTimeline(Runs2020());
    const QImage image = RenderTimelineImage(timeline);
    const TimelineLayout layout(timeline, TimelineLabelWidth(timeline), image.width());
    auto at = [&](int row, double day, int dy) {
      const QPoint point = PointOn(layout, row, day);
      return image.pixel(point.x(), TimelineLayout::kAxisHeight + point.y() + dy);
    };
    const QRgb outer = at(1, Day(2021, 2, 1), 0), middle = at(1, Day(2020, 5, 1), 0);
    QVERIFY(qGray(outer) > qGray(middle) && qGray(middle) > qGray(at(1, Day(2020, 8, 10), 0)));
    QCOMPARE(at(1, Day(2020, 8, 10), -4), middle);
    QCOMPARE(at(0, Day(2021, 3, 10), 0), qRgb(255, 255, 255));  // past the world run's end
    QVERIFY(qGray(at(0, Day(2020, 12, 21) + 1101 / 1440.0, 0)) < 60);
    QVERIFY(qGray(at(0, Day(2020, 5, 18) + 0.5, -8)) < 60);
    QCOMPARE(at(0, Day(2020, 5, 18) + 0.5, 0), middle);
  }

  void filesByExtension() {
    QTemporaryDir folder;
    std::string error;
    const QString svgPath = folder.filePath(QStringLiteral("series.SVG"));
    QVERIFY2(RenderTimelineFile(Runs2020(), svgPath.toStdString(), error), error.c_str());
    QFile svg(svgPath);
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    QXmlStreamReader xml(text);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name().toString(), QStringLiteral("svg"));
    while (!xml.atEnd()) xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(text.contains("Jupiter conjunction Saturn") && text.contains("Saturn conjunction natal Sun"));
    if (!InspectionFolder().isEmpty()) svg.copy(InspectionFolder() + QStringLiteral("/timeline_2020.svg"));

    const QString pngPath = folder.filePath(QStringLiteral("series.png"));
    QVERIFY2(RenderTimelineFile(Runs2020(), pngPath.toStdString(), error), error.c_str());
    QCOMPARE(QImage(pngPath).convertToFormat(QImage::Format_RGB32),
             RenderTimelineImage(BuildTimeline(Runs2020())));

    const QString jpeg = folder.filePath(QStringLiteral("series.jpg"));
    QVERIFY(!RenderTimelineFile(Runs2020(), jpeg.toStdString(), error));
    QVERIFY(!QFile::exists(jpeg));
    QVERIFY(
        !RenderTimelineFile(Runs2020(), folder.filePath(QStringLiteral("no/a.png")).toStdString(), error));
    QVERIFY(error.find("no/a.png") != std::string::npos);
  }

  void tooltipIsTheReportRow() {
    TimelineWindow window(Runs2020());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const TimelineLayout layout = window.CanvasLayout();
    // Inner band of the second pass, middle band between passes (its dates
    // are on the first row), the closest approach's tick, outer band alone.
    QCOMPARE(window.ToolTipAt(PointOn(layout, 1, Day(2020, 8, 10))), QString::fromUtf8(kTriplePassRows[1]));
    QCOMPARE(window.ToolTipAt(PointOn(layout, 1, Day(2020, 11, 1))), QString::fromUtf8(kTriplePassRows[2]));
    QCOMPARE(window.ToolTipAt(PointOn(layout, 1, Day(2020, 5, 1))), QString::fromUtf8(kTriplePassRows[0]));
    QCOMPARE(window.ToolTipAt(PointOn(layout, 0, Day(2020, 12, 10))), QString::fromUtf8(kWorldRows[1]));
    QCOMPARE(window.ToolTipAt(PointOn(layout, 0, Day(2020, 5, 18) + 0.5)), QString::fromUtf8(kWorldRows[0]));
    QCOMPARE(window.ToolTipAt(PointOn(layout, 0, Day(2020, 3, 1))), QString::fromUtf8(kWorldRows[0]));
    // Off the bands: no tooltip.
    QVERIFY(window.ToolTipAt(PointOn(layout, 0, Day(2021, 3, 1))).isEmpty());
    QVERIFY(window.ToolTipAt(PointOn(layout, 0, Day(2020, 1, 20))).isEmpty());
    QVERIFY(window.ToolTipAt(QPoint(5, 5)).isEmpty());
    QVERIFY(window.ToolTipAt(PointOn(layout, 2, Day(2020, 8, 10))).isEmpty());

    // The way a resting pointer asks for it.
    const QPoint point = PointOn(layout, 1, Day(2020, 8, 10));
    QHelpEvent help(QEvent::ToolTip, point, window.Canvas()->mapToGlobal(point));
    QApplication::sendEvent(window.Canvas(), &help);
    QTRY_COMPARE(QToolTip::text(), QString::fromUtf8(kTriplePassRows[1]));
  }

  // A century's series: the window opens at a usual size and scrolls, and
  // any strip drawn shows its rows (each in orb all century long).
  void longSeriesScrolls() {
    TimelineWindow window(CenturySeries(300));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.height() <= 800);
    QScrollBar* bar = window.ScrollArea()->verticalScrollBar();
    QVERIFY(bar->maximum() > 2000 * TimelineLayout::kRowHeight);
    bar->setValue(bar->maximum() / 2 + 7);
    const QImage shot = window.ScrollArea()->viewport()->grab().toImage();
    const int x = static_cast<int>(window.CanvasLayout().DayToX(Day(1950, 6, 1)));
    const int h = TimelineLayout::kRowHeight;
    for (int row = bar->value() / h + 1; (row + 1) * h - bar->value() < shot.height(); ++row)
      QCOMPARE(shot.pixelColor(x, row * h + h / 2 - bar->value()), QColor(0xd2, 0xe1, 0xf3));
    QCOMPARE(window.ToolTipAt(QPoint(x, 2399 * h + 5)).left(11), QStringLiteral("Sextile    "));
  }

  void saveButtonsWriteTheChosenFile() {
    TimelineWindow window(Runs2020());
    QTemporaryDir folder;
    QStringList asked;
    QString answer = folder.filePath(QStringLiteral("chosen"));
    window.SetFileChooser([&](const QString& title, const QString& filter, const QString& suffix) {
      asked << title + QLatin1Char('|') + filter + QLatin1Char('|') + suffix;
      return answer;
    });
    QCOMPARE(window.SavePngButton()->text(), QStringLiteral("Save as PNG\u2026"));
    QCOMPARE(window.SaveSvgButton()->text(), QStringLiteral("Save as SVG\u2026"));
    QTest::mouseClick(window.SavePngButton(), Qt::LeftButton);
    QVERIFY(!QImage(answer + QStringLiteral(".png")).isNull());
    QTest::mouseClick(window.SaveSvgButton(), Qt::LeftButton);
    QVERIFY(QFile::exists(answer + QStringLiteral(".svg")));
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked[0].endsWith(QStringLiteral("(*.png)|.png")));
    QVERIFY(asked[1].endsWith(QStringLiteral("(*.svg)|.svg")));
    // A cancelled dialog writes nothing.
    answer.clear();
    QTest::mouseClick(window.SavePngButton(), Qt::LeftButton);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2);
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::TimelineTest)
#include "timeline_test.moc"
