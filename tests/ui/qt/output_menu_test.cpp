// The output box's context menu offers the exports and the timeline after
// the toolkit's own editing entries.
#include <QAction>
#include <QMenu>
#include <QTest>

#include <memory>

#include "ports/shell.h"
#include "ui/main_form.h"
#include "ui/qt/output_menu.h"
#include "ui/qt/qt_window.h"

namespace skyloom {
namespace {

class NoShell : public Shell {
 public:
  int OpenDocument(const std::string&) override { return 0; }
};

QStringList Texts(const QMenu& menu) {
  QStringList texts;
  for (const QAction* action : menu.actions())
    if (!action->isSeparator()) texts << action->text();
  return texts;
}

QAction* Find(const QMenu& menu, const QString& text) {
  for (QAction* action : menu.actions())
    if (action->text() == text) return action;
  return nullptr;
}

}  // namespace

class OutputMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void offersTheExportsAndTheTimeline() {
    QtWindow window;
    NoShell shell;
    MainForm form(window, shell);
    form.Load();
    int timelines = 0;
    std::unique_ptr<QMenu> menu(BuildResultsMenu(window, form.State(), [&] { ++timelines; }, QPoint(5, 5)));
    const QStringList texts = Texts(*menu);
    QVERIFY(texts.contains("Export as iCalendar..."));
    QVERIFY(texts.contains("Export as CSV..."));
    QVERIFY(texts.contains("Export as JSON..."));
    QCOMPARE(texts.last(), QString("Show timeline..."));
    // The toolkit's own entries come first.
    QVERIFY(texts.indexOf("Export as iCalendar...") > 0);
    Find(*menu, "Show timeline...")->trigger();
    QCOMPARE(timelines, 1);
  }

  void exportsWaitWhileARunGoesOn() {
    QtWindow window;
    NoShell shell;
    MainForm form(window, shell);
    form.Load();
    window.SetText(Ctl(ControlName::cmdStart), "Stop");
    std::unique_ptr<QMenu> menu(BuildResultsMenu(window, form.State(), {}, QPoint(5, 5)));
    QVERIFY(!Find(*menu, "Export as CSV...")->isEnabled());
    QVERIFY(Find(*menu, "Show timeline...") == nullptr);
  }
};

}  // namespace skyloom

QTEST_MAIN(skyloom::OutputMenuTest)
#include "output_menu_test.moc"
