// The chart collection in the window: a list of the charts to put into the
// birth inputs, keep the inputs as a chart, rename and delete.
#pragma once

#include <string>

#include "runs/form_state.h"

namespace skyloom {

class QtWindow;

// Opens the list on the collection at storePath, modal over the window; a
// collection that cannot be opened is told and nothing more.
void ShowChartDialog(QtWindow& window, FormState& state, const std::string& storePath);

}  // namespace skyloom
