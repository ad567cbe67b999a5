// Top-level windows kept on the desktop: sized and placed within the screen
// area that panels and docks leave free.
#pragma once

#include <QRect>

class QMessageBox;
class QWidget;

namespace skyloom {

// The frame moved and, where it is larger, shrunk so that it lies within
// the available area.
QRect FitFrameInto(const QRect& frame, const QRect& available);

// Applies FitFrameInto to a window's frame on the screen it is on (or will
// open on), keeping its decorations in the frame.
void KeepOnScreen(QWidget* window);

// Widens a message box so that its whole title shows in the title bar,
// as far as the screen allows: window managers cut a title longer than
// the box they frame.
void WidenForTitle(QMessageBox& box);

}  // namespace skyloom
