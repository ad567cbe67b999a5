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
  std::string chart;  // the chart of the collection, in a batch: "NAME: " before the rest
};
// "Saturn transits of natal Sun, Jan. 1, 2024, to ..., (tropical)".
std::string BuildRunTitle(const RunTitleParts& parts);
// A world series' block: "World transits between Jupiter and Saturn, Nov.
// 1, 2026, to Nov. 10, 2026", so that each pair of the series is named.
std::string BuildWorldSeriesTitle(const std::string& inner, const std::string& outer, int32_t startDay, int32_t endDay);

// The texts of a transit row's cells: the aspect, the entries from outer to
// inner orb, the minimum's date, the exits from inner to outer, so that a
// row reads in time order, and the minimum's time or size.
inline constexpr int kTableColumns = 9;
using ReportCells = std::array<std::string, kTableColumns>;

// "2020-03-10", with an "r" when the first body was retrograde.
std::string DateCellText(const DateMark& mark);
// The minimum's date, with a "*" when the aspect became exact.
std::string MinimumDateText(const MinimumRecord& minimum);
// An exact aspect's local time and zone ("14:30 GMT-11:30"), or the closest
// approach's size ("0°12'").
std::string MinimumValueText(const MinimumRecord& minimum);

// The cells of a row, with the aspect's name when `named`.
ReportCells RowCells(const TransitRowData& row, bool named);

// The rows of one run's table in the order the engine hands them over,
// each made into its cells. A transit's first row names its aspect, unless
// the transit named last was of the same aspect: consecutive transits of one
// aspect show its name once. A transit with no orb date is not named.
class ReportTableWriter {
 public:
  ReportCells Next(const TransitRowData& row, RowPlace place);

 private:
  AspectIndex lastNamed_ = 0;
};

// The lines above the rows, each with its CR LF: the title (empty in world
// runs), the column headings with the orbs, and the separator.
std::string ReportTitleLine(const std::string& title);
ReportCells HeadingCells(const std::array<int16_t, 3>& orbs);
std::string ReportSeparatorLine();
// A row as the output box shows it, with its CR LF.
std::string ReportLine(const ReportCells& cells);

// Lines of the HTML table, without line ends: its head (title and
// headings), one transit row, and its end.
std::vector<std::string> HtmlHeadLines(const std::string& title, const std::array<int16_t, 3>& orbs);
std::vector<std::string> HtmlRowLines(const ReportCells& cells);
inline constexpr const char* HtmlFootLine = "</table></center><p>";

}  // namespace skyloom
