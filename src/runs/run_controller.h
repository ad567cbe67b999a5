// The Start/Stop command, the two Show-all series and the window's 500 ms
// timer: the window's inputs turned into runs of the engine.
#pragma once

#include <cstdint>

#include "runs/form_state.h"

namespace skyloom {

// The height of the main window while it shows a run's report, in twips.
inline constexpr int32_t RunWindowHeight = 8000;

// A press on cmdStart (also the Enter key in a date box and each step of a
// Show-all series). While a run goes on it only asks the run to stop.
void StartCommand(FormState& state);
// A press on cmdShowAll(index). Runs nothing, after the orb message, unless
// the three orbs are nested. Without emptyBox the series' reports follow
// what the output box holds.
void ShowAllCommand(FormState& state, int16_t index, bool emptyBox = true);
// The whole natal chart (personal mode): for each transiting body in list
// order, its series over the natal bodies, as the two commands would run
// one after the other; the results of all of them are kept together.
void WholeChartCommand(FormState& state);
// Enter released in a date box.
void DateBoxKeyUp(FormState& state, int keyCode);
void TimerTick(FormState& state);

void ComputeNatalLongitude(FormState& state);
void ExtendStartToTransit(FormState& state);

}  // namespace skyloom
