// The Search command: the first complete transit of one aspect after the end
// date, run through the engine and written back into the date boxes.
#pragma once

#include <cstdint>
#include <string>

#include "runs/form_state.h"

namespace skyloom {

void SearchCommand(FormState& state);
void ReportNoCompleteTransit(FormState& state, const std::string& message, AspectIndex aspect, int32_t day);

}  // namespace skyloom
