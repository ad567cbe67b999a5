// The main window on real Qt widgets, driven with the mouse and the keyboard
// as a user drives it: its look at start-up and the timeline of a run
// against golden images, the timeline's tooltips, the quit question and a
// series' orb check; and the settings store on real files in a temporary
// folder: saves that cannot be written, files cut short or damaged.
//
// Pictures are compared with their golden images in tests/ui/qt/golden; text
// may be smoothed a shade differently by another FreeType, so a few pixels
// may differ by more than a little. SKYLOOM_GOLDEN_OUT=folder writes every
// picture compared there, to look at it or, once checked by eye, to copy it
// over its golden image.
#include <QComboBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

#include "draw/timeline_drawing.h"
#include "ports/memory_window.h"
#include "ports/shell.h"
#include "state/registry.h"
#include "state/saved_state.h"
#include "ui/main_form.h"
#include "ui/qt/qt_settings_store.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/support/modal_closer.h"
#include "ui/qt/timeline_view.h"
#include "ui/timeline.h"

namespace skyloom {

using N = ControlName;

namespace {

// Empty when the picture matches the golden image of that name, else how not.
QString GoldenMismatch(const QImage& drawn, const QString& name) {
  const QString out = QString::fromLocal8Bit(qgetenv("SKYLOOM_GOLDEN_OUT"));
  if (!out.isEmpty() && QDir().mkpath(out)) drawn.save(QDir(out).filePath(name));
  const QString path = QDir(QStringLiteral(SKYLOOM_QT_GOLDEN_DIR)).filePath(name);
  const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
  const QImage image = drawn.convertToFormat(QImage::Format_RGB32);
  if (image.size() != golden.size()) return QString("%1: drawn %2 pixels high, golden %3").arg(path).arg(image.height()).arg(golden.height());
  int differing = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y), q = golden.pixel(x, y);
      differing += std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))}) > 48;
    }
  return differing <= 150 ? QString() : QString("%1: %2 pixels differ").arg(path).arg(differing);
}

struct NoShell : Shell {
  int OpenDocument(const std::string&) override { return 0; }
};

// A window in memory that restores from the store at start-up and saves to it.
struct Form {
  explicit Form(SettingsStore& store)
      : form(window, shell, {{}, [&store](FormState& s) { return SaveProgramState(s, store); },
                             [&store](FormState& s) { return RestoreProgramState(s, store); }}) {
    window.LoadDesign();
    form.Load();
  }
  MemoryWindow window; NoShell shell; MainForm form;
};

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
void WriteAll(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath()); QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

// Every saved value the store holds, "" where it holds none.
std::vector<std::string> StoredValues(SettingsStore& store) {
  std::vector<std::string> values(SavedStateValues().size());
  for (size_t i = 0; i < values.size(); ++i)
    RestoreRegistryString(store, SavedStateValues()[i].keyPart, SavedStateValues()[i].name, values[i], false, "");
  return values;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  NoShell shell_;
  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<qttest::ModalCloser> closer_;
  std::unique_ptr<QtWindow> window_;
  std::unique_ptr<MainForm> form_;

  QPushButton* Button(N name, int16_t index = 0) { return window_->As<QPushButton>(Ctl(name, index)); }
  QString Output() { return window_->As<QPlainTextEdit>(Ctl(N::txbOutput))->toPlainText(); }

  // Jupiter and Saturn in world mode, chosen and typed in.
  void ChooseJupiterSaturn(const char* startYear, const char* endYear) {
    auto* world = window_->As<QRadioButton>(Ctl(N::optWorld));
    QTest::mouseClick(world, Qt::LeftButton, {}, QPoint(8, world->height() / 2));
    for (int16_t list : {0, 1}) {
      window_->WidgetOf(Ctl(N::cboPlanet, list))->setFocus();
      QTest::keyClick(window_->WidgetOf(Ctl(N::cboPlanet, list)), Qt::Key_Down);
    }
    for (int16_t date : {0, 1}) {
      auto* box = window_->As<QLineEdit>(Ctl(N::txbYear, date));
      QTest::mouseClick(box, Qt::LeftButton); box->selectAll();
      QTest::keyClicks(box, date == 0 ? startYear : endYear);
    }
    QTest::mouseClick(window_->WidgetOf(Ctl(N::txbMonth)), Qt::LeftButton);
    QCOMPARE(Button(N::cmdStart)->text(), QString("Show all world transits between Jupiter and Saturn"));
  }

  QString Folder() const { return folder_->path() + "/Quillfern"; }
  QString FilePath() const { return Folder() + "/SKL.conf"; }

  void CompareQuitQuestion(const qttest::SeenMessageBox& box) {
    QCOMPARE(box.text + "|" + box.title, QString("Save program state for next run?|Quit"));
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.defaultButton, QMessageBox::No);
  }

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // A new settings folder each time: QSettings keeps what it read of a file.
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_->path());
    closer_ = std::make_unique<qttest::ModalCloser>(); window_ = std::make_unique<QtWindow>();
    form_ = std::make_unique<MainForm>(*window_, shell_);
    form_->Load();
    window_->SetListIndex(Ctl(N::cboTimezone, 0), 24);  // GMT, whatever the machine's zone
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void cleanup() {
    form_.reset();
    window_.reset(); closer_.reset();
  }

  // Geometry, colours and fonts of every control at once; the year, which
  // depends on the day, set first.
  void startUpLooksAsItsGoldenScreenshot() {
    for (int16_t date : {0, 1}) {
      window_->SetText(Ctl(N::txbYear, date), "2020");
      form_->LostFocus(Ctl(N::txbYear, date));
    }
    Button(N::cmdQuit)->setFocus();
    QTRY_VERIFY(!Button(N::cmdClear)->isVisible());  // hidden at the timer's first tick
    const QString mismatch = GoldenMismatch(window_->grab().toImage(), "main_window_start.png");
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
  }

  // The great conjunction of 2020, drawn. The layout: under the pointer the
  // report's row of the innermost band there, or of a tick close by.
  void timelineOfARunMatchesItsGoldenImage() {
    ChooseJupiterSaturn("2020", "2020"); QTest::mouseClick(Button(N::cmdStart), Qt::LeftButton);
    const auto& results = form_->State().Results;
    const QString mismatch = GoldenMismatch(RenderTimelineImage(BuildTimeline(results)), "timeline_2020.png");
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    TimelineWindow window(results); window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const TimelineLayout layout = window.CanvasLayout();
    const int32_t january1 = results.at(0).startDay;
    const struct {
      double day;  // from 1 January; day d runs from d to d + 1
      const char* starts;
    } kCases[] = {{1.5, ""},
                  {139.5, "Conjunction | 2020-02-14  2020-04-28              | 2020-05-18r"},
                  {344.5, "            |             2020-11-02  2020-12-03  | 2020-12-21*"},
                  {320.5, "            |             2020-11-02  2020-12-03  | 2020-12-21*"},
                  {300.5, "Conjunction | 2020-02-14"}};
    for (const auto& c : kCases) {
      const QString tip = window.ToolTipAt(
          QPoint(static_cast<int>(layout.DayToX(january1 + c.day)), TimelineLayout::kRowHeight / 2));
      QVERIFY2(c.starts[0] == '\0' ? tip.isEmpty() : tip.startsWith(QString::fromUtf8(c.starts)),
               qPrintable(QString("day %1: \"%2\"").arg(c.day).arg(tip)));
    }
  }

  // Cancel keeps the window and the report, Quit pressed or the window closed.
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
      QVERIFY(window_->isVisible() && !form_->Ended());
      QCOMPARE(Output(), QString("a report\n"));
    }
    QCOMPARE(closer_->MessageBoxes().size(), size_t{2});
  }

  // Quit pressed or the window closed during a run asks at once, the run
  // waiting for the answer; Cancel lets it go on to its end.
  void cancelToQuitDuringARunLetsTheRunGoOn() {
    ChooseJupiterSaturn("1990", "2030");
    for (bool closing : {false, true}) {
      QPushButton* start = Button(N::cmdStart);
      bool askedDuringRun = false;
      QTimer quitter; quitter.setInterval(5);
      connect(&quitter, &QTimer::timeout, this, [&] {
        if (start->text() != "Stop" || askedDuringRun) return;
        askedDuringRun = true; closer_->Answer(QMessageBox::Cancel);
        closing ? void(window_->close()) : QTest::mouseClick(Button(N::cmdQuit), Qt::LeftButton);
        QCOMPARE(start->text(), QString("Stop"));
      });
      quitter.start();
      const size_t boxes = closer_->MessageBoxes().size();
      QTest::mouseClick(start, Qt::LeftButton); quitter.stop();
      QVERIFY(askedDuringRun);
      QCOMPARE(closer_->MessageBoxes().size(), boxes + 1);
      CompareQuitQuestion(closer_->MessageBoxes().back());
      QVERIFY2(!Output().contains("Stopped"), qPrintable(Output().right(200)));
      QCOMPARE(closer_->PopUpTexts().last(), QString("Done"));  // the run's own end
      QVERIFY(window_->isVisible() && !form_->Ended());
    }
  }

  // A Show-all series runs only with nested orbs: it says so once and
  // leaves the output box as it was.
  void aSeriesWithOrbsThatAreNotNestedRunsNothing() {
    QWidget* middle = window_->WidgetOf(Ctl(N::cboOrbs, 1)); middle->setFocus();
    QTest::keyClick(middle, Qt::Key_End);  // 15 degrees under an outer orb of 10
    QCOMPARE(closer_->MessageBoxes().size(), size_t{1});  // the list's own check
    window_->SetText(Ctl(N::txbOutput), "earlier output\r\n");
    QTest::mouseClick(Button(N::cmdShowAll, 0), Qt::LeftButton);
    QCOMPARE(closer_->MessageBoxes().size(), size_t{2});
    const qttest::SeenMessageBox& box = closer_->MessageBoxes().back();
    QCOMPARE(box.text + "|" + box.title,
             QString("Orbs must be strictly decreasing and differ by at least 2\u00b0.|Orb values"));
    QCOMPARE(Output(), QString("earlier output\n"));
    QCOMPARE(form_->State().RunsStarted, 0);
  }

  // The message names the file and gives the system's reason.
  void aSaveThatCannotBeWrittenSaysWhy() {
    const struct {
      std::function<void()> make;
      const char* reason;
      bool needsNonRoot;
    } kCases[] = {{[&] { WriteAll(Folder(), "not a folder"); }, "Not a directory", false},
                  {[&] { QDir().mkpath(FilePath()); }, "Is a directory", false},
                  {[&] { QDir().mkpath(Folder()), QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::ExeOwner); },
                   "Permission denied", true}};
    for (const auto& c : kCases) {
      if (c.needsNonRoot && ::geteuid() == 0) continue;  // root writes in any folder
      QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      QDir(Folder()).removeRecursively(), QFile::remove(Folder());
      c.make();
      QtSettingsStore store;
      Form form(store);
      form.form.Click(Ctl(ControlName::cmdSaveState));
      QCOMPARE(form.window.MessageBoxes().at(0).text, "Error saving to registry:\r\n" + FilePath().toStdString() + ": " + c.reason);
      QVERIFY(!form.form.State().StateRecentlySaved);
    }
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  // A save cut off by a crash leaves its temporary file, which is not read;
  // a file cut anywhere still loads, each value either as saved or missing.
  void aSaveCutShortLeavesWhatWasSaved() {
    std::vector<std::string> saved;
    {
      QtSettingsStore store;
      Form form(store);
      form.window.SetText(Ctl(ControlName::txbStopDate), "2040");
      form.form.Click(Ctl(ControlName::cmdSaveState));
      saved = StoredValues(store);
    }
    WriteAll(FilePath() + ".Xk3fQa", "[General]\nStop=half");
    QtSettingsStore store;
    QCOMPARE(StoredValues(store), saved);
    const QByteArray whole = ReadAll(FilePath());
    for (qsizetype length = whole.size(); length >= 0; --length) {
      WriteAll(FilePath(), whole.left(length));
      QtSettingsStore cut;
      QCOMPARE(cut.Damaged(), length > 0 && whole[length - 1] != '\n');
      const std::vector<std::string> values = StoredValues(cut);
      for (size_t i = 0; i < values.size(); ++i)
        QVERIFY2(values[i].empty() || values[i] == saved[i], qPrintable(QString("cut at %1").arg(length)));
      QVERIFY(Form(cut).form.State().FormLoaded);
    }
  }

  // Garbage gives the defaults, stays untouched until the next save, and
  // is then kept aside while the new file holds only the saved values.
  void aGarbageFileIsReplacedByTheNextSave() {
    static constexpr char kGarbage[] = "\x00\x01\xff\xfe[Year\n0=20\n=x\n[[\n";
    const QByteArray garbage(kGarbage, sizeof kGarbage - 1);
    WriteAll(FilePath(), garbage);
    QtSettingsStore store;
    Form form(store);
    QCOMPARE(form.window.ListIndex(Ctl(ControlName::cboOrbs, 0)), int16_t{9});
    QCOMPARE(ReadAll(FilePath()), garbage);
    form.form.Click(Ctl(ControlName::cmdSaveState));
    QVERIFY(form.window.MessageBoxes().empty());
    QCOMPARE(ReadAll(FilePath() + ".damaged"), garbage);
    QSettings plain(FilePath(), QSettings::IniFormat);
    QCOMPARE(plain.allKeys().size(), qsizetype(SavedStateValues().size()));
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::MainWindowTest)
#include "main_window_test.moc"
