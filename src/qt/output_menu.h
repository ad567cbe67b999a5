// The output box's context menu: the editing entries the toolkit offers,
// then the exports of the last run's results and its timeline.
#pragma once

#include <functional>

#include "runs/form_state.h"

class QMenu;
class QPoint;

namespace skyloom {

class QtWindow;

// The menu for a right-click at a point of the output box; the caller owns
// it. showTimeline may be empty when no timeline is available.
QMenu* BuildResultsMenu(QtWindow& window, FormState& state, const std::function<void()>& showTimeline,
                        const QPoint& at);
// Shows that menu whenever the output box is right-clicked.
void AddResultsMenu(QtWindow& window, FormState& state, std::function<void()> showTimeline);

}  // namespace skyloom
