// A run of the transit search in the window: the output box prepared, the
// report's header, the controls disabled and the Start button turned into
// Stop; then the engine's days, with the window kept alive and Stop heard
// once a day, and each finished transit printed; at the end the window
// restored and the run's outcome told.
#pragma once

#include "runs/form_state.h"

namespace skyloom {

class Window;

// Performs the run the state's run inputs describe (RunBodies, Orbs,
// NatalLongitude, RunZodiac, ZoneMinutes, RunStartDay, RunEndDay,
// ShowAllMode) in the window's mode, keeping or replacing the output box's
// text as its append option says.
void RunTransits(FormState& state);

// Enabled state of every check box, command button, option button and
// combo box, then of frames, text boxes, labels and check boxes by kind.
void SetControlsEnabled(Window& window, bool enabled, bool frames, bool textBoxes, bool labels, bool checkBoxes);
// The window while a run goes on, and after it.
void BeginRunState(FormState& state);
void EndRunState(FormState& state);

}  // namespace skyloom
