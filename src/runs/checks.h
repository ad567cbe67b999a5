// The checks of a run's inputs. Each returns true to go on, or shows its own
// message and returns false; a few repair the input after their message so
// that the next press succeeds. The date checks also turn the entered dates
// into day numbers (EnteredDayNumbers) and fill the long date labels.
#pragma once

#include <cstdint>
#include <string_view>

#include "ports/window.h"
#include "runs/form_state.h"
#include "runs/request_checks.h"

namespace skyloom {


// The body of a planet list's selection (list 0 first, 1 second); with
// nothing selected, 0 for the first list and the position's own reading
// for the second (the Sun in world mode). The window's entries stand for their body by their
// position; an entry that carries a body number as its data (the command
// line adds such entries for the bodies the window does not offer) stands
// for that body.
BodyIndex SelectedBody(const Window& window, int16_t list, bool world);

bool CheckOutputFile(FormState& state);
bool CheckDatePresent(FormState& state, int16_t date);
bool CheckBirthBoxes(FormState& state);
bool CheckDateValid(FormState& state, int16_t date);
bool CheckDateLimits(FormState& state, int16_t date);
bool CheckBirthData(FormState& state, bool testAgainstStart);
bool CheckPeriod(FormState& state);
bool CheckResultZone(FormState& state, Control pressed);
bool CheckBodyOrder(FormState& state, Control pressed);
bool CheckOrbs(FormState& state);
// The last rule of CheckOrbs alone: outer, middle and inner orb nested.
bool CheckOrbsNested(FormState& state);
bool EnsurePlutoData(FormState& state);
bool CheckBodyRanges(FormState& state, int16_t date);
bool DeriveSearchOrbs(FormState& state);

}  // namespace skyloom
