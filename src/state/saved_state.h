// The saved program state: every input of the main window, kept in the
// settings store from one start of the program to the next. Save state and
// the quit question's Yes save it; Restore state and the start-up restore
// it.
#pragma once

#include <span>
#include <string_view>

#include "ports/settings_store.h"
#include "runs/form_state.h"

namespace skyloom {

// One stored value: its key part below ProgramKeyRoot and its name.
struct SavedValueName {
  std::string_view keyPart;
  std::string_view name;
};

// The values a save writes, in the order it writes them ("StateSaved" last).
std::span<const SavedValueName> SavedStateValues();

// Writes every input; true when all of it was stored. Marks the state as
// just saved and, once the window has loaded, shows "Done". A failure is
// reported in a message box and leaves the mark cleared, so quitting asks
// again.
bool SaveProgramState(FormState& state, SettingsStore& store);

// Brings the state saved last (the store read afresh) back into the
// window; false when the store holds none (nothing changes then). Values
// that are missing take their defaults, and so does a stored list position
// that names no entry of its list (no number at all, past its end, or none
// where the list must have one).
bool RestoreProgramState(FormState& state, SettingsStore& store);

}  // namespace skyloom
