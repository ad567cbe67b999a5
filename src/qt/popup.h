// The self-closing pop-up message (frmPopUp): a small frameless window with
// one label, shown modally for a moment next to another window. It closes
// when its timer runs out or when the user releases the mouse over it.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QTimer;

namespace skyloom {

class PopUpWindow : public QDialog {
  Q_OBJECT

 public:
  explicit PopUpWindow(QWidget* parent = nullptr);

  // PopUpInForm, in pixels: the pop-up's top-left is the top-left of form's
  // frame plus offset. Returns when the pop-up has closed.
  void PopUpInForm(QWidget* form, const QString& message, QSize size, int intervalMs, QPoint offset);

  QLabel* Message() const { return lblMessage_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CloseMessage();

  QLabel* lblMessage_;
  QTimer* timer1_;
};

}  // namespace skyloom
