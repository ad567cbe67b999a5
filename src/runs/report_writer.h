// The report of a run going into the window: its lines into the output box
// (which may fill up) and, when "Output as HTML" is checked, its rows into
// the HTML file.
#pragma once

#include <cstdint>
#include <string>

#include "report/report.h"
#include "runs/form_state.h"

namespace skyloom {

// The title of the run about to start: empty in world mode; in personal
// mode the bodies, period, birth and zodiac as the window shows them.
std::string RunTitleFromWindow(const FormState& state);
// Prints the title, headings and separator (opening the HTML file when
// asked); sets HeaderWritten.
void WriteReportHeader(FormState& state);
// Prints one row of the result table: a text line in the output box and,
// when "Output as HTML" is checked, an HTML row. A full output box refuses
// the row and asks the run to stop; false then.
bool WriteReportRow(FormState& state, const ReportCells& cells);

bool OpenHtmlFile(FormState& state);
void CloseHtmlFile(FormState& state);

}  // namespace skyloom
