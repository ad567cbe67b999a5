// The main window on real Qt widgets, driven as a user drives it: clicks on
// the widgets, typing into the boxes, the Enter key, resizing and closing.
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <memory>

#include "ports/shell.h"
#include "ui/main_form.h"
#include "ui/qt/popup.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/support/modal_closer.h"

namespace skyloom {
namespace {

using N = ControlName;

class NoShell : public Shell {
 public:
  int OpenDocument(const std::string&) override { return 0; }
};

QStringList Entries(const QComboBox* combo) {
  QStringList entries;
  for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
  return entries;
}

// A window just started, with no saved state.
struct Started {
  Started() {
    form.Load();
    window.activateWindow();
  }
  QtWindow window;
  NoShell shell;
  MainForm form{window, shell};

  template <typename T>
  T* W(N name, int16_t index = 0) const {
    return window.As<T>(Ctl(name, index));
  }
  QPushButton* Button(N name, int16_t index = 0) const { return W<QPushButton>(name, index); }
  QString Output() const { return W<QPlainTextEdit>(N::txbOutput)->toPlainText(); }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Started> s_;
  std::unique_ptr<qttest::ModalCloser> closer_;

  // Replaces a box's text by typing, then moves the focus on by clicking
  // the next box, as a user fills in a date.
  void Type(QLineEdit* box, const QString& text, QWidget* next) {
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->hasFocus());
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::mouseClick(next, Qt::LeftButton);
  }

  void TypeDate(int16_t date, const QString& year, const QString& month, const QString& day) {
    auto* y = s_->W<QLineEdit>(N::txbYear, date);
    auto* m = s_->W<QLineEdit>(N::txbMonth, date);
    auto* d = s_->W<QLineEdit>(N::txbDay, date);
    Type(y, year, m);
    Type(m, month, d);
    Type(d, day, y);
  }

  void ClickOption(QRadioButton* option) {
    // Near the indicator: the option's whole width is not all hit area.
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
  }

  // World mode, Jupiter and Saturn: the pair of the great conjunction of
  // 21 December 2020.
  void ChooseWorldJupiterSaturn() {
    ClickOption(s_->W<QRadioButton>(N::optWorld));
    QVERIFY(s_->W<QRadioButton>(N::optWorld)->isChecked());
    auto* inner = s_->W<QComboBox>(N::cboPlanet, 0);
    auto* outer = s_->W<QComboBox>(N::cboPlanet, 1);
    inner->setFocus();
    QTest::keyClick(inner, Qt::Key_Down);
    outer->setFocus();
    QTest::keyClick(outer, Qt::Key_Down);
    QCOMPARE(inner->currentText(), QString("Jupiter"));
    QCOMPARE(outer->currentText(), QString("Saturn"));
    QCOMPARE(s_->Button(N::cmdStart)->text(), QString("Show all world transits between Jupiter and Saturn"));
  }

 private slots:
  void init() {
    closer_ = std::make_unique<qttest::ModalCloser>();
    s_ = std::make_unique<Started>();
    QVERIFY(QTest::qWaitForWindowActive(&s_->window));
  }

  void cleanup() {
    s_.reset();
    closer_.reset();
  }

  void firstStartShowsTheDefaults() {
    const QString year = QString::number(QDate::currentDate().year());
    QCOMPARE(s_->window.windowTitle(), QString("Skyloom 10.0"));
    QVERIFY(s_->window.isVisible());
    QCOMPARE(s_->W<QLineEdit>(N::txbYear, 0)->text(), year);
    QCOMPARE(s_->W<QLineEdit>(N::txbMonth, 0)->text(), QString("1"));
    QCOMPARE(s_->W<QLineEdit>(N::txbDay, 0)->text(), QString("1"));
    QCOMPARE(s_->W<QLineEdit>(N::txbYear, 1)->text(), year);
    QCOMPARE(s_->W<QLineEdit>(N::txbMonth, 1)->text(), QString("12"));
    QCOMPARE(s_->W<QLineEdit>(N::txbDay, 1)->text(), QString("31"));
    QCOMPARE(s_->W<QLabel>(N::lblDate, 0)->text(), QString("January 1, %1 CE").arg(year));
    QCOMPARE(s_->W<QLabel>(N::lblDate, 1)->text(), QString("December 31, %1 CE").arg(year));
    QCOMPARE(s_->W<QLineEdit>(N::txbYear, 2)->text(), QString());

    QVERIFY(s_->W<QRadioButton>(N::optPersonal)->isChecked());
    QVERIFY(!s_->W<QRadioButton>(N::optWorld)->isChecked());
    QVERIFY(s_->W<QRadioButton>(N::optTropical)->isChecked());
    QVERIFY(s_->W<QGroupBox>(N::fraBirthDate)->isVisible());
    QVERIFY(s_->W<QGroupBox>(N::fraZodiac)->isVisible());
    QCOMPARE(s_->W<QComboBox>(N::cboPlanet, 0)->currentText(), QString("Mars"));
    QCOMPARE(s_->W<QComboBox>(N::cboPlanet, 1)->currentText(), QString("Jupiter"));
    QCOMPARE(s_->Button(N::cmdStart)->text(), QString("Show all personal transits by Mars of natal Jupiter"));
    QCOMPARE(s_->Button(N::cmdShowAll, 0)->text(), QString("Show all transits of natal Jupiter"));
    QCOMPARE(s_->Button(N::cmdShowAll, 1)->text(), QString("Show all transits by transiting Mars"));

    QCOMPARE(s_->W<QComboBox>(N::cboOrbs, 0)->currentText(), QString("10°"));
    QCOMPARE(s_->W<QComboBox>(N::cboOrbs, 1)->currentText(), QString("5°"));
    QCOMPARE(s_->W<QComboBox>(N::cboOrbs, 2)->currentText(), QString("2°"));
    QCOMPARE(s_->W<QComboBox>(N::cboSearchAspect)->currentText(), QString("conjunction"));
    QCOMPARE(s_->W<QLabel>(N::Label1)->text(), QString("for first 10°"));
    QVERIFY(s_->W<QCheckBox>(N::chkKeepDates)->isChecked());
    // No birth time yet: the empty first entries; no birth zone.
    QCOMPARE(s_->W<QComboBox>(N::cboHour)->currentText(), QString());
    QCOMPARE(s_->window.ListIndex(Ctl(N::cboHour)), 0);
    QCOMPARE(s_->window.ListIndex(Ctl(N::cboTimezone, 1)), -1);
    // The results zone is the machine's.
    QVERIFY(s_->W<QComboBox>(N::cboTimezone, 0)->currentIndex() > 0);
    // Nothing to write or clear: the timer's first tick hides both.
    QTRY_VERIFY(!s_->Button(N::cmdClear)->isVisible());
    QVERIFY(!s_->Button(N::cmdFile)->isVisible());
    QVERIFY(!s_->W<QLabel>(N::lblShortDate)->isVisible());
  }

  void controlsSitAtTheirDesignPlaces() {
    QtWindow& w = s_->window;
    auto pixels = [&](Rect r) {
      const int left = w.ToPixelsX(r.Left), top = w.ToPixelsY(r.Top);
      return QRect(left, top, w.ToPixelsX(r.Left + r.Width) - left, w.ToPixelsY(r.Top + r.Height) - top);
    };
    // Members of a frame are placed inside it.
    QCOMPARE(s_->W<QLineEdit>(N::txbYear, 2)->parentWidget(), s_->W<QGroupBox>(N::fraBirthDate));
    QCOMPARE(s_->W<QRadioButton>(N::optSidereal)->parentWidget(), s_->W<QGroupBox>(N::fraZodiac));
    QCOMPARE(s_->W<QLineEdit>(N::txbYear, 0)->parentWidget(), &w);
    QCOMPARE(s_->W<QLineEdit>(N::txbYear, 0)->geometry(), pixels({1440, 480, 700, 285}));
    QCOMPARE(s_->W<QLineEdit>(N::txbYear, 2)->geometry(), pixels({1320, 0, 700, 285}));
    QCOMPARE(s_->W<QComboBox>(N::cboHour)->geometry(), pixels({1320, 360, 650, 315}));
    QCOMPARE(s_->W<QRadioButton>(N::optPersonal)->geometry(), pixels({1560, 360, 1215, 255}));
    // Placed by the start-up sequence: the search frame centred, the
    // clear button left of help.
    const Rect search = w.Geometry(Ctl(N::fraSearch));
    QCOMPARE(s_->W<QGroupBox>(N::fraSearch)->geometry(), pixels(search));
    QCOMPARE(s_->Button(N::cmdClear)->geometry(), pixels(w.Geometry(Ctl(N::cmdClear))));

    // Pick-only lists and drop-down combos.
    QVERIFY(!s_->W<QComboBox>(N::cboPlanet, 0)->isEditable());
    QVERIFY(!s_->W<QComboBox>(N::cboOrbs, 2)->isEditable());
    QVERIFY(!s_->W<QComboBox>(N::cboTimezone, 1)->isEditable());
    QVERIFY(s_->W<QComboBox>(N::cboHour)->isEditable());
    QVERIFY(s_->W<QComboBox>(N::cboMinute)->isEditable());
    QVERIFY(s_->W<QComboBox>(N::cboSearchAspect)->isEditable());
    // The report may be edited before it is written out.
    QVERIFY(!s_->W<QPlainTextEdit>(N::txbOutput)->isReadOnly());
  }

  void coloursAndFonts() {
    const QColor back(47, 8, 91), fore(213, 237, 248);
    QCOMPARE(s_->window.grab().toImage().pixelColor(2, 2), back);
    for (QWidget* widget : {static_cast<QWidget*>(s_->W<QLabel>(N::lblYear)),
                            static_cast<QWidget*>(s_->W<QCheckBox>(N::chkKeepDates)),
                            static_cast<QWidget*>(s_->W<QRadioButton>(N::optWorld)),
                            static_cast<QWidget*>(s_->W<QGroupBox>(N::fraTypeOfTransit))}) {
      QCOMPARE(widget->palette().color(QPalette::WindowText), fore);
      QCOMPARE(widget->palette().color(widget->backgroundRole()), back);
      QVERIFY(widget->autoFillBackground());
    }
    QCOMPARE(s_->W<QLabel>(N::lblShortDate)->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    // The toolkit's colours in the lists are not taken over from a frame.
    QCOMPARE(s_->W<QComboBox>(N::cboSearchAspect)->palette().color(QPalette::Window),
             QApplication::palette().color(QPalette::Window));

    // Columns of the report line up only in a fixed-pitch face.
    const QFont output = s_->W<QPlainTextEdit>(N::txbOutput)->font();
    QCOMPARE(output.family(), QString("Courier New"));
    QVERIFY(QFontInfo(output).fixedPitch());
    QCOMPARE(output.pointSizeF(), 8.0);
    QCOMPARE(s_->W<QLabel>(N::lblYear)->font().family(), QString("Arial"));
    QCOMPARE(s_->W<QLabel>(N::lblYear)->font().pointSizeF(), 10.0);
    QVERIFY(!s_->W<QLabel>(N::lblYear)->font().bold());
  }

  void switchingModesBringsBackTheRememberedBodies() {
    auto* first = s_->W<QComboBox>(N::cboPlanet, 0);
    auto* second = s_->W<QComboBox>(N::cboPlanet, 1);
    ClickOption(s_->W<QRadioButton>(N::optWorld));
    QCOMPARE(Entries(first),
             QStringList({"Sun", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune"}));
    QCOMPARE(Entries(second),
             QStringList({"Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune", "Pluto"}));
    QCOMPARE(first->currentText(), QString("Mars"));
    QCOMPARE(second->currentText(), QString("Jupiter"));
    QCOMPARE(s_->W<QLabel>(N::lblPlanet, 0)->text(), QString("Inner planet"));
    QCOMPARE(s_->W<QLabel>(N::lblPlanet, 1)->text(), QString("Outer planet"));
    QCOMPARE(s_->Button(N::cmdStart)->text(), QString("Show all world transits between Mars and Jupiter"));
    QCOMPARE(s_->Button(N::cmdShowAll, 0)->text(),
             QString("Show all transits between Jupiter and other planets"));
    QVERIFY(!s_->W<QGroupBox>(N::fraBirthDate)->isVisible());
    QVERIFY(!s_->W<QGroupBox>(N::fraZodiac)->isVisible());
    QVERIFY(!s_->Button(N::cmdShowAll, 1)->isVisible());

    // The user picks Saturn as the outer body with the keyboard.
    second->setFocus();
    QTest::keyClick(second, Qt::Key_Down);
    QCOMPARE(second->currentText(), QString("Saturn"));
    QCOMPARE(s_->Button(N::cmdStart)->text(), QString("Show all world transits between Mars and Saturn"));
    // The program moves the focus on to the button it expects next.
    QVERIFY(s_->Button(N::cmdStart)->hasFocus());

    ClickOption(s_->W<QRadioButton>(N::optPersonal));
    QCOMPARE(Entries(second).size(), 10);
    QCOMPARE(second->itemText(9), QString("Moon"));
    QCOMPARE(second->currentText(), QString("Jupiter"));
    QCOMPARE(s_->W<QLabel>(N::lblPlanet, 0)->text(), QString("Transiting planet"));
    QVERIFY(s_->W<QGroupBox>(N::fraBirthDate)->isVisible());
    QVERIFY(s_->Button(N::cmdShowAll, 1)->isVisible());

    ClickOption(s_->W<QRadioButton>(N::optWorld));
    QCOMPARE(second->currentText(), QString("Saturn"));
  }

  void orbListsFireTheirHandlerFromUserAndFromCode() {
    auto* outer = s_->W<QComboBox>(N::cboOrbs, 0);
    outer->setFocus();
    QTest::keyClick(outer, Qt::Key_Down);
    QTest::keyClick(outer, Qt::Key_Down);
    QCOMPARE(outer->currentText(), QString("12°"));
    QCOMPARE(s_->W<QLabel>(N::Label1)->text(), QString("for first 12°"));

    // Setting a position from code is a click too, as the program expects.
    s_->window.SetListIndex(Ctl(N::cboOrbs, 0), 13);
    QCOMPARE(s_->W<QLabel>(N::Label1)->text(), QString("for first 14°"));
  }

  void typedTimeInADropDownCombo() {
    auto* hour = s_->W<QComboBox>(N::cboHour);
    QTest::mouseClick(hour->lineEdit(), Qt::LeftButton);
    hour->lineEdit()->selectAll();
    QTest::keyClicks(hour->lineEdit(), "07");
    QCOMPARE(s_->window.ListIndex(Ctl(N::cboHour)), 8);
    QCOMPARE(s_->window.Text(Ctl(N::cboHour)), std::string("07"));
    // Text that is no entry leaves the list without a selection but stays.
    QTest::keyClicks(hour->lineEdit(), "x");
    QCOMPARE(s_->window.ListIndex(Ctl(N::cboHour)), -1);
    QCOMPARE(hour->currentText(), QString("07x"));
    // Choosing a position from code shows that entry again.
    s_->window.SetListIndex(Ctl(N::cboHour), 13);
    QCOMPARE(hour->currentText(), QString("12"));
    QCOMPARE(hour->count(), 25);
  }

  void outputBoxKeepsLineEndsAndCountsCharacters() {
    QtWindow& w = s_->window;
    const Control output = Ctl(N::txbOutput);
    w.SetText(output, "a\xC2\xB0\r\nb\r\n");
    QCOMPARE(w.Text(output), std::string("a\xC2\xB0\r\nb\r\n"));
    QCOMPARE(w.TextLength(output), 7);
    w.AppendText(output, "Sun \xC2\xB0\r\n");
    QCOMPARE(w.Text(output), std::string("a\xC2\xB0\r\nb\r\nSun \xC2\xB0\r\n"));
    QCOMPARE(w.TextLength(output), 14);
    // Each CR LF is one line on the screen, not two.
    QCOMPARE(s_->W<QPlainTextEdit>(N::txbOutput)->document()->blockCount(), 4);
    w.SetText(output, "");
    QCOMPARE(w.TextLength(output), 0);
  }

  void startWritesAReportIntoTheOutputBox() {
    ChooseWorldJupiterSaturn();
    TypeDate(0, "2020", "11", "1");
    TypeDate(1, "2021", "1", "31");
    QCOMPARE(s_->W<QLabel>(N::lblDate, 0)->text(), QString("November 1, 2020 CE"));
    QCOMPARE(s_->W<QLabel>(N::lblDate, 1)->text(), QString("January 31, 2021 CE"));

    QTest::mouseClick(s_->Button(N::cmdStart), Qt::LeftButton);

    const QString output = s_->Output();
    QVERIFY2(output.contains("Conjunction"), qPrintable(output));
    // The great conjunction, exact on 21 December 2020.
    QVERIFY2(output.contains("2020-12-21"), qPrintable(output));
    QVERIFY(!output.contains("Stopped"));
    QCOMPARE(closer_->PopUpTexts(), QStringList({"Done"}));
    QVERIFY(closer_->MessageBoxes().empty());
    // Back to idle, with the output's buttons offered at the next tick.
    QCOMPARE(s_->Button(N::cmdStart)->text(), QString("Show all world transits between Jupiter and Saturn"));
    QTRY_VERIFY(s_->Button(N::cmdClear)->isVisible());
    QTRY_VERIFY(s_->Button(N::cmdFile)->isVisible());
  }

  void aSecondClickOnStartStopsTheRun() {
    ChooseWorldJupiterSaturn();
    TypeDate(0, "1850", "1", "1");
    TypeDate(1, "2350", "12", "31");
    // Pressed again as soon as the run shows "Stop": the click arrives
    // while the engine yields to the event loop.
    QPushButton* start = s_->Button(N::cmdStart);
    int stopClicks = 0;
    bool sawDayLabel = false;
    QTimer stopper;
    stopper.setInterval(5);
    connect(&stopper, &QTimer::timeout, this, [&] {
      if (start->text() != "Stop" || stopClicks > 0) return;
      sawDayLabel = s_->W<QLabel>(N::lblShortDate)->isVisible();
      ++stopClicks;
      QTest::mouseClick(start, Qt::LeftButton);
    });
    stopper.start();
    QTest::mouseClick(start, Qt::LeftButton);
    stopper.stop();

    QCOMPARE(stopClicks, 1);
    QVERIFY(sawDayLabel);
    QVERIFY2(s_->Output().endsWith("Stopped"), qPrintable(s_->Output().right(200)));
    QCOMPARE(start->text(), QString("Show all world transits between Jupiter and Saturn"));
    QVERIFY(!s_->W<QLabel>(N::lblShortDate)->isVisible());
    QVERIFY(s_->W<QLineEdit>(N::txbYear, 0)->isEnabled());
    QVERIFY(closer_->PopUpTexts().isEmpty());
  }

  void enterReleasedInADateBoxStartsARun() {
    ChooseWorldJupiterSaturn();
    TypeDate(0, "2020", "11", "1");
    TypeDate(1, "2021", "1", "31");
    auto* day = s_->W<QLineEdit>(N::txbDay, 1);
    QTest::mouseClick(day, Qt::LeftButton);
    QVERIFY(s_->Output().isEmpty());
    QTest::keyClick(day, Qt::Key_Return);
    QVERIFY2(s_->Output().contains("Conjunction"), qPrintable(s_->Output()));
    QCOMPARE(closer_->PopUpTexts(), QStringList({"Done"}));
  }

  void windowCannotBeMadeSmallerThanItsMinimum() {
    QtWindow& w = s_->window;
    QVERIFY(w.minimumWidth() * 1440.0 / w.logicalDpiX() >= 13800);
    QVERIFY(w.minimumHeight() * 1440.0 / w.logicalDpiY() >= 6500);
    w.resize(200, 150);
    QTRY_COMPARE(w.size(), w.minimumSize());
    const Rect form = w.FormGeometry();
    QVERIFY(form.Width >= 13800);
    QVERIFY(form.Height >= 6500);

    // Larger: only the output box grows, the bottom row of buttons moves down.
    auto* output = s_->W<QPlainTextEdit>(N::txbOutput);
    QPushButton* quit = s_->Button(N::cmdQuit);
    const QRect outputBefore = output->geometry();
    const QRect quitBefore = quit->geometry();
    w.resize(w.width() + 80, w.height() + 120);
    QTRY_VERIFY(std::abs(output->height() - (outputBefore.height() + 120)) <= 1);
    QCOMPARE(output->width(), outputBefore.width());
    QVERIFY(std::abs(quit->y() - (quitBefore.y() + 120)) <= 1);
    QCOMPARE(quit->x(), quitBefore.x());
  }

  // Cancel keeps the window and the report in its output box, whether Quit
  // was pressed or the window was closed.
  void quitAsksToSaveAndCancelKeepsTheWindow() {
    s_->window.SetText(Ctl(N::txbOutput), "a report\r\n");
    for (bool closing : {false, true}) {
      closer_->Answer(QMessageBox::Cancel);
      if (closing) {
        QVERIFY(!s_->window.close());
      } else {
        QTest::mouseClick(s_->Button(N::cmdQuit), Qt::LeftButton);
      }
      const qttest::SeenMessageBox& box = closer_->MessageBoxes().back();
      QCOMPARE(box.text, QString("Save program state for next run?"));
      QCOMPARE(box.title, QString("Quit"));
      QCOMPARE(box.icon, QMessageBox::Question);
      QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      QCOMPARE(box.defaultButton, QMessageBox::No);
      QVERIFY(s_->window.isVisible());
      QVERIFY(!s_->form.Ended());
      QCOMPARE(s_->Output(), QString("a report\n"));
    }
    QCOMPARE(closer_->MessageBoxes().size(), size_t{2});
  }

  // Quit pressed during a run asks at once, the run waiting for the answer;
  // Cancel lets it go on to its end.
  void cancelToQuitDuringARunLetsTheRunGoOn() {
    ChooseWorldJupiterSaturn();
    TypeDate(0, "1990", "1", "1");
    TypeDate(1, "2030", "12", "31");
    QPushButton* start = s_->Button(N::cmdStart);
    int quits = 0;
    bool stillRunning = false;
    QTimer quitter;
    quitter.setInterval(5);
    connect(&quitter, &QTimer::timeout, this, [&] {
      if (start->text() != "Stop" || quits > 0) return;
      ++quits;
      closer_->Answer(QMessageBox::Cancel);
      QTest::mouseClick(s_->Button(N::cmdQuit), Qt::LeftButton);
      stillRunning = start->text() == "Stop";
    });
    quitter.start();
    QTest::mouseClick(start, Qt::LeftButton);
    quitter.stop();

    QCOMPARE(quits, 1);
    QCOMPARE(closer_->MessageBoxes().size(), size_t{1});
    QCOMPARE(closer_->MessageBoxes()[0].text, QString("Save program state for next run?"));
    QVERIFY(stillRunning);
    const QString output = s_->Output();
    QVERIFY2(!output.contains("Stopped"), qPrintable(output.right(200)));
    // The great conjunction of 2020, and the run's end: "Done".
    QVERIFY2(output.contains("2020-12-21"), qPrintable(output));
    QCOMPARE(closer_->PopUpTexts(), QStringList({"Done"}));
    QVERIFY(s_->window.isVisible());
    QVERIFY(!s_->form.Ended());
    QCOMPARE(start->text(), QString("Show all world transits between Jupiter and Saturn"));
  }

  // A Show-all series runs only with nested orbs; it says so once and leaves
  // the output box as it was.
  void aSeriesWithOrbsThatAreNotNestedRunsNothing() {
    auto* middle = s_->W<QComboBox>(N::cboOrbs, 1);
    middle->setFocus();
    QTest::keyClick(middle, Qt::Key_End);  // 15 degrees under an outer orb of 10
    QCOMPARE(middle->currentText(), QString("15°"));
    QCOMPARE(closer_->MessageBoxes().size(), size_t{1});  // the list's own check
    s_->window.SetText(Ctl(N::txbOutput), "earlier output\r\n");
    QTest::mouseClick(s_->Button(N::cmdShowAll, 0), Qt::LeftButton);
    QCOMPARE(closer_->MessageBoxes().size(), size_t{2});
    const qttest::SeenMessageBox& box = closer_->MessageBoxes().back();
    QCOMPARE(box.text, QString("Orbs must be strictly decreasing and differ by at least 2°."));
    QCOMPARE(box.title, QString("Orb values"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(s_->Output(), QString("earlier output\n"));
    QVERIFY(closer_->PopUpTexts().isEmpty());
    QCOMPARE(s_->form.State().RunsStarted, 0);
  }

  void closingTheWindowGoesThroughQuit() {
    closer_->Answer(QMessageBox::No);
    QVERIFY(s_->window.close());
    QCOMPARE(closer_->MessageBoxes().size(), size_t{1});
    QVERIFY(s_->form.Ended());
    QVERIFY(!s_->window.isVisible());
  }

  void popUpClosesAfterItsInterval() {
    closer_->SetClickPopUps(false);
    // Should the pop-up never close, this frees the test instead of hanging.
    QTimer::singleShot(5000, this, [this] {
      if (s_->window.PopUpWidget() != nullptr) s_->window.PopUpWidget()->hide();
    });
    QElapsedTimer elapsed;
    elapsed.start();
    s_->window.PopUp({"Done", 1200, 300, 400, 450, -1500});
    const qint64 ms = elapsed.elapsed();
    QVERIFY2(ms >= 390 && ms < 3000, qPrintable(QString::number(ms)));
    QCOMPARE(closer_->PopUpTexts(), QStringList({"Done"}));
    PopUpWindow* popUp = s_->window.PopUpWidget();
    QVERIFY(!popUp->isVisible());
    // Placed from the main window's top-left corner, sized from twips.
    QCOMPARE(popUp->size(), QSize(s_->window.ToPixelsX(1200), s_->window.ToPixelsY(300)));
    QCOMPARE(popUp->pos(), s_->window.pos() + QPoint(s_->window.ToPixelsX(-1500), s_->window.ToPixelsY(450)));
    QCOMPARE(popUp->Message()->geometry(), popUp->rect());
    QCOMPARE(popUp->Message()->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    QVERIFY(popUp->Message()->font().bold());
  }

  void aClickClosesThePopUpAtOnce() {
    closer_->SetClickPopUps(false);
    QTimer::singleShot(50, this,
                       [this] { QTest::mouseClick(s_->window.PopUpWidget()->Message(), Qt::LeftButton); });
    QTimer::singleShot(5000, this, [this] { s_->window.PopUpWidget()->hide(); });
    QElapsedTimer elapsed;
    elapsed.start();
    s_->window.PopUp({"Done", 1200, 300, 1500, 0, 0});
    QVERIFY2(elapsed.elapsed() < 1000, qPrintable(QString::number(elapsed.elapsed())));
    QSignalSpy fired(s_->window.PopUpWidget()->CloseTimer(), &QTimer::timeout);
    QTest::qWait(1700);
    QCOMPARE(fired.count(), 0);
  }

  void fileFilters() {
    QCOMPARE(QtFileFilter("HTML files *.htm, *.html | *.htm;*.html"), QString("HTML files (*.htm *.html)"));
    QCOMPARE(QtFileFilter("Text files *.txt | *.txt"), QString("Text files (*.txt)"));
    QCOMPARE(QtFileFilter("Text files *.txt | *.txt|All files *.* | *.*"),
             QString("Text files (*.txt);;All files (*.*)"));
    QCOMPARE(QtFileFilter(""), QString());
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::MainWindowTest)
#include "main_window_test.moc"
