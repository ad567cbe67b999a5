// Faults of the Qt windows that users met: Enter that closes a message and
// then starts the run again, titles cut, a report scrolled away, windows
// past the screen's edge, files written without a word, help tables out of
// line.
#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>
#include <string>

#include "ports/shell.h"
#include "qt/qt_viewer.h"
#include "qt/qt_window.h"
#include "qt/screen_fit.h"
#include "qt/timeline_view.h"
#include "ui/main_form.h"

namespace skyloom {

using N = ControlName;

namespace {

struct NoShell : Shell {
  int OpenDocument(const std::string&) override { return 0; }
};

// Calls the handler with each modal window that shows, from inside its
// modal loop, every few milliseconds; the handler closes it.
class ModalWatcher : public QObject {
 public:
  explicit ModalWatcher(std::function<void(QWidget*)> handler) : handler_(std::move(handler)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != nullptr && modal->isVisible() && modal != busy_) {
        busy_ = modal;
        handler_(modal);
        busy_ = nullptr;
      }
    });
    timer_.start(20);
  }

 private:
  std::function<void(QWidget*)> handler_;
  QTimer timer_;
  QWidget* busy_ = nullptr;
};

}  // namespace

class WindowFaultsTest : public QObject {
  Q_OBJECT

  NoShell shell_;
  std::unique_ptr<QtWindow> window_;
  std::unique_ptr<MainForm> form_;

  QWidget* Widget(N name, int16_t index = 0) { return window_->WidgetOf(Ctl(name, index)); }

  void TypeInto(N name, int16_t index, const char* text) {
    auto* box = window_->As<QLineEdit>(Ctl(name, index));
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
  }

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void init() {
    window_ = std::make_unique<QtWindow>();
    form_ = std::make_unique<MainForm>(*window_, shell_);
    form_->Load();
    window_->SetListIndex(Ctl(N::cboTimezone, 0), 24);  // GMT
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void cleanup() {
    form_.reset();
    window_.reset();
  }

  // Enter in the end date's day box starts the run on its release; the
  // Enter that closes the message the press brought up is released in the
  // same box, and must not start it again (it did, for ever).
  void enterThatClosesAMessageStartsNothing_data() {
    QTest::addColumn<QString>("endMonth");
    QTest::addColumn<QString>("endDay");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("runs");
    QTest::newRow("no transits") << "11"
                                 << "10"
                                 << "There are no transits of this kind in the period specified." << 1;
    QTest::newRow("no such date") << "2"
                                  << "30"
                                  << "The end date is invalid." << 0;
  }
  void enterThatClosesAMessageStartsNothing() {
    QFETCH(QString, endMonth);
    QFETCH(QString, endDay);
    QFETCH(QString, message);
    QFETCH(int, runs);
    auto* world = window_->As<QRadioButton>(Ctl(N::optWorld));
    QTest::mouseClick(world, Qt::LeftButton, {}, QPoint(8, world->height() / 2));
    window_->SetListIndex(Ctl(N::cboPlanet, 0), 4);  // Jupiter
    window_->SetListIndex(Ctl(N::cboPlanet, 1), 4);  // Saturn
    form_->Click(Ctl(N::cboPlanet, 1));
    TypeInto(N::txbYear, 0, "2026");
    TypeInto(N::txbMonth, 0, "11");
    TypeInto(N::txbDay, 0, "1");
    TypeInto(N::txbYear, 1, "2026");
    TypeInto(N::txbMonth, 1, endMonth.toLatin1().constData());
    TypeInto(N::txbDay, 1, endDay.toLatin1().constData());

    QStringList seen;
    QWidget* dayBox = Widget(N::txbDay, 1);
    ModalWatcher watcher([&seen, dayBox](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (box == nullptr) return;
      seen << box->text();
      // Closed as a user does, by Enter; past a few boxes the fault is plain,
      // and the loop is broken without a key.
      if (seen.size() > 3) {
        box->defaultButton()->click();
        return;
      }
      QTest::keyPress(box, Qt::Key_Return);
      // Released once the box has gone, in the date box, which has the
      // focus again on the desktop.
      QTimer::singleShot(100, dayBox, [dayBox] { QTest::keyRelease(dayBox, Qt::Key_Return); });
    });
    const int32_t before = form_->State().Runs.RunsStarted();
    QTest::keyClick(dayBox, Qt::Key_Return);
    QTest::qWait(600);  // a release that started a run again would show here
    QCOMPARE(seen, QStringList{message});
    QCOMPARE(form_->State().Runs.RunsStarted() - before, runs);
  }

  // A message titled with the long Start caption is wide enough to show
  // the whole title; a short one keeps its own size.
  void messageBoxShowsItsWholeTitle() {
    const QString titles[] = {QStringLiteral("Show all world transits between Jupiter and Saturn"),
                              QStringLiteral("Show all transits by transiting Saturn to natal planets")};
    for (const QString& title : titles) {
      int width = 0;
      ModalWatcher watcher([&width](QWidget* modal) {
        width = modal->width();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) box->defaultButton()->click();
      });
      window_->MessageBox({"Start date is not valid.", title.toStdString(), MsgIcon::Exclamation});
      // Room for the title in the desktop's bold title font, and for the
      // title bar's icon and buttons.
      QFont titleFont = QApplication::font();
      titleFont.setBold(true);
      QVERIFY2(width >= QFontMetrics(titleFont).horizontalAdvance(title) + 100,
               qPrintable(QString("%1: %2 pixels").arg(title).arg(width)));
    }
  }

  // "Write output to file" leaves the report where the user had scrolled.
  void writingTheOutputKeepsItsScrollPosition() {
    QString text;
    for (int i = 0; i < 400; ++i) text += QString("line %1\r\n").arg(i);
    window_->SetText(Ctl(N::txbOutput), text.toStdString());
    auto* output = window_->As<QPlainTextEdit>(Ctl(N::txbOutput));
    output->verticalScrollBar()->setValue(150);
    QTemporaryDir folder;
    const QString path = folder.filePath("report.txt");
    QStringList seen;
    ModalWatcher watcher([&](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();  // as the dialog's Save button does
      } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen << box->text();
        box->defaultButton()->click();
      }
    });
    form_->Click(Ctl(N::cmdFile));  // the button is enabled by the first run
    QCOMPARE(seen, QStringList{"Output written to file " + path});
    QCOMPARE(output->verticalScrollBar()->value(), 150);
  }

  // Frames inside, reaching past an edge, larger than the screen.
  void windowsAreFittedIntoTheScreen() {
    const QRect screen(0, 0, 1024, 740);
    const struct {
      QRect frame, want;
    } kCases[] = {
        {{100, 100, 600, 400}, {100, 100, 600, 400}},
        {{600, 300, 600, 500}, {424, 240, 600, 500}},  // the viewer after a run at 1024 x 768
        {{-50, -20, 300, 200}, {0, 0, 300, 200}},
        {{40, 50, 1200, 780}, {0, 0, 1024, 740}},  // a ten-year timeline
    };
    for (const auto& c : kCases) QCOMPARE(FitFrameInto(c.frame, screen), c.want);

    // The viewer placed past the offscreen screen's corner comes back on it.
    QtViewer viewer;
    viewer.SetFormGeometry(Rect{20000, 15000, 12000, 8000});
    viewer.Show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    const QRect available = viewer.screen()->availableGeometry();
    QVERIFY2(available.contains(viewer.frameGeometry()),
             qPrintable(QDebug::toString(viewer.frameGeometry()) + " in " + QDebug::toString(available)));
  }

  // The help text's tables are columns of characters.
  void helpTextIsInAFixedPitchFont() {
    QtViewer viewer;
    auto* text = viewer.findChild<QPlainTextEdit*>(QStringLiteral("txbText1"));
    QVERIFY(text != nullptr);
    QVERIFY(QFontInfo(text->font()).fixedPitch());
  }

  // A saved timeline says which file it went to.
  void savedTimelineTellsItsFile() {
    TimelineWindow timeline({});
    QTemporaryDir folder;
    const QString path = folder.filePath("t.svg");
    timeline.SetFileChooser([&path](const QString&, const QString&, const QString&) { return path; });
    QStringList seen;
    ModalWatcher watcher([&seen](QWidget* modal) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen << box->text();
        box->button(QMessageBox::Ok)->click();
      }
    });
    QTest::mouseClick(timeline.findChild<QPushButton*>(QStringLiteral("cmdSaveSvg")), Qt::LeftButton);
    QCOMPARE(seen, QStringList{"Timeline written to file " + path});
    QVERIFY(QFileInfo(path).size() > 0);
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::WindowFaultsTest)
#include "window_faults_test.moc"
