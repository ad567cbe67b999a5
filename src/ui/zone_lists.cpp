#include "ui/zone_lists.h"

#include "calendar/time_zones.h"
#include "ports/window.h"

namespace skyloom {

void SetUpTimezoneComboBoxes(FormState& state, bool preserveIndices) {
  Window& w = state.window;
  const bool abbreviations = w.Value(Ctl(ControlName::chkDisplayNATZabbr)) != 0;
  for (int16_t i = 0; i < 2; ++i) {
    const Control list = Ctl(ControlName::cboTimezone, i);
    state.SavedTimezoneIndex[static_cast<size_t>(i)] = preserveIndices ? w.ListIndex(list) : int16_t{0};
    w.ClearList(list);
    w.AddItem(list, "");  // no zone chosen
    for (int16_t position = FirstZonePosition; position <= LastZonePosition; ++position) {
      w.AddItem(list, TimezoneText(position, abbreviations));
      w.SetItemData(list, position, ZoneMinutesOfPosition(position));
    }
    // Before the window has loaded, selecting would fire the list's click.
    if (state.FormLoaded) w.SetListIndex(list, state.SavedTimezoneIndex[static_cast<size_t>(i)]);
  }
}

void SelectMachineTimezoneIfUnset(FormState& state) {
  const Control results = Ctl(ControlName::cboTimezone, 0);
  if (state.window.ListIndex(results) != -1) return;
  state.window.SetListIndex(results, TimezonePositionOfMinutes(MachineTimezoneMinutes()));
}

}  // namespace skyloom
