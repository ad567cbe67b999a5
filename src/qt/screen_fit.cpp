#include "qt/screen_fit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QWidget>

#include <algorithm>

namespace skyloom {

namespace {

QRect AvailableFor(const QWidget* window, const QRect& frame) {
  const QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (screen == nullptr) screen = window->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

}  // namespace

QRect FitFrameInto(const QRect& frame, const QRect& available) {
  if (!available.isValid()) return frame;
  QRect fitted(frame.topLeft(), frame.size().boundedTo(available.size()));
  fitted.moveLeft(std::clamp(fitted.left(), available.left(), available.right() - fitted.width() + 1));
  fitted.moveTop(std::clamp(fitted.top(), available.top(), available.bottom() - fitted.height() + 1));
  return fitted;
}

void KeepOnScreen(QWidget* window) {
  if (window == nullptr || window->isMaximized() || window->isMinimized() || window->isFullScreen()) return;
  // Before the window is first shown its frame is its client area; the
  // decorations are then assumed no wider than the desktop's usual ones.
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  const QRect fitted = FitFrameInto(frame, AvailableFor(window, frame));
  if (fitted == frame) return;
  const QSize border = frame.size() - client.size();
  window->move(fitted.topLeft());
  window->resize(std::max(fitted.width() - border.width(), window->minimumWidth()),
                 std::max(fitted.height() - border.height(), window->minimumHeight()));
}

void WidenForTitle(QMessageBox& box) {
  // The title bar's font is the desktop's; the application's font stands in
  // for it, with room for the icon and the buttons at either end.
  constexpr int kTitleBarExtras = 160;
  const QFontMetrics metrics(QApplication::font());
  int wanted = metrics.horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
  const QScreen* screen = box.screen();
  if (screen != nullptr) wanted = std::min(wanted, screen->availableGeometry().width() * 9 / 10);
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  // QMessageBox sizes itself from its layout, not from a minimum width.
  grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                grid->columnCount());
}

}  // namespace skyloom
