// The main window on real Qt widgets, driven with the mouse and the keyboard
// as a user drives them: its look at start-up against a golden screenshot,
// the quit question, a series' orb check, the output box's menu; and the
// timeline of the great conjunction of 2020 and of Saturn's triple pass.
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

#include "calendar/date_format.h"
#include "draw/timeline_drawing.h"
#include "ports/calendar_library.h"
#include "ports/shell.h"
#include "ui/main_form.h"
#include "ui/qt/output_menu.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/support/golden_image.h"
#include "ui/qt/support/modal_closer.h"
#include "ui/qt/timeline_view.h"
#include "ui/timeline.h"

namespace skyloom {
namespace {

using N = ControlName;

struct NoShell : Shell {
  int OpenDocument(const std::string&) override { return 0; }
};

int32_t Day(int32_t year, int32_t month, int32_t day) {
  CalendarDate date{year, month, day};
  date_to_day_number(date);
  return date.DayNumber;
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

class MainWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<qttest::ModalCloser> closer_;
  std::unique_ptr<QtWindow> window_;
  NoShell shell_;
  std::unique_ptr<MainForm> form_;

  QPushButton* Button(N name, int16_t index = 0) { return window_->As<QPushButton>(Ctl(name, index)); }
  QString Output() { return window_->As<QPlainTextEdit>(Ctl(N::txbOutput))->toPlainText(); }

  // Jupiter and Saturn in world mode, from 1 January 1990 to the end of
  // 2030: a run of some seconds, long enough to act during it.
  void ChooseLongWorldRun() {
    auto* world = window_->As<QRadioButton>(Ctl(N::optWorld));
    QTest::mouseClick(world, Qt::LeftButton, {}, QPoint(8, world->height() / 2));
    for (int16_t list : {0, 1}) {
      auto* combo = window_->As<QComboBox>(Ctl(N::cboPlanet, list));
      combo->setFocus();
      QTest::keyClick(combo, Qt::Key_Down);
    }
    for (auto [date, year] : {std::pair{0, "1990"}, {1, "2030"}}) {
      auto* box = window_->As<QLineEdit>(Ctl(N::txbYear, static_cast<int16_t>(date)));
      QTest::mouseClick(box, Qt::LeftButton);
      box->selectAll();
      QTest::keyClicks(box, year);
    }
    QTest::mouseClick(window_->As<QLineEdit>(Ctl(N::txbMonth, 0)), Qt::LeftButton);
    QCOMPARE(Button(N::cmdStart)->text(), QString("Show all world transits between Jupiter and Saturn"));
  }

  void CompareQuitQuestion(const qttest::SeenMessageBox& box) {
    QCOMPARE(box.text, QString("Save program state for next run?"));
    QCOMPARE(box.title, QString("Quit"));
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.defaultButton, QMessageBox::No);
  }

 private slots:
  void init() {
    closer_ = std::make_unique<qttest::ModalCloser>();
    window_ = std::make_unique<QtWindow>();
    form_ = std::make_unique<MainForm>(*window_, shell_);
    form_->Load();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void cleanup() {
    form_.reset();
    window_.reset();
    closer_.reset();
  }

  // Geometry, colours and fonts of every control at once. The year and the
  // results zone depend on the day and the machine: they are set first.
  void startUpLooksAsItsGoldenScreenshot() {
    for (int16_t date : {0, 1}) {
      window_->SetText(Ctl(N::txbYear, date), "2020");
      form_->LostFocus(Ctl(N::txbYear, date));
    }
    window_->SetListIndex(Ctl(N::cboTimezone, 0), 24);
    Button(N::cmdQuit)->setFocus();
    QTRY_VERIFY(!Button(N::cmdClear)->isVisible());  // hidden at the timer's first tick
    const QString mismatch = qttest::GoldenMismatch(window_->grab().toImage(), "main_window_start.png");
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
  }

  // Cancel keeps the window and the report, whether Quit was pressed or the
  // window closed.
  void cancelToTheQuitQuestionKeepsTheWindow() {
    window_->SetText(Ctl(N::txbOutput), "a report\r\n");
    for (bool closing : {false, true}) {
      closer_->Answer(QMessageBox::Cancel);
      if (closing) {
        QVERIFY(!window_->close());
      } else {
        QTest::mouseClick(Button(N::cmdQuit), Qt::LeftButton);
      }
      CompareQuitQuestion(closer_->MessageBoxes().back());
      QVERIFY(window_->isVisible());
      QVERIFY(!form_->Ended());
      QCOMPARE(Output(), QString("a report\n"));
    }
    QCOMPARE(closer_->MessageBoxes().size(), size_t{2});
  }

  // Quit pressed or the window closed during a run asks at once, the run
  // waiting for the answer; Cancel lets it go on to its end.
  void cancelToQuitDuringARunLetsTheRunGoOn() {
    ChooseLongWorldRun();
    for (bool closing : {false, true}) {
      QPushButton* start = Button(N::cmdStart);
      bool askedDuringRun = false;
      QTimer quitter;
      quitter.setInterval(5);
      connect(&quitter, &QTimer::timeout, this, [&] {
        if (start->text() != "Stop" || askedDuringRun) return;
        askedDuringRun = true;
        closer_->Answer(QMessageBox::Cancel);
        if (closing) {
          window_->close();
        } else {
          QTest::mouseClick(Button(N::cmdQuit), Qt::LeftButton);
        }
        QCOMPARE(start->text(), QString("Stop"));
      });
      quitter.start();
      const size_t boxes = closer_->MessageBoxes().size();
      const int runs = form_->State().RunsStarted;
      QTest::mouseClick(start, Qt::LeftButton);
      quitter.stop();

      QVERIFY(askedDuringRun);
      QCOMPARE(closer_->MessageBoxes().size(), boxes + 1);
      CompareQuitQuestion(closer_->MessageBoxes().back());
      QCOMPARE(form_->State().RunsStarted, runs + 1);
      QVERIFY2(!Output().contains("Stopped"), qPrintable(Output().right(200)));
      QCOMPARE(closer_->PopUpTexts().last(), QString("Done"));  // the run's own end
      QVERIFY(window_->isVisible());
      QVERIFY(!form_->Ended());
      QCOMPARE(start->text(), QString("Show all world transits between Jupiter and Saturn"));
    }
  }

  // A Show-all series runs only with nested orbs: it says so once and
  // leaves the output box as it was.
  void aSeriesWithOrbsThatAreNotNestedRunsNothing() {
    auto* middle = window_->As<QComboBox>(Ctl(N::cboOrbs, 1));
    middle->setFocus();
    QTest::keyClick(middle, Qt::Key_End);  // 15 degrees under an outer orb of 10
    QCOMPARE(middle->currentText(), QString("15\u00b0"));
    QCOMPARE(closer_->MessageBoxes().size(), size_t{1});  // the list's own check
    window_->SetText(Ctl(N::txbOutput), "earlier output\r\n");
    QTest::mouseClick(Button(N::cmdShowAll, 0), Qt::LeftButton);
    QCOMPARE(closer_->MessageBoxes().size(), size_t{2});
    const qttest::SeenMessageBox& box = closer_->MessageBoxes().back();
    QCOMPARE(box.text, QString("Orbs must be strictly decreasing and differ by at least 2\u00b0."));
    QCOMPARE(box.title, QString("Orb values"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(Output(), QString("earlier output\n"));
    QVERIFY(closer_->PopUpTexts().isEmpty());
    QCOMPARE(form_->State().RunsStarted, 0);
  }

  // The output box's menu offers the exports, and the timeline, only when
  // no run is writing the results.
  void theExportsWaitWhileARunGoesOn() {
    for (const char* start : {"Show all", "Stop"}) {
      window_->SetText(Ctl(N::cmdStart), start);
      int timelines = 0;
      const std::unique_ptr<QMenu> menu(BuildResultsMenu(*window_, form_->State(), [&] { ++timelines; }, {}));
      QStringList enabled;
      for (QAction* action : menu->actions())
        if (action->text().startsWith("Export") || action->text().startsWith("Show timeline")) {
          if (action->isEnabled()) enabled << action->text();
          if (action->text().startsWith("Show")) action->trigger();
        }
      const bool idle = QString(start) != "Stop";
      QCOMPARE(enabled.join(", "),
               QString(idle ? "Export as iCalendar..., Export as CSV..., Export as JSON..., Show timeline..." : ""));
      QCOMPARE(timelines, idle ? 1 : 0);
    }
  }

  void timelineMatchesItsGoldenImage() {
    InitDateNames();
    const QString mismatch =
        qttest::GoldenMismatch(RenderTimelineImage(BuildTimeline(Runs2020())), "timeline_2020.png");
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
  }

  // Under the pointer, the report row of the innermost band there or of a
  // tick close by; nothing off the bands. Row 0 is the world run.
  void timelineToolTipIsTheReportRowUnderThePointer() {
    TimelineWindow window(Runs2020());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const TimelineLayout layout = window.CanvasLayout();
    const struct {
      int row;
      double day;  // continuous: day d runs from d to d + 1
      const char* starts;
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
      const QString tip = window.ToolTipAt(QPoint(static_cast<int>(layout.DayToX(c.day)),
                                                  c.row * TimelineLayout::kRowHeight + TimelineLayout::kRowHeight / 2));
      QVERIFY2(c.starts[0] == '\0' ? tip.isEmpty() : tip.startsWith(QString::fromUtf8(c.starts)),
               qPrintable(QString("row %1 day %2: \"%3\"").arg(c.row).arg(c.day).arg(tip)));
    }
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::MainWindowTest)
#include "main_window_test.moc"
