#include "qt/support/qt_form.h"

#include <QtTest>

#include "calendar/time_zones.h"
#include "qt/popup.h"

namespace skyloom::test {

QtForm::QtForm() {
  form.Load();
  window.SetListIndex(Ctl(ControlName::cboTimezone, 0), GreenwichPosition);
}

bool ShowActive(QWidget& window) {
  window.show();
  window.activateWindow();
  return QTest::qWaitForWindowActive(&window);
}

QString QtForm::WorldRun(const char* startYear, const char* endYear) {
  UserClick(window.WidgetOf(Ctl(ControlName::optWorld)));
  for (int16_t list : {0, 1}) {
    window.WidgetOf(Ctl(ControlName::cboPlanet, list))->setFocus();
    QTest::keyClick(window.WidgetOf(Ctl(ControlName::cboPlanet, list)), Qt::Key_Down);
  }
  for (int16_t date : {0, 1})
    UserType(window.As<QLineEdit>(Ctl(ControlName::txbYear, date)), date == 0 ? startYear : endYear);
  QTest::mouseClick(window.WidgetOf(Ctl(ControlName::txbMonth)), Qt::LeftButton);
  return window.As<QPushButton>(Ctl(ControlName::cmdStart))->text();
}

void UserClick(QWidget* widget) {
  const bool indicator = qobject_cast<QRadioButton*>(widget) || qobject_cast<QCheckBox*>(widget);
  QTest::mouseClick(widget, Qt::LeftButton, {}, indicator ? QPoint(8, widget->height() / 2) : QPoint());
}

void UserType(QLineEdit* box, const QString& text) {
  QTest::mouseClick(box, Qt::LeftButton);
  box->selectAll();
  QTest::keyClicks(box, text);
}

void EventLog::Click(Control c) {
  const ControlKind kind = InfoOf(c.name).kind;
  std::string event = "Click " + Name(c);
  if (kind == ControlKind::ComboBox) event += "=" + std::to_string(w->ListIndex(c));
  if (kind == ControlKind::CheckBox || kind == ControlKind::OptionButton) event += "=" + std::to_string(w->Value(c));
  Add(probe ? event + "/" + probe() : event);
}

std::string EventLog::Name(Control c) {
  return std::string(InfoOf(c.name).text) + (InfoOf(c.name).count > 1 ? "(" + std::to_string(c.index) + ")" : "");
}

ModalWatcher::ModalWatcher(std::function<void(QWidget*)> handler) : handler_(std::move(handler)) {
  connect(&timer_, &QTimer::timeout, this, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal == busy_) return;
    busy_ = modal;
    handler_(modal);
    busy_ = nullptr;
  });
  timer_.start(20);
}

ModalCloser::ModalCloser() {
  connect(&timer_, &QTimer::timeout, this, &ModalCloser::Poll);
  timer_.start(20);
}

void ModalCloser::Poll() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (!widget->isVisible()) continue;
    if (auto* box = qobject_cast<QMessageBox*>(widget)) {
      boxes_.push_back(
          {box->text(), box->windowTitle(), box->standardButtons(), box->standardButton(box->defaultButton())});
      QAbstractButton* button = answers_.empty() ? box->defaultButton() : box->button(answers_.front());
      if (!answers_.empty()) answers_.pop_front();
      if (button == nullptr) button = box->escapeButton();
      if (button != nullptr) button->click();  // hidden at once, not counted twice
      return;
    }
    if (auto* popUp = qobject_cast<PopUpWindow*>(widget)) {
      popUps_ << popUp->Message()->text();
      QTest::mouseClick(popUp->Message(), Qt::LeftButton);
      return;
    }
  }
}

}  // namespace skyloom::test
