// The transit search: one run over a period of whole days finds every
// transit of a body pair for the five aspects and three nested orbs at once,
// from positions at local midnights, refines each minimum to the minute and
// hands each finished transit to the report.
#pragma once

#include <array>
#include <cstdint>

#include "engine/run_state.h"

namespace skyloom {

class Window;

// Performs the run described by the state's run inputs (RunBodies, Orbs,
// NatalLongitude, ZoneMinutes, RunStartDay, RunEndDay, ShowAllMode) and the
// window's mode and append option. Yields to the window once a day; a Stop
// request made there ends the run.
void RunTransits(FormState& state);

// In-orb flags by aspect (1..5) and orb, at the midnights starting D and D + 1.
using OrbFlags = std::array<std::array<std::array<bool, 2>, 3>, AspectCount + 1>;

struct OrbSwitch {
  AspectIndex leaving = -1;
  AspectIndex entering = -1;
  bool both = false;
};

void ClearOrbFlags(OrbFlags& flags);
// With a 15-degree outer orb, one aspect may leave its outer orb on the same
// day as the next enters its own; finds both (the highest of each).
OrbSwitch DetectOrbSwitch(const OrbFlags& flags, bool outerOrbIs15);

// Enabled state of every check box, command button, option button and
// combo box, then of frames, text boxes, labels and check boxes by kind.
void SetControlsEnabled(Window& window, bool enabled, bool frames, bool textBoxes, bool labels,
                        bool checkBoxes);
// The window while a run goes on, and after it.
void BeginRunState(FormState& state);
void EndRunState(FormState& state);

}  // namespace skyloom
