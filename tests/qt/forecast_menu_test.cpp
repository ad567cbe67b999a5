// The Options menu's tables and moving bodies on Qt widgets: each entry
// sets its own choice, and the moving bodies wait, greyed, in world mode.
#include <QtTest>
#include <QtWidgets>

#include <memory>

#include "qt/qt_window.h"
#include "qt/window_menu.h"
#include "runs/form_state.h"

namespace skyloom {

using N = ControlName;

class ForecastMenuTest : public QObject {
  Q_OBJECT

  // Chooses an entry as a user would, its menus opened first; false when
  // the entry is missing or greyed.
  bool Choose(const char* name) {
    auto* action = window_->findChild<QAction*>(name);
    if (action == nullptr) return false;
    for (QMenu* menu : window_->findChildren<QMenu*>()) emit menu->aboutToShow();
    if (!action->isEnabled()) return false;
    action->trigger();
    return true;
  }

 private slots:
  void init() {
    window_ = std::make_unique<QtWindow>();
    state_ = std::make_unique<FormState>(*window_);
    AddWindowMenus(*window_, *state_, {});
  }
  void cleanup() {
    state_.reset();
    window_.reset();
  }

  void entriesSetTheirChoices_data() {
    QTest::addColumn<bool>("personal");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("available");
    QTest::addColumn<int>("eclipses");
    QTest::addColumn<int>("lunations");
    QTest::addColumn<int>("voidOfCourse");
    QTest::addColumn<int>("progression");
    const int transit = static_cast<int>(ProgressionKind::Transit);
    const int progressed = static_cast<int>(ProgressionKind::Progressed);
    const int directed = static_cast<int>(ProgressionKind::Directed);
    QTest::newRow("eclipses") << false << "actEclipses" << true << 1 << 0 << 0 << transit;
    QTest::newRow("lunations") << false << "actLunations" << true << 0 << 1 << 0 << transit;
    QTest::newRow("void of course") << true << "actVoidOfCourse" << true << 0 << 0 << 1 << transit;
    QTest::newRow("progressed") << true << "actProgressed" << true << 0 << 0 << 0 << progressed;
    QTest::newRow("directed") << true << "actDirected" << true << 0 << 0 << 0 << directed;
    QTest::newRow("progressed, world") << false << "actProgressed" << false << 0 << 0 << 0 << transit;
    QTest::newRow("directed, world") << false << "actDirected" << false << 0 << 0 << 0 << transit;
  }
  void entriesSetTheirChoices() {
    QFETCH(bool, personal);
    QFETCH(QString, entry);
    QFETCH(bool, available);
    QFETCH(int, eclipses);
    QFETCH(int, lunations);
    QFETCH(int, voidOfCourse);
    QFETCH(int, progression);
    window_->SetValue(Ctl(personal ? N::optPersonal : N::optWorld), 1);
    window_->SetValue(Ctl(personal ? N::optWorld : N::optPersonal), 0);
    QCOMPARE(Choose(entry.toUtf8().constData()), available);
    const RunOptions& o = state_->Options;
    QCOMPARE(int(o.eclipses), eclipses);
    QCOMPARE(int(o.lunations), lunations);
    QCOMPARE(int(o.voidOfCourse), voidOfCourse);
    QCOMPARE(static_cast<int>(o.progression), progression);
  }

 private:
  std::unique_ptr<QtWindow> window_;
  std::unique_ptr<FormState> state_;
};

}  // namespace skyloom

QTEST_MAIN(skyloom::ForecastMenuTest)
#include "forecast_menu_test.moc"
