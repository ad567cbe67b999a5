// The window's side of the chart collection: a chart's birth data put into
// the birth inputs as the command line's --chart reads it, and the birth
// inputs kept as a chart.
#pragma once

#include <string>
#include <variant>

#include "ports/message.h"
#include "runs/form_state.h"
#include "store/chart_store.h"

namespace skyloom {

// Personal mode with the chart's birth date, time, zone, place (by its
// coordinates, as the command line takes it) and zodiac in the inputs.
void FillBirthFromChart(FormState& state, const StoredChart& chart);

// The birth inputs as a chart of that name, after the checks a run makes
// of them; or the message of the first check that refuses them.
std::variant<StoredChart, Notice> ChartFromWindow(FormState& state, const std::string& name);

}  // namespace skyloom
