// The main window's menu bar: File, Run, Options and Help. Each entry that
// has a button or a right-click entry on the form does what that does; the
// Options menu chooses what the form has no room for (the extra tables,
// the aspects, the house system, the Moon in the whole chart).
#pragma once

#include <functional>

#include "runs/form_state.h"

namespace skyloom {

class QtWindow;

// Fills the window's menus. showTimeline may be empty when no timeline is
// available. Every entry carries an objectName ("actStart", "actAspect6",
// "actHouses3").
void AddWindowMenus(QtWindow& window, FormState& state, std::function<void()> showTimeline);

}  // namespace skyloom
