#include "qt/popup.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QTimer>

namespace skyloom {

PopUpWindow::PopUpWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), lblMessage_(new QLabel(this)), timer1_(new QTimer(this)) {
  setObjectName("frmPopUp");
  setModal(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, QColor(0, 0, 192));
  setPalette(palette);
  setAutoFillBackground(true);

  lblMessage_->setObjectName("lblMessage");
  lblMessage_->setTextFormat(Qt::PlainText);
  lblMessage_->setAlignment(Qt::AlignCenter);
  lblMessage_->setAutoFillBackground(true);
  lblMessage_->setPalette(palette);
  // Tahoma where it is installed; elsewhere the nearest sans-serif face.
  QFont font(QStringLiteral("Tahoma"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(9.75);
  font.setBold(true);
  lblMessage_->setFont(font);
  lblMessage_->installEventFilter(this);
  installEventFilter(this);

  timer1_->setObjectName("Timer1");
  timer1_->setSingleShot(true);
  // A coarse timer may fire a twentieth early; the message stays its full time.
  timer1_->setTimerType(Qt::PreciseTimer);
  connect(timer1_, &QTimer::timeout, this, &PopUpWindow::CloseMessage);
}

void PopUpWindow::PopUpInForm(QWidget* form, const QString& message, QSize size, int intervalMs, QPoint offset) {
  const QPoint origin = form != nullptr ? form->pos() : QPoint();
  move(origin + offset);
  lblMessage_->setText(message);
  setFixedSize(size);
  lblMessage_->setGeometry(0, 0, size.width(), size.height());
  timer1_->start(intervalMs);
  exec();
}

// Stopping the timer first means a click that closes the message early
// leaves nothing behind that could close the next one.
void PopUpWindow::CloseMessage() {
  timer1_->stop();
  hide();
}

bool PopUpWindow::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == lblMessage_ || watched == this) && event->type() == QEvent::MouseButtonRelease) {
    CloseMessage();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace skyloom
