#include "qt/qt_viewer.h"

#include <cmath>

#include <QCloseEvent>
#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextCursor>

#include "qt/screen_fit.h"
#include "ui/help_viewer.h"

namespace skyloom {
namespace {

constexpr double kTwipsPerInch = 1440.0;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont FontOf(const char* family) {
  QFont font(QString::fromLatin1(family));
  font.setPointSizeF(9.75);
  return font;
}

}  // namespace

QtViewer::QtViewer(QWidget* parent)
    : QWidget(parent, Qt::Window), txbText1_(new QPlainTextEdit(this)), cmdClose_(new QPushButton(this)) {
  setObjectName(QStringLiteral("frmView"));
  txbText1_->setObjectName(QStringLiteral("txbText1"));
  cmdClose_->setObjectName(QStringLiteral("cmdClose"));

  setWindowTitle(FromUtf8(ViewerDesignCaption));
  cmdClose_->setText(FromUtf8(ViewerDesignCloseCaption));
  // The help text lines up its tables in columns of characters.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(9.75);
  txbText1_->setFont(fixed);
  cmdClose_->setFont(FontOf("Tahoma"));
  txbText1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txbText1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  txbText1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  resize(ToPixelsX(ViewerDesignFormRect.Width), ToPixelsY(ViewerDesignFormRect.Height));
  SetGeometry(ViewerControl::txbText1, ViewerDesignTextRect);
  SetGeometry(ViewerControl::cmdClose, ViewerDesignCloseRect);
  // The core snaps a smaller window back; this keeps the user from dragging
  // it there in the first place. Rounded up, so the snapped size holds.
  setMinimumSize(static_cast<int>(std::ceil(ViewerMinWidth * logicalDpiX() / kTwipsPerInch)),
                 static_cast<int>(std::ceil(ViewerMinHeight * logicalDpiY() / kTwipsPerInch)));

  connect(cmdClose_, &QPushButton::clicked, this, [this] {
    if (sink_ != nullptr) sink_->CloseClick();
  });
}

std::string QtViewer::Caption() const { return windowTitle().toStdString(); }

void QtViewer::SetCaption(std::string_view caption) { setWindowTitle(FromUtf8(caption)); }

std::string QtViewer::CloseCaption() const { return cmdClose_->text().toStdString(); }

void QtViewer::SetCloseCaption(std::string_view caption) { cmdClose_->setText(FromUtf8(caption)); }

std::string QtViewer::Text() const {
  if (!txbText1_->document()->isModified()) return text_;
  return txbText1_->toPlainText().toStdString();
}

void QtViewer::SetText(std::string_view text) {
  text_ = text;
  QString shown = FromUtf8(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  txbText1_->setPlainText(shown);
}

void QtViewer::CaretToStart() {
  txbText1_->moveCursor(QTextCursor::Start);
  txbText1_->ensureCursorVisible();
}

void QtViewer::SetLocked(bool locked) {
  txbText1_->setReadOnly(locked);
  // Locked, the text can still be scrolled, selected and copied by keyboard.
  if (locked) txbText1_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void QtViewer::RepaintText() { txbText1_->viewport()->repaint(); }

Rect QtViewer::FormGeometry() const {
  const QRect frame = frameGeometry();
  return Rect{ToTwipsX(frame.x()), ToTwipsY(frame.y()), ToTwipsX(frame.width()), ToTwipsY(frame.height())};
}

void QtViewer::SetFormGeometry(Rect r) {
  // The rectangle is the outer frame; Qt sizes the client area.
  const QSize border = frameGeometry().size() - size();
  move(ToPixelsX(r.Left), ToPixelsY(r.Top));
  resize(ToPixelsX(r.Width) - border.width(), ToPixelsY(r.Height) - border.height());
  // Placed under the main window, the viewer would reach past the bottom
  // of a small screen.
  KeepOnScreen(this);
}

Rect QtViewer::Geometry(ViewerControl c) const {
  const QRect g = Widget(c)->geometry();
  return Rect{ToTwipsX(g.x()), ToTwipsY(g.y()), ToTwipsX(g.width()), ToTwipsY(g.height())};
}

void QtViewer::SetGeometry(ViewerControl c, Rect r) {
  Widget(c)->setGeometry(ToPixelsX(r.Left), ToPixelsY(r.Top), ToPixelsX(r.Width), ToPixelsY(r.Height));
}

WindowState QtViewer::State() const {
  if (isMinimized()) return WindowState::Minimized;
  if (isMaximized()) return WindowState::Maximized;
  return WindowState::Normal;
}

void QtViewer::SetState(WindowState state) {
  Qt::WindowStates states = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == WindowState::Minimized) states |= Qt::WindowMinimized;
  if (state == WindowState::Maximized) states |= Qt::WindowMaximized;
  setWindowState(states);
}

void QtViewer::Show() {
  show();
  // Its frame is known only now.
  KeepOnScreen(this);
  raise();
  activateWindow();
}

MsgAnswer QtViewer::MessageBox(const MessageBoxRequest& request) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (request.icon) {
    case MsgIcon::None: break;
    case MsgIcon::Information: icon = QMessageBox::Information; break;
    case MsgIcon::Exclamation: icon = QMessageBox::Warning; break;
    case MsgIcon::Question: icon = QMessageBox::Question; break;
  }
  const QString title = request.title.empty() ? QGuiApplication::applicationDisplayName() : FromUtf8(request.title);
  QMessageBox box(icon, title, FromUtf8(request.text), QMessageBox::NoButton, this);
  WidenForTitle(box);
  if (request.buttons == MsgButtons::Ok) {
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
  }
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  box.setDefaultButton(request.defaultAnswer == MsgAnswer::Yes  ? QMessageBox::Yes
                       : request.defaultAnswer == MsgAnswer::No ? QMessageBox::No
                                                                : QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    default: return MsgAnswer::Cancel;
  }
}

bool QtViewer::event(QEvent* e) {
  const bool handled = QWidget::event(e);
  if (e->type() == QEvent::WindowActivate && sink_ != nullptr) sink_->Activate();
  return handled;
}

void QtViewer::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  // Minimizing and restoring need not change the size, yet the layout
  // depends on the state.
  if (e->type() == QEvent::WindowStateChange && sink_ != nullptr) sink_->Resize();
}

void QtViewer::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (sink_ != nullptr) sink_->Resize();
}

void QtViewer::closeEvent(QCloseEvent* e) {
  // The core hides the window itself; the window object lives on for the
  // next showing.
  if (sink_ != nullptr) sink_->Unload();
  e->accept();
}

QWidget* QtViewer::Widget(ViewerControl c) const {
  if (c == ViewerControl::txbText1) return txbText1_;
  return cmdClose_;
}

int QtViewer::ToPixelsX(int32_t twips) const {
  return static_cast<int>(std::lround(twips * logicalDpiX() / kTwipsPerInch));
}
int QtViewer::ToPixelsY(int32_t twips) const {
  return static_cast<int>(std::lround(twips * logicalDpiY() / kTwipsPerInch));
}
int32_t QtViewer::ToTwipsX(int pixels) const {
  return static_cast<int32_t>(std::lround(pixels * kTwipsPerInch / logicalDpiX()));
}
int32_t QtViewer::ToTwipsY(int pixels) const {
  return static_cast<int32_t>(std::lround(pixels * kTwipsPerInch / logicalDpiY()));
}

}  // namespace skyloom
