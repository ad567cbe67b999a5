// The main window on real Qt widgets: its look at start-up against a golden
// screenshot, and the quit question and a series' orb check, driven with
// the mouse and the keyboard as a user drives them.
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

#include "ports/shell.h"
#include "ui/main_form.h"
#include "ui/qt/output_menu.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/support/golden_image.h"
#include "ui/qt/support/modal_closer.h"

namespace skyloom {
namespace {

using N = ControlName;

struct NoShell : Shell {
  int OpenDocument(const std::string&) override { return 0; }
};

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
};

}  // namespace skyloom

QTEST_MAIN(skyloom::MainWindowTest)
#include "main_window_test.moc"
