// The window's two time-zone lists: the results zone and the birth zone.
// Each holds the fixed offsets and also takes a tz database name typed into
// it, which it offers to complete.
#pragma once

#include <string_view>
#include <vector>

#include "ports/window.h"
#include "runs/form_state.h"

namespace skyloom {

// Refills both lists (reading chkDisplayNATZabbr), keeping each list's
// position when preserveIndices is set and the window has loaded, and a
// name typed into it.
void SetUpTimezoneComboBoxes(FormState& state, bool preserveIndices = false);
// Start-up: a results list without a selection or a typed name gets the
// machine's zone (its present offset).
void SelectMachineTimezoneIfUnset(FormState& state);

// The tz database names that what is typed may be the start of, or whose
// city it may start ("Europe/Ber", "berlin", "new york"), names starting
// with it first: none for fewer than two letters.
std::vector<Completion> ZoneCompletions(std::string_view typed);
// A key released in zone list `list`: its offers brought up to date.
void ZoneListTyped(FormState& state, int16_t list);

}  // namespace skyloom
