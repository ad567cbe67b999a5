// Answers the modal windows a test sets off (message boxes, the "Done"
// pop-up), looking for them every few milliseconds from inside whatever
// modal loop runs, and records what it saw. Boxes take the buttons given to
// Answer in order, then their default.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <vector>

#include "ui/qt/popup.h"

namespace skyloom::qttest {

struct SeenMessageBox {
  QString text, title; QMessageBox::Icon icon; QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton;
};

class ModalCloser : public QObject {
 public:
  ModalCloser() {
    connect(&timer_, &QTimer::timeout, this, &ModalCloser::Poll); timer_.start(20);
  }
  void Answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
  const std::vector<SeenMessageBox>& MessageBoxes() const { return boxes_; }
  QStringList PopUpTexts() const { return popUps_; }

 private:
  void Poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (!widget->isVisible()) continue;
      if (auto* box = qobject_cast<QMessageBox*>(widget)) {
        boxes_.push_back({box->text(), box->windowTitle(), box->icon(), box->standardButtons(),
                          box->standardButton(box->defaultButton())});
        QAbstractButton* button = answers_.empty() ? box->defaultButton() : box->button(answers_.front());
        if (!answers_.empty()) answers_.pop_front();
        if (button == nullptr) button = box->escapeButton();
        if (button != nullptr) button->click();  // hidden at once, not counted twice
        return;
      }
      if (auto* popUp = qobject_cast<PopUpWindow*>(widget)) {
        popUps_ << popUp->Message()->text(); QTest::mouseClick(popUp->Message(), Qt::LeftButton);
        return;
      }
    }
  }

  QTimer timer_;
  std::deque<QMessageBox::StandardButton> answers_;
  std::vector<SeenMessageBox> boxes_;
  QStringList popUps_;
};

}  // namespace skyloom::qttest
