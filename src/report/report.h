// The report of a run as text: the title line, the column headings, one
// fixed-width line per transit row, and the same rows as an HTML table.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_state.h"

namespace skyloom {

// The separator line under the headings and between appended runs.
inline constexpr int kSeparatorLength = 119;

// The text cell fitted to 12 characters (counted as characters, not bytes).
std::string FitCell(const std::string& text);

// What a personal run's title names, as the window's lists show it.
struct RunTitleParts {
  std::string transiting, natal;
  int32_t startDay = 0, endDay = 0, birthDay = 0;
  std::string hour, minute, birthZone;
  bool tropical = true;
};
// "Saturn transits of natal Sun, Jan. 1, 2024, to ..., (tropical)".
std::string BuildRunTitle(const RunTitleParts& parts);

// Rows 0 to 2 of the table: the title, the column headings, the separator.
void FillReportHeader(TransitTable& table, const std::string& title, const std::array<int16_t, 3>& orbs);
// A row as the output box shows it, with its CR LF; a cell the engine could
// not settle ("?") prints, and from then on stays, blank.
std::string ReportLine(TransitTable& table, int32_t row);

// Lines of the HTML table, without line ends: its head (title and
// headings), one transit row, and its end.
std::vector<std::string> HtmlHeadLines(const std::string& title, const std::array<int16_t, 3>& orbs);
std::vector<std::string> HtmlRowLines(const TransitTable& table, int32_t row);
inline constexpr const char* HtmlFootLine = "</table></center><p>";

}  // namespace skyloom
