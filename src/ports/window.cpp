#include "ports/window.h"

#include <array>
#include <stdexcept>
#include <string>

namespace skyloom {

namespace {

using enum ControlName;
using K = ControlKind;

// Same order as the window's design table, so widgets built from it stack
// the way the original form did. Arrays that straddle a frame give their
// own name as container here; ContainerOf settles each member.
constexpr std::array kControls{
    ControlInfo{lblYear, "lblYear", K::Label, 1, lblYear},
    ControlInfo{lblMonthDay, "lblMonthDay", K::Label, 1, lblMonthDay},
    ControlInfo{lblStartEnd, "lblStartEnd", K::Label, 5, lblStartEnd},
    ControlInfo{txbYear, "txbYear", K::TextBox, 3, txbYear},
    ControlInfo{txbMonth, "txbMonth", K::TextBox, 3, txbMonth},
    ControlInfo{txbDay, "txbDay", K::TextBox, 3, txbDay},
    ControlInfo{lblDate, "lblDate", K::Label, 3, lblDate},
    ControlInfo{fraTypeOfTransit, "fraTypeOfTransit", K::Frame, 1, fraTypeOfTransit},
    ControlInfo{optWorld, "optWorld", K::OptionButton, 1, fraTypeOfTransit},
    ControlInfo{optPersonal, "optPersonal", K::OptionButton, 1, fraTypeOfTransit},
    ControlInfo{fraZodiac, "fraZodiac", K::Frame, 1, fraZodiac},
    ControlInfo{optTropical, "optTropical", K::OptionButton, 1, fraZodiac},
    ControlInfo{optSidereal, "optSidereal", K::OptionButton, 1, fraZodiac},
    ControlInfo{txbStopDate, "txbStopDate", K::TextBox, 1, txbStopDate},
    ControlInfo{lblShortDate, "lblShortDate", K::Label, 1, lblShortDate},
    ControlInfo{lblPlanet, "lblPlanet", K::Label, 2, lblPlanet},
    ControlInfo{cboPlanet, "cboPlanet", K::ComboBox, 2, cboPlanet},
    ControlInfo{lblOrbs, "lblOrbs", K::Label, 3, lblOrbs},
    ControlInfo{cboOrbs, "cboOrbs", K::ComboBox, 3, cboOrbs},
    ControlInfo{cboTimezone, "cboTimezone", K::ComboBox, 2, cboTimezone},
    ControlInfo{chkDisplayNATZabbr, "chkDisplayNATZabbr", K::CheckBox, 1, chkDisplayNATZabbr},
    ControlInfo{fraBirthDate, "fraBirthDate", K::Frame, 1, fraBirthDate},
    ControlInfo{cboHour, "cboHour", K::ComboBox, 1, fraBirthDate},
    ControlInfo{cboMinute, "cboMinute", K::ComboBox, 1, fraBirthDate},
    ControlInfo{txbBirthPlace, "txbBirthPlace", K::TextBox, 1, fraBirthDate},
    ControlInfo{cmdStart, "cmdStart", K::CommandButton, 1, cmdStart},
    ControlInfo{cmdShowAll, "cmdShowAll", K::CommandButton, 2, cmdShowAll},
    ControlInfo{cmdShowAllTransits, "cmdShowAllTransits", K::CommandButton, 1, cmdShowAllTransits},
    ControlInfo{lblAllTransitsDateFormat, "lblAllTransitsDateFormat", K::Label, 1, lblAllTransitsDateFormat},
    ControlInfo{txbAllTransitsDateFormat, "txbAllTransitsDateFormat", K::TextBox, 1, txbAllTransitsDateFormat},
    ControlInfo{lblCopyrightNotice, "lblCopyrightNotice", K::Label, 1, lblCopyrightNotice},
    ControlInfo{lblQF, "lblQF", K::Label, 1, lblQF},
    ControlInfo{fraSearch, "fraSearch", K::Frame, 1, fraSearch},
    ControlInfo{cmdSearch, "cmdSearch", K::CommandButton, 1, fraSearch},
    ControlInfo{Label1, "Label1", K::Label, 1, fraSearch},
    ControlInfo{cboSearchAspect, "cboSearchAspect", K::ComboBox, 1, fraSearch},
    ControlInfo{Label2, "Label2", K::Label, 1, fraSearch},
    ControlInfo{chkKeepDates, "chkKeepDates", K::CheckBox, 1, fraSearch},
    ControlInfo{chkAppendToOutput, "chkAppendToOutput", K::CheckBox, 1, fraSearch},
    ControlInfo{txbOutput, "txbOutput", K::TextBox, 1, txbOutput},
    ControlInfo{cmdSaveState, "cmdSaveState", K::CommandButton, 1, cmdSaveState},
    ControlInfo{cmdRestoreState, "cmdRestoreState", K::CommandButton, 1, cmdRestoreState},
    ControlInfo{cmdFile, "cmdFile", K::CommandButton, 1, cmdFile},
    ControlInfo{chkOpenOutputFile, "chkOpenOutputFile", K::CheckBox, 1, chkOpenOutputFile},
    ControlInfo{chkOutputAsHTML, "chkOutputAsHTML", K::CheckBox, 1, chkOutputAsHTML},
    ControlInfo{cmdClear, "cmdClear", K::CommandButton, 1, cmdClear},
    ControlInfo{cmdHelp, "cmdHelp", K::CommandButton, 1, cmdHelp},
    ControlInfo{cmdQuit, "cmdQuit", K::CommandButton, 1, cmdQuit},
};

constexpr size_t kNameCount = static_cast<size_t>(fraSearch) + 1;
static_assert(kControls.size() == kNameCount, "every control name needs its row");

// Row of each name, so InfoOf does not search.
constexpr std::array<uint8_t, kNameCount> kRowOf = [] {
  std::array<uint8_t, kNameCount> rows{};
  for (size_t r = 0; r < kControls.size(); ++r) rows[static_cast<size_t>(kControls[r].name)] = static_cast<uint8_t>(r);
  return rows;
}();

struct DesignRow {
  ControlName name;
  int16_t index;
  ControlName container;
  std::string_view caption;
  Rect rect;
};

// The two notice labels are placed at start-up from their widths, so only
// their widths and the row they end up on matter here.
// clang-format off
constexpr std::array kDesign{
    DesignRow{lblYear, 0, lblYear, "Year", {1440, 180, 735, 255}},
    DesignRow{lblMonthDay, 0, lblMonthDay, "Month Day", {2225, 180, 1215, 255}},
    DesignRow{lblStartEnd, 0, lblStartEnd, "Start", {360, 510, 900, 255}},
    DesignRow{lblStartEnd, 1, lblStartEnd, "End", {360, 890, 900, 255}},
    DesignRow{lblStartEnd, 2, fraBirthDate, "Birth date", {0, 0, 1140, 255}},
    DesignRow{lblStartEnd, 3, fraBirthDate, "Birth time", {0, 380, 1140, 255}},
    DesignRow{lblStartEnd, 4, fraBirthDate, ":", {2000, 370, 100, 255}},
    DesignRow{txbYear, 0, txbYear, "", {1440, 480, 700, 285}},
    DesignRow{txbYear, 1, txbYear, "", {1440, 850, 700, 285}},
    DesignRow{txbYear, 2, fraBirthDate, "", {1320, 0, 700, 285}},
    DesignRow{txbMonth, 0, txbMonth, "", {2220, 480, 500, 285}},
    DesignRow{txbMonth, 1, txbMonth, "", {2220, 850, 500, 285}},
    DesignRow{txbMonth, 2, fraBirthDate, "", {2100, 0, 500, 285}},
    DesignRow{txbDay, 0, txbDay, "", {2805, 480, 500, 285}},
    DesignRow{txbDay, 1, txbDay, "", {2805, 850, 500, 285}},
    DesignRow{txbDay, 2, fraBirthDate, "", {2685, 0, 500, 285}},
    DesignRow{lblDate, 0, lblDate, "", {3405, 510, 2505, 255}},
    DesignRow{lblDate, 1, lblDate, "", {3405, 890, 2505, 255}},
    DesignRow{lblDate, 2, fraBirthDate, "", {3285, 0, 2505, 255}},
    DesignRow{fraTypeOfTransit, 0, fraTypeOfTransit, "Type of transit", {6720, 120, 3015, 735}},
    DesignRow{optWorld, 0, fraTypeOfTransit, "World", {240, 360, 1215, 255}},
    DesignRow{optPersonal, 0, fraTypeOfTransit, "Personal", {1560, 360, 1215, 255}},
    DesignRow{fraZodiac, 0, fraZodiac, "Zodiac", {10000, 120, 3015, 735}},
    DesignRow{optTropical, 0, fraZodiac, "Tropical", {240, 360, 1215, 255}},
    DesignRow{optSidereal, 0, fraZodiac, "Sidereal", {1560, 360, 1215, 255}},
    DesignRow{txbStopDate, 0, txbStopDate, "", {5200, 840, 1455, 300}},
    DesignRow{lblShortDate, 0, lblShortDate, "", {5310, 2660, 1455, 255}},
    DesignRow{lblPlanet, 0, lblPlanet, "", {6045, 1245, 1755, 255}},
    DesignRow{lblPlanet, 1, lblPlanet, "", {6045, 1725, 1755, 255}},
    DesignRow{cboPlanet, 0, cboPlanet, "", {7920, 1200, 1335, 360}},
    DesignRow{cboPlanet, 1, cboPlanet, "", {7920, 1680, 1335, 360}},
    DesignRow{lblOrbs, 0, lblOrbs, "Outer orb", {9600, 915, 1095, 255}},
    DesignRow{lblOrbs, 1, lblOrbs, "Middle orb", {10680, 915, 1095, 255}},
    DesignRow{lblOrbs, 2, lblOrbs, "Inner orb", {11760, 915, 1095, 255}},
    DesignRow{cboOrbs, 0, cboOrbs, "", {9600, 1200, 735, 315}},
    DesignRow{cboOrbs, 1, cboOrbs, "", {10680, 1200, 735, 315}},
    DesignRow{cboOrbs, 2, cboOrbs, "", {11760, 1200, 735, 315}},
    DesignRow{cboTimezone, 0, cboTimezone, "", {9600, 1680, 1555, 360}},
    DesignRow{cboTimezone, 1, fraBirthDate, "", {2880, 360, 1555, 360}},
    DesignRow{chkDisplayNATZabbr, 0, chkDisplayNATZabbr, "N. Amer. TZ abbr.", {11280, 1700, 2295, 330}},
    DesignRow{fraBirthDate, 0, fraBirthDate, "", {120, 1320, 5895, 735}},
    DesignRow{cboHour, 0, fraBirthDate, "", {1320, 360, 650, 315}},
    DesignRow{cboMinute, 0, fraBirthDate, "", {2130, 360, 650, 315}},
    // Right of the birth zone, in the room the frame has left before the
    // natal planet's label.
    DesignRow{txbBirthPlace, 0, fraBirthDate, "", {4500, 360, 1290, 315}},
    DesignRow{cmdStart, 0, cmdStart, "Show all transits from start to end date for selected planets",
              {480, 2160, 6285, 330}},
    DesignRow{cmdShowAll, 0, cmdShowAll, "Show all transits from start to end date to outer planet",
              {6960, 2160, 6285, 330}},
    DesignRow{cmdShowAll, 1, cmdShowAll, "Show all transits from start to end date to inner planet",
              {6960, 2640, 6285, 330}},
    DesignRow{cmdShowAllTransits, 0, cmdShowAllTransits,
              "Show all transits from start to end date for all planets", {480, 2640, 6285, 330}},
    DesignRow{lblAllTransitsDateFormat, 0, lblAllTransitsDateFormat, "All planets date format:",
              {480, 3120, 2175, 255}},
    DesignRow{txbAllTransitsDateFormat, 0, txbAllTransitsDateFormat, "1", {2640, 3120, 615, 360}},
    DesignRow{lblCopyrightNotice, 0, lblCopyrightNotice, "Copyright \u00a9 The Skyloom authors",
              {480, 2660, 2600, 255}},
    DesignRow{lblQF, 0, lblQF, "\u00b7 Skyloom", {3080, 2660, 750, 255}},
    DesignRow{fraSearch, 0, fraSearch, "", {3500, 2970, 11100, 615}},
    DesignRow{cmdSearch, 0, fraSearch, "Search", {200, 210, 1245, 330}},
    DesignRow{Label1, 0, fraSearch, "for first", {1640, 250, 1455, 255}},
    DesignRow{cboSearchAspect, 0, fraSearch, "", {2780, 195, 1575, 360}},
    DesignRow{Label2, 0, fraSearch, "after end date", {4550, 240, 1935, 255}},
    DesignRow{chkKeepDates, 0, fraSearch, "Keep start/end dates", {6500, 210, 2655, 330}},
    DesignRow{chkAppendToOutput, 0, fraSearch, "Append to output", {8520, 210, 2055, 330}},
    DesignRow{txbOutput, 0, txbOutput, "", {240, 3750, 12255, 2535}},
    DesignRow{cmdSaveState, 0, cmdSaveState, "Save state", {120, 6480, 1605, 330}},
    DesignRow{cmdRestoreState, 0, cmdRestoreState, "Restore state", {1800, 6525, 1605, 330}},
    DesignRow{cmdFile, 0, cmdFile, "Write output to file", {5280, 6480, 2175, 330}},
    DesignRow{chkOpenOutputFile, 0, chkOpenOutputFile, "Open output file", {7680, 6480, 2175, 255}},
    DesignRow{chkOutputAsHTML, 0, chkOutputAsHTML, "Output as HTML", {5880, 6960, 1935, 255}},
    DesignRow{cmdClear, 0, cmdClear, "Clear", {10200, 6480, 1000, 330}},
    DesignRow{cmdHelp, 0, cmdHelp, "Help", {11300, 6480, 1000, 330}},
    DesignRow{cmdQuit, 0, cmdQuit, "Quit", {12400, 6480, 1000, 330}},
};
// clang-format on

constexpr size_t MemberCount() {
  size_t n = 0;
  for (const ControlInfo& info : kControls) n += static_cast<size_t>(info.count);
  return n;
}
static_assert(kDesign.size() == MemberCount(), "every member needs its design row");

const DesignRow& DesignRowOf(Control c) {
  const ControlInfo& info = InfoOf(c.name);
  if (c.index < 0 || c.index >= info.count)
    throw std::out_of_range(std::string(info.text) + "(" + std::to_string(c.index) + ") does not exist");
  for (const DesignRow& row : kDesign)
    if (row.name == c.name && row.index == c.index) return row;
  throw std::logic_error(std::string(info.text) + " has no design row");
}

}  // namespace

std::span<const ControlInfo> AllControls() { return kControls; }

const ControlInfo& InfoOf(ControlName name) {
  auto n = static_cast<size_t>(name);
  if (n >= kNameCount) throw std::out_of_range("unknown control name " + std::to_string(n));
  return kControls[kRowOf[n]];
}

ControlName ContainerOf(Control c) { return DesignRowOf(c).container; }

ControlDesign DesignOf(Control c) {
  const DesignRow& row = DesignRowOf(c);
  return {row.caption, row.rect};
}

bool EditableList(ControlName name) {
  return name == ControlName::cboHour || name == ControlName::cboMinute || name == ControlName::cboSearchAspect ||
         name == ControlName::cboTimezone;
}

}  // namespace skyloom
