#include "calendar/time_zones.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"
#include "ports/window.h"

namespace skyloom {

namespace {

struct Abbreviation {
  int16_t position;
  std::string_view text;
};

// The North American zones; the half-hour positions between them keep their
// offset texts.
constexpr std::array kAbbreviations{
    Abbreviation{19, "NDT"},     Abbreviation{18, "ADT"},     Abbreviation{17, "NST"},
    Abbreviation{16, "AST/EDT"}, Abbreviation{14, "EST/CDT"}, Abbreviation{12, "CST/MDT"},
    Abbreviation{10, "MST/PDT"}, Abbreviation{8, "PST/AKDT"}, Abbreviation{6, "AKST/HADT"},
    Abbreviation{4, "HAST"},
};

constexpr int16_t kFirstZone = 1;
constexpr int16_t kLastZone = TimezoneEntryCount - 1;

}  // namespace

std::string TimezoneText(int16_t position, bool abbreviations) {
  if (position < kFirstZone || position > kLastZone) return {};
  if (abbreviations) {
    for (const Abbreviation& a : kAbbreviations)
      if (a.position == position) return std::string(a.text);
  }
  const int minutes = ZoneMinutesOfPosition(position);
  if (minutes == 0) return "GMT";
  std::string text = minutes < 0 ? "GMT-" : "GMT+";
  text += NumberText(std::abs(minutes) / 60);
  text += std::abs(minutes) % 60 != 0 ? ":30" : ":00";
  return text;
}

void SetUpTimezoneComboBoxes(FormState& state, bool preserveIndices) {
  Window& w = state.window;
  const bool abbreviations = w.Value(Ctl(ControlName::chkDisplayNATZabbr)) != 0;
  for (int16_t i = 0; i < 2; ++i) {
    const Control list = Ctl(ControlName::cboTimezone, i);
    state.SavedTimezoneIndex[static_cast<size_t>(i)] = preserveIndices ? w.ListIndex(list) : int16_t{0};
    w.ClearList(list);
    w.AddItem(list, "");  // no zone chosen
    for (int16_t position = kFirstZone; position <= kLastZone; ++position) {
      w.AddItem(list, TimezoneText(position, abbreviations));
      w.SetItemData(list, position, ZoneMinutesOfPosition(position));
    }
    // Before the window has loaded, selecting would fire the list's click.
    if (state.FormLoaded) w.SetListIndex(list, state.SavedTimezoneIndex[static_cast<size_t>(i)]);
  }
}

int16_t MachineTimezoneMinutes() {
  // The bias runs west (local time + bias = GMT); the lists run east.
  const double minutes = std::nearbyint(-static_cast<double>(local_timezone()) / 60.0);
  return static_cast<int16_t>(std::clamp(minutes, static_cast<double>(std::numeric_limits<int16_t>::min()),
                                         static_cast<double>(std::numeric_limits<int16_t>::max())));
}

int16_t TimezonePositionOfMinutes(int32_t minutes) {
  // Zones of twelve hours or more either way lie beyond the list; the
  // nearest end is the closest offset the list can give.
  const double position = std::nearbyint(static_cast<double>(minutes) / 30.0 + GreenwichPosition);
  return static_cast<int16_t>(
      std::clamp(position, static_cast<double>(kFirstZone), static_cast<double>(kLastZone)));
}

void SelectMachineTimezoneIfUnset(FormState& state) {
  const Control results = Ctl(ControlName::cboTimezone, 0);
  if (state.window.ListIndex(results) != -1) return;
  state.window.SetListIndex(results, TimezonePositionOfMinutes(MachineTimezoneMinutes()));
}

}  // namespace skyloom
