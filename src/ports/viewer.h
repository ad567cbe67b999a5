// The text viewer window (frmView) as the program sees it: a resizable window
// with one read-only text box (txbText1) and a close button (cmdClose). The
// Qt viewer implements it with widgets, the in-memory viewer with plain data.
//
// Positions and sizes are in twips (1/1440 inch). The window's own geometry is
// its outer frame on the desktop, the controls' geometry is relative to its
// client area.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ports/window.h"

namespace skyloom {

enum class ViewerControl : uint8_t { txbText1, cmdClose };

// The viewer's design: caption, client area and control positions.
inline constexpr std::string_view ViewerDesignCaption = "Viewing";
inline constexpr std::string_view ViewerDesignCloseCaption = "Close";
inline constexpr Rect ViewerDesignFormRect{0, 0, 11670, 6585};
inline constexpr Rect ViewerDesignTextRect{105, 105, 11460, 5760};
// Under the text box, its right edge on the text box's right edge.
inline constexpr Rect ViewerDesignCloseRect{9825, 5965, 1740, 330};

// The core's handlers for the viewer's events.
class ViewerEvents {
 public:
  virtual ~ViewerEvents() = default;
  // The viewer has become the active window.
  virtual void Activate() = 0;
  // The viewer's size or state has changed.
  virtual void Resize() = 0;
  // cmdClose was clicked.
  virtual void CloseClick() = 0;
  // The system closes the viewer (its title bar's close box, for example).
  virtual void Unload() = 0;
};

class Viewer {
 public:
  virtual ~Viewer() = default;

  virtual void SetEventSink(ViewerEvents* sink) = 0;

  virtual std::string Caption() const = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual std::string CloseCaption() const = 0;
  virtual void SetCloseCaption(std::string_view caption) = 0;

  // The text box. Text is UTF-8; lines end in CR LF or LF.
  virtual std::string Text() const = 0;
  virtual void SetText(std::string_view text) = 0;
  virtual void CaretToStart() = 0;
  // A locked box can be read, scrolled and copied from, not edited.
  virtual void SetLocked(bool locked) = 0;
  virtual void RepaintText() = 0;

  virtual Rect FormGeometry() const = 0;
  virtual void SetFormGeometry(Rect r) = 0;
  virtual Rect Geometry(ViewerControl c) const = 0;
  virtual void SetGeometry(ViewerControl c, Rect r) = 0;

  virtual WindowState State() const = 0;
  virtual void SetState(WindowState state) = 0;

  virtual bool Visible() const = 0;
  // Shows the viewer without waiting for it (not modal) and brings it to the
  // front; a window that becomes active reports Activate.
  virtual void Show() = 0;
  virtual void Hide() = 0;

  virtual MsgAnswer MessageBox(const MessageBoxRequest& request) = 0;
};

}  // namespace skyloom
