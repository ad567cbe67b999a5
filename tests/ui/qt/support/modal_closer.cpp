#include "ui/qt/support/modal_closer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ui/qt/popup.h"

namespace skyloom::qttest {

ModalCloser::ModalCloser() {
  timer_.setInterval(20);
  connect(&timer_, &QTimer::timeout, this, &ModalCloser::Poll);
  timer_.start();
}

void ModalCloser::Poll() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (!widget->isVisible()) continue;
    if (auto* box = qobject_cast<QMessageBox*>(widget)) {
      SeenMessageBox seen;
      seen.text = box->text();
      seen.title = box->windowTitle();
      seen.icon = box->icon();
      seen.buttons = box->standardButtons();
      seen.defaultButton = box->standardButton(box->defaultButton());
      boxes_.push_back(seen);
      QAbstractButton* button = box->defaultButton();
      if (!answers_.empty()) {
        button = box->button(answers_.front());
        answers_.pop_front();
      }
      if (button == nullptr) button = box->escapeButton();
      // Hidden at once, so the next look does not count it again.
      if (button != nullptr) button->click();
      return;
    }
    if (auto* popUp = qobject_cast<PopUpWindow*>(widget)) {
      // One record per showing, however many looks it stays up for.
      if (!popUpShowing_) popUps_ << popUp->Message()->text();
      popUpShowing_ = true;
      if (clickPopUps_) {
        QTest::mouseClick(popUp->Message(), Qt::LeftButton);
        popUpShowing_ = false;
      }
      return;
    }
  }
  popUpShowing_ = false;
}

}  // namespace skyloom::qttest
