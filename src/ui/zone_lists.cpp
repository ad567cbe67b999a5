#include "ui/zone_lists.h"

#include <array>
#include <string>

#include "calendar/time_zones.h"
#include "ports/time_zone_database.h"
#include "ports/window.h"

namespace skyloom {

namespace {

constexpr size_t kMostOffered = 20;

// Lower case, and a blank for the underscore the database writes between
// the words of a city ("New_York").
std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& ch : folded) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    if (ch == '_') ch = ' ';
  }
  return folded;
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The names of the database, read once: the folder does not change while
// the program runs, and a keystroke should not read it again.
const std::vector<std::string>& AllZoneNames() {
  static const std::vector<std::string> names = ZoneNames();
  return names;
}

// A name typed into a list (not one of its entries), trimmed.
std::string TypedName(const Window& w, Control list) {
  if (w.ListIndex(list) >= 0) return {};
  return std::string(Trimmed(w.Text(list)));
}

}  // namespace

void SetUpTimezoneComboBoxes(FormState& state, bool preserveIndices) {
  Window& w = state.window;
  const bool abbreviations = w.Value(Ctl(ControlName::chkDisplayNATZabbr)) != 0;
  for (int16_t i = 0; i < 2; ++i) {
    const Control list = Ctl(ControlName::cboTimezone, i);
    state.SavedTimezoneIndex[static_cast<size_t>(i)] = preserveIndices ? w.ListIndex(list) : int16_t{0};
    // Refilling clears the list's text: a typed name is put back after.
    const std::string typed = preserveIndices ? TypedName(w, list) : std::string();
    w.ClearList(list);
    w.AddItem(list, "");  // no zone chosen
    for (int16_t position = FirstZonePosition; position <= LastZonePosition; ++position) {
      w.AddItem(list, TimezoneText(position, abbreviations));
      w.SetItemData(list, position, ZoneMinutesOfPosition(position));
    }
    // Before the window has loaded, selecting would fire the list's click.
    if (!state.FormLoaded) continue;
    if (!typed.empty()) {
      w.SetText(list, typed);
    } else {
      w.SetListIndex(list, state.SavedTimezoneIndex[static_cast<size_t>(i)]);
    }
  }
}

void SelectMachineTimezoneIfUnset(FormState& state) {
  const Control results = Ctl(ControlName::cboTimezone, 0);
  if (state.window.ListIndex(results) != -1 || !TypedName(state.window, results).empty()) return;
  state.window.SetListIndex(results, TimezonePositionOfMinutes(MachineTimezoneMinutes()));
}

std::vector<Completion> ZoneCompletions(std::string_view typed) {
  std::vector<Completion> entries;
  const std::string wanted = Folded(Trimmed(typed));
  if (wanted.size() < 2) return entries;
  // Two rounds: the names that start as typed, then those with a later
  // part (the city) that does.
  std::vector<const std::string*> cities;
  for (const std::string& name : AllZoneNames()) {
    const std::string folded = Folded(name);
    if (folded.starts_with(wanted)) {
      if (entries.size() < kMostOffered) entries.push_back({name, name});
      continue;
    }
    for (size_t slash = folded.find('/'); slash != std::string::npos; slash = folded.find('/', slash + 1)) {
      if (std::string_view(folded).substr(slash + 1).starts_with(wanted)) {
        cities.push_back(&name);
        break;
      }
    }
  }
  for (const std::string* name : cities) {
    if (entries.size() == kMostOffered) break;
    entries.push_back({*name, *name});
  }
  return entries;
}

void ZoneListTyped(FormState& state, int16_t list) {
  const Control c = Ctl(ControlName::cboTimezone, list);
  const std::vector<Completion> entries = ZoneCompletions(TypedName(state.window, c));
  state.window.SetCompletions(c, entries);
}

}  // namespace skyloom
