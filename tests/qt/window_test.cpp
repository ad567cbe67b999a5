// The window port's contract on both windows; the main window driven as a
// user drives it; the settings store on real files.
#include <sys/stat.h>
#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "calendar/date_format.h"
#include "draw/timeline_drawing.h"
#include "ports/memory_window.h"
#include "qt/qt_settings_store.h"
#include "qt/support/qt_form.h"
#include "qt/timeline_view.h"
#include "report/timeline.h"
#include "state/registry.h"
#include "state/saved_state.h"
#include "support/case_file.h"
#include "support/control_names.h"

namespace skyloom {

using N = ControlName;

namespace {

// Empty when the picture matches the golden image of that name but for a few
// pixels (FreeType versions smooth text differently), else how not;
// SKYLOOM_GOLDEN_OUT=folder writes each one compared.
QString GoldenMismatch(const QImage& drawn, const QString& name) {
  const QString out = QString::fromLocal8Bit(qgetenv("SKYLOOM_GOLDEN_OUT"));
  if (!out.isEmpty() && QDir().mkpath(out)) drawn.save(QDir(out).filePath(name));
  const QString path = QDir(QStringLiteral(SKYLOOM_QT_GOLDEN_DIR)).filePath(name);
  const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
  const QImage image = drawn.convertToFormat(QImage::Format_RGB32);
  if (image.size() != golden.size())
    return QString("%1: drawn %2 pixels high, golden %3").arg(path).arg(image.height()).arg(golden.height());
  int differing = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y), q = golden.pixel(x, y);
      differing +=
          std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))}) > 48;
    }
  return differing <= 150 ? QString() : QString("%1: %2 pixels differ").arg(path).arg(differing);
}

// --- The window port's contract: one table of calls, results and events.

using enum ControlName;

std::string S(int n) { return std::to_string(n); }
std::string S(Rect r) { return S(r.Left) + "," + S(r.Top) + "," + S(r.Width) + "," + S(r.Height); }

// Each starts with the focus in the first box, where the shown Qt window puts it.
struct MemoryRig {
  MemoryRig() {
    window.LoadDesign();
    window.SetFocus(Ctl(txbYear));
    rec.w = &window;
    window.SetEventSink(&rec);
  }
  void Answer(MsgAnswer answer) { window.QueueAnswer(answer); }  // to the next message box
  void UserClick(Control c) { window.Click(c); }
  void UserType(Control c, const std::string& text) { window.Type(c, text); }
  void UserEnter(Control c) { window.PressKeyUp(c, 13); }
  void UserClose() { window.UserClose(); }
  test::EventLog rec;
  MemoryWindow window;
};

struct QtRig {
  QtRig() {
    rec.w = &window;
    window.SetEventSink(&rec);
    if (!test::ShowActive(window)) throw std::runtime_error("the window never became active");
  }
  void Answer(MsgAnswer a) {
    closer.Answer(a == MsgAnswer::Yes ? QMessageBox::Yes : a == MsgAnswer::No ? QMessageBox::No : QMessageBox::Cancel);
  }
  void UserClick(Control c) { test::UserClick(window.WidgetOf(c)); }
  void UserType(Control c, const std::string& text) {
    test::UserType(window.As<QLineEdit>(c), QString::fromStdString(text));
  }
  void UserEnter(Control c) { QTest::keyClick(window.WidgetOf(c), Qt::Key_Return); }
  void UserClose() { window.close(); }
  test::EventLog rec;
  test::ModalCloser closer;
  QtWindow window;
};

std::string Shown(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  return "[" + text + "]";
}

// One call of a contract row, "SetListIndex cboOrbs(1) 4": what it returns
// or the kind of exception it throws.
template <typename Rig>
std::string Step(Rig& r, const std::string& step) {
  Window& w = r.window;
  std::istringstream in(step);
  std::string op, name, rest;
  in >> op >> name;
  std::getline(in >> std::ws, rest, '\0');
  for (size_t at = rest.find('\n'); at != std::string::npos; at = rest.find('\n', at + 2)) rest.insert(at, "\r");
  const Control c = test::ControlOf(name);
  const auto n = static_cast<int16_t>(std::atoi(rest.c_str()));
  const std::string after = rest.substr(rest.find(' ') + 1);  // a second argument
  std::istringstream args(rest);
  Rect place;
  FontSpec font;
  try {
    if (op == "Fill")
      for (int i = 0; i < n; ++i) w.AddItem(c, S(i + 1) + "\xC2\xB0");
    if (op == "AddItem") w.AddItem(c, rest);
    if (op == "ClearList") w.ClearList(c);
    if (op == "SetListIndex") w.SetListIndex(c, n);
    if (op == "ListIndex") return S(w.ListIndex(c));
    if (op == "ListCount") return S(w.ListCount(c));
    if (op == "ListItem") return Shown(w.ListItem(c, n));
    if (op == "SetListItem") w.SetListItem(c, n, after);
    if (op == "SetItemData") w.SetItemData(c, n, std::atoi(after.c_str()));
    if (op == "ItemData") return S(w.ItemData(c, n));
    if (op == "SetText") w.SetText(c, rest);
    if (op == "AppendText") w.AppendText(c, rest);
    if (op == "Text") return Shown(w.Text(c));
    if (op == "TextLength") return S(w.TextLength(c));
    if (op == "SetCompletions") w.SetCompletions(c, std::vector<Completion>{{rest, rest}});
    if (op == "SetValue") w.SetValue(c, n);
    if (op == "Value") return S(w.Value(c));
    if (op == "Probe") r.rec.probe = [&w, c] { return S(w.Value(c)); };
    if (op == "SetGeometry" && args >> place.Left >> place.Top >> place.Width >> place.Height) w.SetGeometry(c, place);
    if (op == "Geometry") return S(w.Geometry(c));
    if (op == "SetFont" && args >> font.name >> font.size >> font.bold) w.SetFont(c, font);
    if (op == "Font") return w.Font(c).name + " " + S(static_cast<int>(w.Font(c).size)) + " " + S(w.Font(c).bold);
    if (op == "SetCaption") w.SetCaption(rest);
    if (op == "Caption") return Shown(w.Caption());
    if (op == "SetVisible") w.SetVisible(c, n != 0);
    if (op == "Visible") return S(w.Visible(c));
    if (op == "SetEnabled") w.SetEnabled(c, n != 0);
    if (op == "Enabled") return S(w.Enabled(c));
    if (op == "SetFocus") w.SetFocus(c);
    if (op == "UserClick") r.UserClick(c);
    if (op == "UserType") r.UserType(c, rest);
    if (op == "UserEnter") r.UserEnter(c);
    if (op == "UserClose") r.UserClose();
    if (op == "Answer") r.Answer(static_cast<MsgAnswer>(n));
    if (op == "MessageBox")
      return S(static_cast<int>(
          w.MessageBox(rest == "quit" ? MessageBoxRequest{"Save program state for next run?", "Quit", MsgIcon::Question,
                                                          MsgButtons::YesNoCancel, MsgAnswer::No}
                                      : MessageBoxRequest{"Nothing to write.", "", MsgIcon::Exclamation})));
  } catch (const std::logic_error& e) {
    return dynamic_cast<const std::out_of_range*>(&e) ? "out_of_range" : "invalid_argument";
  }
  return "";
}

// --- The main window

// A window in memory that restores from the store at start-up and saves to it.
struct Form {
  explicit Form(SettingsStore& store)
      : form(window, shell,
             {{},
              [&store](FormState& s) { return SaveProgramState(s, store); },
              [&store](FormState& s) { return RestoreProgramState(s, store); }}) {
    window.LoadDesign();
    form.Load();
  }
  // Saves the state with this stop year.
  void Save(const char* stop) {
    window.SetText(Ctl(ControlName::txbStopDate), stop);
    form.Click(Ctl(ControlName::cmdSaveState));
  }
  MemoryWindow window;
  test::FakeShell shell;
  MainForm form;
};

void WriteAll(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
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

class WindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<test::ModalCloser> closer_;
  std::unique_ptr<test::QtForm> qt_;
  QtWindow* window_ = nullptr;
  MainForm* form_ = nullptr;

  QPushButton* Button(N name, int16_t index = 0) { return window_->As<QPushButton>(Ctl(name, index)); }
  QString Output() { return window_->As<QPlainTextEdit>(Ctl(N::txbOutput))->toPlainText(); }

  void ChooseJupiterSaturn(const char* startYear, const char* endYear) {
    QCOMPARE(qt_->WorldRun(startYear, endYear), QString("&Show all world transits between Jupiter and Saturn"));
  }

  QString Folder() const { return folder_->path() + "/Quillfern"; }
  QString FilePath() const { return Folder() + "/SKL.conf"; }

  template <typename Implementation>
  void Check() {
    QStringList failures;
    for (const test::CaseLine& row : test::ReadCases("qt/cases/window_contract.txt")) {
      Implementation rig;
      std::string values;
      for (const QString& step : QString::fromStdString(row[0]).split("; ")) {
        const std::string value = Step(rig, step.toStdString());
        values += value.empty() || values.empty() ? value : " " + value;
      }
      const std::string got = values + " | " + rig.rec.events;
      if (got != row[1] + " | " + row[2]) failures << QString::fromStdString(row.where + ":\n  got  " + got);
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
  }

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // A new settings folder each time: QSettings keeps what it read of a file.
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_->path());
    if (QByteArray(QTest::currentTestFunction()).startsWith("contract")) return;  // windows of its own
    closer_ = std::make_unique<test::ModalCloser>();
    qt_ = std::make_unique<test::QtForm>();
    window_ = &qt_->window, form_ = &qt_->form;
    QVERIFY(qt_->Activate());
  }

  void cleanup() {
    qt_.reset();
    closer_.reset();
  }

  void contractOfTheWindowInMemory() { Check<MemoryRig>(); }
  void contractOfTheQtWindow() { Check<QtRig>(); }

  // The year, which depends on the day, set first.
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

  // Under the pointer the report's row of the innermost band, or of a tick close by.
  void timelineOfARunMatchesItsGoldenImage() {
    ChooseJupiterSaturn("2020", "2020");
    QTest::mouseClick(Button(N::cmdStart), Qt::LeftButton);
    const auto& results = form_->State().Runs.Results();
    const QString mismatch = GoldenMismatch(RenderTimelineImage(BuildTimeline(results)), "timeline_2020.png");
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    // The period over the label column is read whole, however short the labels.
    Timeline shortLabels = BuildTimeline(results);
    for (TimelineRow& row : shortLabels.rows) row.label = "Sun";
    QFont axisFont;
    axisFont.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    axisFont.setPixelSize(11);
    const QString period = QString::fromStdString(FormatDayNumber(shortLabels.axis.firstDay)) +
                           QStringLiteral(" \u2013 ") +
                           QString::fromStdString(FormatDayNumber(shortLabels.axis.lastDay));
    QVERIFY(TimelineLabelWidth(shortLabels) >=
            QFontMetrics(axisFont).horizontalAdvance(period) + 2 * TimelineLayout::kMargin);

    TimelineWindow window(results);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const TimelineLayout layout = window.CanvasLayout();
    const int32_t january1 = results.at(0).startDay;
    // A day from 1 January (day d runs from d to d + 1), the start of its tip.
    const std::pair<double, const char*> kCases[] = {
        {1.5, ""},
        {139.5, "Conjunction | 2020-02-14  2020-04-28              | 2020-05-18r"},
        {344.5, "            |             2020-11-02  2020-12-03  | 2020-12-21*"},
        {300.5, "Conjunction | 2020-02-14"}};
    for (const auto& [day, starts] : kCases) {
      const QString tip =
          window.ToolTipAt(QPoint(static_cast<int>(layout.DayToX(january1 + day)), TimelineLayout::kRowHeight / 2));
      QVERIFY2(starts[0] == '\0' ? tip.isEmpty() : tip.startsWith(QString::fromUtf8(starts)),
               qPrintable(QString("day %1: \"%2\"").arg(day).arg(tip)));
    }
  }

  // Each entry offered is shown whole, and the one chosen enters its text.
  void boxesOfferCompletionsAsTheyAreTyped() {
    test::UserClick(window_->WidgetOf(Ctl(N::optPersonal)));
    QCOMPARE(window_->As<QLineEdit>(Ctl(N::txbBirthPlace))->placeholderText(), QString("Birth place"));
    const std::tuple<QLineEdit*, const char*, const char*, const char*> kCases[] = {
        // the box, what is typed, the first entry offered, the text it enters
        {window_->As<QLineEdit>(Ctl(N::txbBirthPlace)), "Pari",
         "Paris | \u00CEle-de-France Region | FR | 48.8534 | 2.3488 | Europe/Paris", "Paris, FR"},
        {window_->As<QComboBox>(Ctl(N::cboTimezone, 0))->lineEdit(), "Europe/Ber", "Europe/Berlin", "Europe/Berlin"},
    };
    for (const auto& [line, typed, first, entered] : kCases) {
      QVERIFY(line != nullptr && line->isVisible());
      test::UserType(line, typed);
      QCompleter* completer = line->completer();
      QVERIFY(completer != nullptr);
      QTRY_VERIFY(completer->popup()->isVisible());
      QCOMPARE(completer->completionModel()->index(0, 0).data().toString(), QString::fromUtf8(first));
      QTest::keyClick(completer->popup(), Qt::Key_Down);
      QTest::keyClick(completer->popup(), Qt::Key_Return);
      QTRY_COMPARE(line->text(), QString(entered));
    }
    QCOMPARE(window_->ListIndex(Ctl(N::cboTimezone, 0)), int16_t{-1});
  }

  // The timeline window's saves fail with the system's reason (a full disk
  // is the shared FileReplacement's test).
  void timelineSavesTellTheirFailures() {
    TimelineWindow window({});
    QTemporaryDir folder;
    for (const auto& [name, reason] : {std::pair{"none/t.svg", "No such file or directory"}, {"t.svg", ""}}) {
      const QString path = folder.filePath(QString::fromUtf8(name));
      QString error;
      QCOMPARE(window.SaveAs(path, error), *reason == '\0');
      QCOMPARE(error, *reason == '\0' ? QString() : QString("Cannot write %1: %2").arg(path, reason));
      QFile file(path);
      QCOMPARE(file.open(QIODevice::ReadOnly) && file.readAll().startsWith("<?xml"), *reason == '\0');
    }
  }

  // Quit or closing during a run asks at once; Cancel lets the run go on.
  void cancelToQuitDuringARunLetsTheRunGoOn() {
    ChooseJupiterSaturn("1990", "2030");
    for (bool closing : {false, true}) {
      QPushButton* start = Button(N::cmdStart);
      bool askedDuringRun = false;
      QTimer quitter;
      connect(&quitter, &QTimer::timeout, this, [&] {
        if (start->text() != "&Stop" || askedDuringRun) return;
        askedDuringRun = true;
        closer_->Answer(QMessageBox::Cancel);
        closing ? void(window_->close()) : QTest::mouseClick(Button(N::cmdQuit), Qt::LeftButton);
        QCOMPARE(start->text(), QString("&Stop"));
      });
      quitter.start(5);
      const size_t boxes = closer_->MessageBoxes().size();
      QTest::mouseClick(start, Qt::LeftButton);
      quitter.stop();
      QVERIFY(askedDuringRun);
      QCOMPARE(closer_->MessageBoxes().size(), boxes + 1);
      const test::SeenMessageBox& box = closer_->MessageBoxes().back();
      QCOMPARE(std::tuple(box.text + "|" + box.title, box.buttons, box.defaultButton),
               std::tuple(QString("Save program state for next run?|Quit"),
                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No));
      QVERIFY2(!Output().contains("Stopped"), qPrintable(Output().right(200)));
      QCOMPARE(closer_->PopUpTexts().last(), QString("Done"));  // the run's own end
      QVERIFY(window_->isVisible() && !form_->Ended());
    }
  }

  // A crashed save's temporary file is not read; a file cut anywhere loads,
  // each value either as saved or missing.
  void aSaveCutShortLeavesWhatWasSaved() {
    QtSettingsStore first, second;
    Form one(first), other(second);
    for (const auto& [here, there] : {std::pair{"2040", "2050"}, {"1999", "2001"}}) {
      one.Save(here);
      other.Save(there);
      one.form.Click(Ctl(ControlName::cmdRestoreState));
      QCOMPARE(QString::fromStdString(one.form.State().StopDateText), QString(there));
    }
    const std::vector<std::string> saved = StoredValues(second);
    WriteAll(FilePath() + ".Xk3fQa", "[General]\nStop=half");
    QtSettingsStore store;
    QCOMPARE(StoredValues(store), saved);
    QFile file(FilePath());
    const QByteArray whole = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    // Cut at a line end after the count of its entries, the file is damaged.
    const qsizetype counted = whole.indexOf("\nEntryCount=") + 1;
    QVERIFY(counted > 0 && counted < whole.indexOf("\nStateSaved="));
    const qsizetype countEnd = whole.indexOf('\n', counted) + 1;
    for (qsizetype length = whole.size(); length >= 0; --length) {
      WriteAll(FilePath(), whole.left(length));
      QtSettingsStore cut;
      const bool insideALine = length > 0 && whole[length - 1] != '\n';
      QVERIFY2(cut.Damaged() == (insideALine || (length >= countEnd && length < whole.size())),
               qPrintable(QString("cut at %1").arg(length)));
      const std::vector<std::string> values = StoredValues(cut);
      for (size_t i = 0; i < values.size(); ++i)
        QVERIFY2(values[i].empty() || values[i] == saved[i], qPrintable(QString("cut at %1").arg(length)));
      QVERIFY(Form(cut).form.State().FormLoaded);
    }
  }

  // Files that are no saved state are not read (a FIFO waited for ever, a
  // device read until memory ran out); the next save sets them aside.
  void aFileThatIsNoSavedStateIsNotRead() {
    const std::tuple<const char*, std::function<void()>, const char*> kCases[] = {
        // the fault, how it is made, the reason a save gives (nullptr: saved)
        {"a FIFO", [&] { QDir().mkpath(Folder()), ::mkfifo(QFile::encodeName(FilePath()).constData(), 0600); },
         nullptr},
        {"an endless device", [&] { QDir().mkpath(Folder()), QFile::link("/dev/zero", FilePath()); }, nullptr},
        {"99 MB", [&] { WriteAll(FilePath(), "[General]\n"), QFile(FilePath()).resize(99 << 20); }, nullptr},
        {"a file for the folder", [&] { WriteAll(Folder(), "not a folder"); }, "Not a directory"},
        {"a folder for the file", [&] { QDir().mkpath(FilePath()); }, "Is a directory"},
    };
    for (const auto& [fault, make, reason] : kCases) {
      QDir(Folder()).removeRecursively(), QFile::remove(Folder());
      make();
      QtSettingsStore store;
      QVERIFY2(store.Damaged() || reason != nullptr, fault);
      Form form(store);
      QCOMPARE(StoredValues(store), std::vector<std::string>(SavedStateValues().size()));
      form.Save("2040");
      QVERIFY2(form.form.State().StateRecentlySaved == (reason == nullptr), fault);
      if (reason != nullptr) {
        QCOMPARE(form.window.MessageBoxes().at(0).text,
                 "Error saving to registry:\r\n" + FilePath().toStdString() + ": " + reason);
        continue;
      }
      QVERIFY2(QFileInfo(FilePath()).isFile() && QFileInfo(FilePath()).size() < 4096, fault);
      QVERIFY2(QFileInfo(FilePath() + ".damaged").isSymLink() || QFileInfo(FilePath() + ".damaged").exists(), fault);
      QtSettingsStore again;
      QVERIFY2(!again.Damaged(), fault);
      QCOMPARE(StoredValues(again), StoredValues(store));
    }
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::WindowTest)
#include "window_test.moc"
