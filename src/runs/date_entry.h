// The date boxes: year, month and day per date (0 start, 1 end, 2 birth),
// cleaned when they lose the focus, with the date written out under them.
#pragma once

#include <cstdint>

#include "runs/form_state.h"

namespace skyloom {

void YearLostFocus(FormState& state, int16_t date);
void MonthOrDayLostFocus(FormState& state, int16_t date);
void RefreshDateLabel(FormState& state, int16_t date);
void StopDateLostFocus(FormState& state);

}  // namespace skyloom
