// The report of a run: the title line, the column headings, one fixed-width
// line per finished transit row in the output box, and, when "Output as
// HTML" is checked, the same rows as an HTML table in the output file.
#pragma once

#include <cstdint>
#include <string>

#include "engine/run_state.h"

namespace skyloom {

// The output box counts as full beyond this many characters.
inline constexpr int32_t OutputBoxCapacity = 64000;
// The separator line under the headings and between appended runs.
inline constexpr int kSeparatorLength = 119;

// Empty in world mode; in personal mode the bodies, period, birth data and zodiac.
std::string BuildRunTitle(const FormState& state);
// Fills rows 0 to 2 of the result table and prints them (opening the HTML
// file when asked); sets HeaderWritten.
void WriteReportHeader(FormState& state);
// Prints one row of the result table: a text line in the output box and,
// when "Output as HTML" is checked, an HTML row. A full output box stops the
// run instead.
void WriteReportRow(FormState& state, int32_t row);

// The text cell fitted to 12 characters (counted as characters, not bytes).
std::string FitCell(const std::string& text);

bool OpenHtmlFile(FormState& state);
void WriteHtmlHead(FormState& state);
void CloseHtmlFile(FormState& state);

}  // namespace skyloom
