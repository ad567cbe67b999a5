// The text viewer window (frmView) in Qt widgets: a resizable top-level
// window with a read-only text box and a close button. It only forwards its
// events to the core (TextViewer), which decides what they do.
#pragma once

#include <string>
#include <string_view>

#include <QWidget>

#include "ports/viewer.h"

class QPlainTextEdit;
class QPushButton;

namespace skyloom {

class QtViewer : public QWidget, public Viewer {
 public:
  // With a parent the viewer still is a window of its own; the parent only
  // owns it.
  explicit QtViewer(QWidget* parent = nullptr);

  // Viewer
  void SetEventSink(ViewerEvents* sink) override { sink_ = sink; }
  std::string Caption() const override;
  void SetCaption(std::string_view caption) override;
  std::string CloseCaption() const override;
  void SetCloseCaption(std::string_view caption) override;
  std::string Text() const override;
  void SetText(std::string_view text) override;
  void CaretToStart() override;
  void SetLocked(bool locked) override;
  void RepaintText() override;
  Rect FormGeometry() const override;
  void SetFormGeometry(Rect r) override;
  Rect Geometry(ViewerControl c) const override;
  void SetGeometry(ViewerControl c, Rect r) override;
  WindowState State() const override;
  void SetState(WindowState state) override;
  bool Visible() const override { return isVisible(); }
  void Show() override;
  void Hide() override { hide(); }
  MsgAnswer MessageBox(const MessageBoxRequest& request) override;

 protected:
  bool event(QEvent* e) override;
  void changeEvent(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  QWidget* Widget(ViewerControl c) const;
  int ToPixelsX(int32_t twips) const;
  int ToPixelsY(int32_t twips) const;
  int32_t ToTwipsX(int pixels) const;
  int32_t ToTwipsY(int pixels) const;

  ViewerEvents* sink_ = nullptr;
  QPlainTextEdit* txbText1_;
  QPushButton* cmdClose_;
  // The text as the program set it, line ends included; the widget itself
  // keeps only LF.
  std::string text_;
};

}  // namespace skyloom
