// Answers the modal windows a test sets off (message boxes, the "Done"
// pop-up), so that no test waits for a user. It looks for them every few
// milliseconds, from inside whatever modal loop is running, and records what
// it saw.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <vector>

namespace skyloom::qttest {

struct SeenMessageBox {
  QString text;
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

class ModalCloser : public QObject {
 public:
  ModalCloser();

  // The buttons to press in the next message boxes, in order; once used up,
  // each box is answered with its default button.
  void Answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
  // Pop-ups are clicked away at once unless they are left to close by
  // themselves.
  void SetClickPopUps(bool click) { clickPopUps_ = click; }

  const std::vector<SeenMessageBox>& MessageBoxes() const { return boxes_; }
  QStringList PopUpTexts() const { return popUps_; }

 private:
  void Poll();

  QTimer timer_;
  std::deque<QMessageBox::StandardButton> answers_;
  bool clickPopUps_ = true;
  std::vector<SeenMessageBox> boxes_;
  QStringList popUps_;
  bool popUpShowing_ = false;
};

}  // namespace skyloom::qttest
