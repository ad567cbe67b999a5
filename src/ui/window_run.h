// The window's side of the commands: its controls read into a request (the
// only place that reads list positions, item data and check boxes for a
// run), and the face the session's commands run behind: the message box,
// the output box, the disabled controls and the Stop button, the pop-up.
#pragma once

#include <cstdint>

#include "request/run_request.h"
#include "runs/form_state.h"

namespace skyloom {

// WholeChart: every transiting body to every natal body (the Run menu's).
enum class WindowCommand { Start, ShowAllOuter, ShowAllInner, WholeChart, Search };

// The request the window's controls make for a command.
RunRequest RequestFromWindow(FormState& state, WindowCommand command);

// The orb rules for the bodies and orbs chosen, told when the user picks an orb.
void CheckOrbChoice(FormState& state);

// Presses of the run buttons. While a run goes on, each only asks it to stop.
void StartPressed(FormState& state);
void ShowAllPressed(FormState& state, int16_t index);
void SearchPressed(FormState& state);
// The whole chart, asked for from the Run menu: personal mode only, and
// nothing while a run goes on.
void WholeChartPressed(FormState& state);
// Enter released in a date box.
void DateBoxKeyUp(FormState& state, int keyCode);
void TimerTick(FormState& state);

// Enabled state of every check box, command button, option button and
// combo box, then of frames, text boxes, labels and check boxes by kind.
void SetControlsEnabled(Window& window, bool enabled, bool frames, bool textBoxes, bool labels, bool checkBoxes);

}  // namespace skyloom
