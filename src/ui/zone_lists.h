// The window's two time-zone lists: the results zone and the birth zone.
#pragma once

#include "runs/form_state.h"

namespace skyloom {

// Refills both lists (reading chkDisplayNATZabbr), keeping each list's
// position when preserveIndices is set and the window has loaded.
void SetUpTimezoneComboBoxes(FormState& state, bool preserveIndices = false);
// Start-up: a results list without a selection gets the machine's zone.
void SelectMachineTimezoneIfUnset(FormState& state);

}  // namespace skyloom
