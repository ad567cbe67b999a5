// What the Qt test programs share: a main window on Qt widgets after the
// program's start-up, and watchers that answer the modal windows a test
// sets off from inside whatever modal loop runs.
#pragma once

#include <QtWidgets>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "qt/qt_window.h"
#include "support/report_fixture.h"
#include "ui/main_form.h"

namespace skyloom::test {

// Shown and active, as a user finds a window; false if it never became so.
bool ShowActive(QWidget& window);

// Results in Greenwich time whatever the machine's zone.
struct QtForm {
  QtForm();
  bool Activate() { return ShowActive(window); }
  // Jupiter and Saturn in world mode over these years, chosen and typed in
  // as a user does (the window active); the Start button's caption then.
  QString WorldRun(const char* startYear, const char* endYear);
  FakeShell shell;
  QtWindow window;
  MainForm form{window, shell};
};

// A click as a user's: options and check boxes near their indicator.
void UserClick(QWidget* widget);
// The box clicked, its text selected and typed over.
void UserType(QLineEdit* box, const QString& text);

// Hands each modal window that shows to the handler, which closes it.
class ModalWatcher : public QObject {
 public:
  explicit ModalWatcher(std::function<void(QWidget*)> handler);

 private:
  std::function<void(QWidget*)> handler_;
  QTimer timer_;
  QWidget* busy_ = nullptr;
};

// The events as the program's handlers get them, a space between: a click
// also notes the state the handler would read, and what the probe sees then.
struct EventLog : WindowEvents {
  void Click(Control c) override;
  void LostFocus(Control c) override { Add("LostFocus " + Name(c)); }
  void KeyUp(Control c, int key) override { Add("KeyUp " + Name(c) + "=" + std::to_string(key)); }
  void TimerTick() override {}  // the Qt window's timer runs on its own
  void Resize() override {}
  void CloseRequested() override { Add("Close"); }
  void Add(const std::string& event) { events += (events.empty() ? "" : " ") + event; }
  // As "cboOrbs(1)", the index only for a member of an array.
  static std::string Name(Control c);
  Window* w = nullptr;
  std::string events;
  std::function<std::string()> probe;
};

struct SeenMessageBox {
  QString text, title;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton;
};

// Answers message boxes with the buttons given to Answer in order, then
// their default, and clicks the "Done" pop-up away; records what it saw.
class ModalCloser : public QObject {
 public:
  ModalCloser();
  void Answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
  const std::vector<SeenMessageBox>& MessageBoxes() const { return boxes_; }
  QStringList PopUpTexts() const { return popUps_; }

 private:
  void Poll();
  QTimer timer_;
  std::deque<QMessageBox::StandardButton> answers_;
  std::vector<SeenMessageBox> boxes_;
  QStringList popUps_;
};

}  // namespace skyloom::test
