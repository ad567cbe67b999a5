// Faults of the Qt windows that users met.
#include <QtTest>
#include <QtWidgets>

#include <fstream>
#include <memory>
#include <string>

#include "qt/chart_dialog.h"
#include "qt/qt_viewer.h"
#include "qt/screen_fit.h"
#include "qt/support/qt_form.h"
#include "qt/timeline_view.h"
#include "qt/window_menu.h"
#include "store/chart_store.h"
#include "support/case_file.h"

namespace skyloom {

using N = ControlName;

using test::ModalWatcher;

class WindowFaultsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::QtForm> qt_;
  QtWindow* window_ = nullptr;
  QTemporaryDir dir_;

  QWidget* Widget(N name, int16_t index = 0) { return window_->WidgetOf(Ctl(name, index)); }

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void init() {
    qt_ = std::make_unique<test::QtForm>();
    window_ = &qt_->window;
    QVERIFY(qt_->Activate());
  }

  void cleanup() { qt_.reset(); }

  // Enter in the end day's box starts the run on its release; the Enter
  // that closed the message, released in the box, started it again for ever.
  void enterThatClosesAMessageStartsNothing() {
    QWidget* dayBox = Widget(N::txbDay, 1);
    test::UserClick(Widget(N::optWorld));
    for (const test::CaseLine& c : test::ReadCases("qt/cases/enter_messages.txt")) {
      window_->SetListIndex(Ctl(N::cboPlanet, 0), 4);  // Jupiter
      window_->SetListIndex(Ctl(N::cboPlanet, 1), 4);  // Saturn
      const std::string texts[] = {"2026", "11", "1", "2026", c[0], c[1]};
      for (int k = 0; k < 6; ++k)
        window_->SetText(Ctl(k % 3 == 0 ? N::txbYear : k % 3 == 1 ? N::txbMonth : N::txbDay, int16_t(k / 3)), texts[k]);
      QStringList seen;
      ModalWatcher watcher([&seen, dayBox](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) return;
        seen << box->text();
        if (seen.size() > 3) return box->defaultButton()->click();  // the fault shown: the loop broken
        QTest::keyPress(box, Qt::Key_Return);
        QTimer::singleShot(100, dayBox, [dayBox] { QTest::keyRelease(dayBox, Qt::Key_Return); });
      });
      const int32_t before = qt_->form.State().Runs.RunsStarted();
      dayBox->setFocus();
      QTest::keyClick(dayBox, Qt::Key_Return);
      QTest::qWait(500);  // a release that started it again would show here
      QCOMPARE(seen, QStringList{QString::fromStdString(c[2])});
      QCOMPARE(qt_->form.State().Runs.RunsStarted() - before, std::stoi(c[3]));
    }
  }

  // The report put back trimmed by "Write output to file" stays scrolled.
  void writingTheOutputKeepsItsScrollPosition() {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i) + "\r\n";
    auto* output = window_->As<QPlainTextEdit>(Ctl(N::txbOutput));
    window_->SetText(Ctl(N::txbOutput), "  " + text + "  ");
    output->verticalScrollBar()->setValue(150);
    for (const auto& [written, position] :
         {std::pair{"  " + text + "  ", 150}, {text.substr(0, text.size() - 2), 150}, {"other\r\n" + text, 0}}) {
      window_->SetText(Ctl(N::txbOutput), written);
      QCOMPARE(output->verticalScrollBar()->value(), position);
    }
  }

  // The viewer after a run at 1024 x 768; a ten-year timeline.
  void windowsStayOnTheScreen() {
    const QRect screen(0, 0, 1024, 740);
    QCOMPARE(FitFrameInto({100, 100, 600, 400}, screen), QRect(100, 100, 600, 400));
    QCOMPARE(FitFrameInto({600, 300, 600, 500}, screen), QRect(424, 240, 600, 500));
    QCOMPARE(FitFrameInto({-50, 50, 1200, 780}, screen), QRect(0, 0, 1024, 740));

    QtViewer viewer;
    viewer.SetFormGeometry(Rect{20000, 15000, 12000, 8000});
    viewer.Show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(viewer.screen()->availableGeometry().contains(viewer.frameGeometry()));
    // Fixed-pitch by its widths: Noto Sans Mono does not call itself so.
    const QFontMetrics metrics(viewer.findChild<QPlainTextEdit*>(QStringLiteral("txbText1"))->font());
    for (const QChar c : QStringLiteral("iW0 .|-°"))
      QCOMPARE(metrics.horizontalAdvance(QString(10, c)), metrics.horizontalAdvance(QStringLiteral("mmmmmmmmmm")));
  }

  // A long title has room in a bold font beside the title bar's buttons.
  void messagesAreWhole() {
    TimelineWindow timeline({});
    const QString path = dir_.filePath("t.svg");
    timeline.SetFileChooser([&path](const QString&, const QString&, const QString&) { return path; });
    QStringList seen;
    int width = 0;
    ModalWatcher watcher([&seen, &width](QWidget* modal) {
      width = modal->width();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) seen << box->text(), box->defaultButton()->click();
    });
    QTest::mouseClick(timeline.findChild<QPushButton*>(QStringLiteral("cmdSaveSvg")), Qt::LeftButton);
    QCOMPARE(seen, QStringList{"Timeline written to file " + path});
    const QString title = QStringLiteral("Show all world transits between Jupiter and Saturn");
    window_->MessageBox({"Start date is not valid.", title.toStdString(), MsgIcon::Exclamation});
    QFont bold = QApplication::font();
    bold.setBold(true);
    QVERIFY2(width >= QFontMetrics(bold).horizontalAdvance(title) + 100, qPrintable(QString::number(width)));
  }

  // Larger, the window gives the output box all its new room.
  void outputBoxGrowsWithTheWindow() {
    QWidget* output = Widget(N::txbOutput);
    const QRect startBefore = Widget(N::cmdStart)->geometry(), outputBefore = output->geometry();
    for (QSize size : {QSize(1500, 1000), QSize(2400, 1300)}) {
      window_->resize(size);
      QTRY_COMPARE(window_->size(), size);
      // The margin right of the box is the one it has at the least size.
      const int margin = window_->width() - window_->ToPixelsX(400) - output->geometry().right();
      QVERIFY2(std::abs(margin) <= 2, qPrintable(QString("box ends %1 from its place").arg(margin)));
      QVERIFY(output->height() > outputBefore.height() + 200);
      QCOMPARE(Widget(N::cmdStart)->geometry(), startBefore);
      QVERIFY(std::abs(Widget(N::cmdQuit)->geometry().right() - output->geometry().right()) <= 2);
    }
  }

  // Escape during a run stops it, as Stop does; the progress goes with it.
  void escapeStopsARun() {
    MainForm& form = qt_->form;
    AddWindowMenus(*window_, form.State(), {});
    qt_->WorldRun("1800", "2099");
    bool pressed = false, progressShown = false;
    QTimer escape;
    connect(&escape, &QTimer::timeout, this, [&] {
      if (pressed || !form.State().Runs.Running()) return;
      pressed = true;
      progressShown = window_->ProgressBar()->isVisible();
      QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window_, Qt::Key_Escape);
    });
    escape.start(20);
    window_->Press(Ctl(N::cmdStart));
    escape.stop();
    const QString output = QString::fromStdString(window_->Text(Ctl(N::txbOutput)));
    QVERIFY2(pressed && progressShown && output.contains("Stopped"), qPrintable(output.right(300)));
    QVERIFY(!window_->ProgressBar()->isVisible());
  }

  // A file that is no collection is named and keeps its bytes.
  void chartCollections() {
    const std::string folder = dir_.path().toStdString() + "/";
    for (const QByteArray& bytes :
         {QByteArray("name,birth\r\nAda,1815-12-10\r\n"), QByteArray("SQLite format 3\0garbage", 23)}) {
      std::ofstream(folder + "damaged.sqlite", std::ios::binary).write(bytes.constData(), bytes.size());
      QString told;
      test::ModalWatcher watcher([&told](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) told = box->text();
        modal->close();
      });
      ShowChartDialog(qt_->window, qt_->form.State(), folder + "damaged.sqlite");
      QVERIFY2(told.contains(QString::fromStdString(folder + "damaged.sqlite")), qPrintable(told));
      std::ifstream in(folder + "damaged.sqlite", std::ios::binary);
      QCOMPARE(QByteArray::fromStdString({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}),
               bytes);
    }
    {
      ChartStore store(folder + "charts.sqlite");
      store.Add({"Ada", "1815-12-10", "13:00", "GMT", "", {}, {}, "", {}, ""});
      store.Add({"Bea", "1985-07-04", "14:37", "Europe/Berlin", "", {}, {}, "", {}, ""});
    }
    int rows = -1;
    test::ModalWatcher watcher([&rows](QWidget* modal) {
      auto* list = modal->findChild<QListWidget*>("lstCharts");
      rows = list != nullptr ? list->count() : -1;
      if (list != nullptr) list->setCurrentRow(1);
      if (auto* use = modal->findChild<QPushButton*>("cmdUseChart")) use->click();
      if (modal->isVisible()) modal->close();
    });
    ShowChartDialog(qt_->window, qt_->form.State(), folder + "charts.sqlite");
    QCOMPARE(rows, 2);
    const std::string birth = window_->Text(Ctl(N::txbYear, 2)) + "-" + window_->Text(Ctl(N::txbDay, 2)) + " " +
                              window_->Text(Ctl(N::cboTimezone, 1));
    QCOMPARE(QString::fromStdString(birth), QString("1985-4 Europe/Berlin"));
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::WindowFaultsTest)
#include "window_faults_test.moc"
