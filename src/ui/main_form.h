// The main window's behaviour: its start-up sequence, the handlers of every
// control, the layout on resize, and quitting. Plain C++: the Qt window and
// the in-memory window forward their events here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ports/window.h"
#include "report/program.h"
#include "runs/form_state.h"

namespace skyloom {

class Shell;

// Hooks for what lives outside the core's reach.
struct MainFormServices {
  // Shows the help viewer (the window issue's text viewer).
  std::function<void()> showHelp;
  // Saves and restores the program state (the settings store).
  // Each returns whether it succeeded (a failure has told the user why).
  std::function<bool(FormState&)> saveState;
  std::function<bool(FormState&)> restoreState;
  // Where birth places are found; none: the geonames library's atlas.
  const Atlas* atlas = nullptr;
};

class MainForm : public WindowEvents {
 public:
  MainForm(Window& window, Shell& shell, MainFormServices services = {});
  ~MainForm() override;

  // The start-up sequence; ends with the window shown and FormLoaded set.
  void Load();

  FormState& State() { return state_; }
  Window& GetWindow() { return window_; }

  // WindowEvents
  void Click(Control control) override;
  void LostFocus(Control control) override;
  void KeyUp(Control control, int keyCode) override;
  void TimerTick() override;
  void Resize() override;
  void CloseRequested() override;

  // True once the user has chosen to end the program.
  bool Ended() const { return ended_; }

 private:
  void Quit();
  MsgAnswer AskToSave();
  void AfterCommand();
  void FocusIfAvailable(Control button);

  Window& window_;
  Shell& shell_;
  MainFormServices services_;
  FormState state_;
  bool ended_ = false;
  bool asking_ = false;        // the save question is open
  bool quitAfterRun_ = false;  // the program ends once the run has stopped
  bool saveAfterRun_ = false;  // ... after saving the state
};

// Focus to the button when it is visible and enabled.
bool FocusIfAvailable(Window& window, Control button);

}  // namespace skyloom
