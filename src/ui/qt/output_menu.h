// The output box's context menu: the editing entries the toolkit offers,
// then the exports of the last run's results and its timeline.
#pragma once

#include <functional>

#include "engine/run_state.h"

namespace skyloom {

class QtWindow;

// showTimeline may be empty when no timeline is available.
void AddResultsMenu(QtWindow& window, FormState& state, std::function<void()> showTimeline);

}  // namespace skyloom
