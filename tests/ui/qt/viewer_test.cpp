// The Qt viewer's wiring: the help file from beside the program, the close
// button, the smallest size.
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "engine/bodies.h"
#include "ui/help_viewer.h"
#include "ports/program_folder.h"
#include "ui/qt/qt_viewer.h"

namespace skyloom {

class ViewerTest : public QObject {
  Q_OBJECT

 private:
  static constexpr Rect kMain{1440, 1440, 13800, 6500};

  // Help pressed in the main window: the viewer shows and, once active, loads.
  static void ShowHelp(QtViewer& viewer, TextViewer& core) {
    core.HelpCommand(kMain, ExecutableFolder());
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QTRY_VERIFY(core.blnFileDisplayed);
  }

 private slots:
  void showsTheHelpFileFromTheProgramsFolder() {
    QtViewer viewer;
    TextViewer core(viewer);
    ShowHelp(viewer, core);

    QFile file(QString::fromStdString(ExecutableFolder() + HelpFileName));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString expected = QString::fromUtf8(file.readAll());
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QVERIFY(expected.size() > 1000);

    auto* box = viewer.findChild<QPlainTextEdit*>(QStringLiteral("txbText1"));
    QVERIFY(box != nullptr);
    QCOMPARE(box->toPlainText(), expected);
    QVERIFY(box->isReadOnly());
    QCOMPARE(viewer.windowTitle(), QStringLiteral("Help"));
    QCOMPARE(box->textCursor().position(), 0);
  }

  void closeButtonHidesAndKeepsTheText() {
    QtViewer viewer;
    TextViewer core(viewer);
    ShowHelp(viewer, core);
    auto* close = viewer.findChild<QPushButton*>(QStringLiteral("cmdClose"));
    QVERIFY(close != nullptr);
    QCOMPARE(close->text(), QStringLiteral("Close"));

    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!viewer.isVisible());
    QVERIFY(core.blnFileDisplayed);
    QVERIFY(!viewer.Text().empty());

    // The window's own close box unloads: the next showing reads afresh.
    ShowHelp(viewer, core);
    QVERIFY(viewer.close());
    QVERIFY(!viewer.isVisible());
    QVERIFY(!core.blnFileDisplayed);
  }

  void cannotBeMadeSmallerThanTheMinimum() {
    QtViewer viewer;
    TextViewer core(viewer);
    ShowHelp(viewer, core);
    viewer.resize(50, 40);
    QTRY_VERIFY(viewer.FormGeometry().Width >= ViewerMinWidth);
    QVERIFY(viewer.FormGeometry().Height >= ViewerMinHeight);

    // The controls follow the window: the box 450 narrower and 1200 lower,
    // the button under its right end. A pixel is at most 30 twips here.
    const Rect form = viewer.FormGeometry();
    const Rect text = viewer.Geometry(ViewerControl::txbText1);
    const Rect close = viewer.Geometry(ViewerControl::cmdClose);
    QVERIFY(std::abs(text.Width - (form.Width - 450)) <= 30);
    QVERIFY(std::abs(text.Height - (form.Height - 1200)) <= 30);
    QVERIFY(std::abs(close.Left + close.Width - (text.Left + text.Width)) <= 30);
    QVERIFY(std::abs(close.Top - (text.Top + text.Height + 100)) <= 30);
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::ViewerTest)
#include "viewer_test.moc"
