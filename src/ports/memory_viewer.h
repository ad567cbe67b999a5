// The text viewer as plain data, for the tests. It keeps the toolkit's habits
// the viewer relies on: a window that is shown becomes active and reports
// Activate, and a change of size or state reports Resize, whether the user or
// the program made it. Message boxes are logged and answered OK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ports/viewer.h"

namespace skyloom {

class MemoryViewer : public Viewer {
 public:
  // The design: caption "Viewing", close button "Close", the design client
  // area and control positions, normal state, hidden, text box empty.
  MemoryViewer();

  // Viewer
  void SetEventSink(ViewerEvents* sink) override { sink_ = sink; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override { caption_ = caption; }
  std::string CloseCaption() const override { return closeCaption_; }
  void SetCloseCaption(std::string_view caption) override { closeCaption_ = caption; }
  std::string Text() const override { return text_; }
  void SetText(std::string_view text) override;
  void CaretToStart() override { caretAtStart_ = true; }
  void SetLocked(bool locked) override { locked_ = locked; }
  void RepaintText() override { ++textRepaints_; }
  Rect FormGeometry() const override;
  void SetFormGeometry(Rect r) override;
  Rect Geometry(ViewerControl c) const override;
  void SetGeometry(ViewerControl c, Rect r) override;
  WindowState State() const override { return state_; }
  void SetState(WindowState state) override;
  bool Visible() const override { return visible_; }
  void Show() override;
  void Hide() override { visible_ = false; }
  MsgAnswer MessageBox(const MessageBoxRequest& request) override;

  // What the user and the system do.
  // Another window was active and the user comes back to the viewer.
  void UserActivate();

  // What the program did.
  const std::vector<MessageBoxRequest>& Messages() const { return messages_; }

 private:
  void ReportResize();

  ViewerEvents* sink_ = nullptr;
  std::string caption_;
  std::string closeCaption_;
  std::string text_;
  bool caretAtStart_ = true;
  bool locked_ = false;
  int textRepaints_ = 0;
  Rect normalRect_;
  Rect maximizedRect_;
  Rect textRect_;
  Rect closeRect_;
  WindowState state_ = WindowState::Normal;
  bool visible_ = false;
  std::vector<MessageBoxRequest> messages_;
};

}  // namespace skyloom
