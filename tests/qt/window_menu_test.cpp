// The window's menu bar and keyboard on Qt widgets.
#include <QtTest>
#include <QtWidgets>

#include <string>
#include <utility>

#include "qt/support/qt_form.h"
#include "qt/window_menu.h"
#include "runs/form_state.h"
#include "support/case_file.h"
#include "support/options_text.h"

namespace skyloom {

using N = ControlName;

namespace {

// The clicks alone: the keys pressed and the focus moved are the contract's.
struct Clicks : test::EventLog {
  void LostFocus(Control) override {}
  void KeyUp(Control, int) override {}
};

}  // namespace

class WindowMenuTest : public QObject {
  Q_OBJECT

  QAction* Action(const char* name) { return window_->findChild<QAction*>(name); }

  // What choosing an entry passes on, its menu opened first to update it.
  std::string Choose(const char* name) {
    QAction* action = Action(name);
    if (action == nullptr) return std::string("no entry ") + name;
    for (QMenu* menu : window_->findChildren<QMenu*>()) emit menu->aboutToShow();
    clicks_.events.clear();
    if (action->isEnabled()) action->trigger();
    return clicks_.events;
  }

 private slots:
  void init() {
    window_ = std::make_unique<QtWindow>();
    state_ = std::make_unique<FormState>(*window_);
    clicks_.w = window_.get();
    window_->SetEventSink(&clicks_);
    AddWindowMenus(*window_, *state_, [this] { clicks_.Add("timeline"); });
    QVERIFY(test::ShowActive(*window_));
  }
  void cleanup() {
    window_->SetEventSink(nullptr);
    state_.reset();
    window_.reset();
  }

  // Each entry that has a button presses it, only while the button may be
  // pressed; F1, Ctrl+Q and the buttons' Alt letters press what they name.
  void menuEntriesAndKeysPressTheirButtons() {
    window_->SetValue(Ctl(N::optPersonal), 1);
    const std::pair<N, const char*> captions[] = {{N::cmdSearch, "Search"},
                                                  {N::cmdSaveState, "Save state"},
                                                  {N::cmdRestoreState, "Restore state"},
                                                  {N::cmdQuit, "Quit"},
                                                  {N::cmdHelp, "Help"}};
    for (const auto& [button, caption] : captions) window_->SetText(Ctl(button), caption);
    for (const test::CaseLine& row : test::ReadCases("qt/cases/menu_presses.txt")) {
      if (row[0].starts_with("act")) {
        QCOMPARE(QString::fromStdString(Choose(row[0].c_str())), QString::fromStdString(row[1]));
        continue;
      }
      const QKeyCombination key = QKeySequence::fromString(QString::fromStdString(row[0]))[0];
      clicks_.events.clear();
      QTest::keyClick(window_->WidgetOf(Ctl(N::txbYear, 0)), key.key(), key.keyboardModifiers());
      QTest::qWait(150);  // a button's own letter clicks it a moment later, as a click shows
      QVERIFY2(clicks_.events == row[1], qPrintable(QString::fromStdString(row.where + ": " + clicks_.events)));
    }
    QCOMPARE(window_->Value(Ctl(N::chkOutputAsHTML)), int16_t{1});
    QCOMPARE(window_->Text(Ctl(N::cmdSaveState)), std::string("Save state"));  // the captions stay the program's

    // Hidden or greyed buttons are not pressed through the menus either.
    window_->SetVisible(Ctl(N::cmdFile), false);
    window_->SetEnabled(Ctl(N::cmdHelp), false);
    window_->SetVisible(Ctl(N::cmdShowAll, 1), false);
    window_->SetValue(Ctl(N::optWorld), 1);
    for (const char* entry : {"actWriteOutput", "actHelp", "actShowAllInner", "actWholeChart"})
      QCOMPARE(Choose(entry), std::string());
    // The captions of the show-all entries are the buttons'.
    window_->SetText(Ctl(N::cmdShowAll, 0), "Show all transits between Saturn & the others");
    Choose("actShowAllOuter");
    QCOMPARE(Action("actShowAllOuter")->text(), QString("Show all transits between Saturn && the others"));
    window_->SetText(Ctl(N::cmdClear), "Clear & go");
    QCOMPARE(window_->Text(Ctl(N::cmdClear)), std::string("Clear & go"));
  }

  // Each Options entry sets its own choice (moving bodies greyed in world mode).
  void optionsMenuSetsTheRunOptions_data() {
    QTest::addColumn<int>("row");
    const auto rows = test::ReadCases("qt/cases/menu_options.txt");
    for (size_t i = 0; i < rows.size(); ++i) QTest::newRow(rows[i].where.c_str()) << static_cast<int>(i);
  }
  void optionsMenuSetsTheRunOptions() {
    QFETCH(int, row);
    const test::CaseLine c = test::ReadCases("qt/cases/menu_options.txt").at(static_cast<size_t>(row));
    const bool personal = c[0] == "personal";
    window_->SetValue(Ctl(personal ? N::optPersonal : N::optWorld), 1);
    for (const QString& entry : QString::fromStdString(c[1]).split(' ')) {
      const bool greyed = entry.startsWith('-');
      const QByteArray name = entry.mid(greyed ? 1 : 0).toUtf8();
      QVERIFY2(Choose(name.constData()).empty() && Action(name.constData())->isEnabled() != greyed, name.constData());
    }
    QCOMPARE(QString::fromStdString(test::OptionsText(state_->Options)), QString::fromStdString(c[2]));
    for (const QString& entry : QString::fromStdString(c[3]).split(' ')) {
      const bool unchecked = entry.startsWith('!');
      QAction* action = Action(entry.mid(unchecked ? 1 : 0).toUtf8().constData());
      QVERIFY2(action != nullptr && action->isChecked() != unchecked, qPrintable(entry));
    }
  }

  void tabFollowsTheFormAsItReads() {
    QStringList got;
    for (QWidget* w : window_->TabOrder()) got << w->objectName();
    QCOMPARE(got.join(' '), QString::fromStdString(test::ReadCases("qt/cases/tab_order.txt").at(0)[0]));
    // And the key itself: from the start date's day to the end date's year.
    window_->WidgetOf(Ctl(N::txbDay, 0))->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window_->WidgetOf(Ctl(N::txbYear, 1)));
  }

 private:
  Clicks clicks_;
  std::unique_ptr<QtWindow> window_;
  std::unique_ptr<FormState> state_;
};

}  // namespace skyloom

QTEST_MAIN(skyloom::WindowMenuTest)
#include "window_menu_test.moc"
