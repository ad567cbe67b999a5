#include "ports/memory_viewer.h"

#include <stdexcept>

namespace skyloom {

MemoryViewer::MemoryViewer()
    : caption_(ViewerDesignCaption),
      closeCaption_(ViewerDesignCloseCaption),
      normalRect_(ViewerDesignFormRect),
      textRect_(ViewerDesignTextRect),
      closeRect_(ViewerDesignCloseRect) {}

void MemoryViewer::SetText(std::string_view text) {
  text_ = text;
  caretAtStart_ = false;
}

Rect MemoryViewer::FormGeometry() const { return state_ == WindowState::Maximized ? maximizedRect_ : normalRect_; }

void MemoryViewer::SetFormGeometry(Rect r) {
  // The toolkit refuses to move or size a minimized or maximized window.
  if (state_ != WindowState::Normal) throw std::logic_error("viewer moved while minimized or maximized");
  const bool resized = r.Width != normalRect_.Width || r.Height != normalRect_.Height;
  normalRect_ = r;
  if (resized) ReportResize();
}

Rect MemoryViewer::Geometry(ViewerControl c) const { return c == ViewerControl::txbText1 ? textRect_ : closeRect_; }

void MemoryViewer::SetGeometry(ViewerControl c, Rect r) { (c == ViewerControl::txbText1 ? textRect_ : closeRect_) = r; }

void MemoryViewer::SetState(WindowState state) {
  if (state == state_) return;
  state_ = state;
  ReportResize();
}

void MemoryViewer::Show() {
  visible_ = true;
  if (sink_ != nullptr) sink_->Activate();
}

MsgAnswer MemoryViewer::MessageBox(const MessageBoxRequest& request) {
  if (request.buttons != MsgButtons::Ok) throw std::logic_error("the viewer only asks with an OK button");
  messages_.push_back(request);
  return MsgAnswer::Ok;
}

void MemoryViewer::UserActivate() {
  if (!visible_) throw std::logic_error("hidden viewer activated");
  if (sink_ != nullptr) sink_->Activate();
}

void MemoryViewer::ReportResize() {
  if (sink_ != nullptr) sink_->Resize();
}

}  // namespace skyloom
