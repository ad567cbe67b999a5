#include "state/saved_state.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "calendar/time_zones.h"
#include "engine/bodies.h"
#include "engine/houses.h"
#include "ports/window.h"
#include "report/program.h"
#include "runs/captions.h"
#include "state/registry.h"
#include "ui/modes.h"

namespace skyloom {
namespace {

Control C(ControlName n, int16_t i = 0) { return Ctl(n, i); }

// How a stored value is taken from the window.
enum class Source : uint8_t {
  Text,      // the text of a box
  Position,  // the selected position of a list, -1 for none
  Flag,      // "Y" when the option is selected, else "N"
  Number,    // the value of a check box
  Marker,    // "Y": a state has been saved
  Typed,     // the text typed into a list when it is none of its entries, else empty
  Option,    // a choice of the window's menus, by its name
};

struct SavedValue {
  SavedValueName id;
  Source source;
  Control control;  // the marker has none of its own
};

constexpr std::string_view kSkl = "\\SKL";

// The order of the writes: the three dates with the body lists between
// them, the orbs, then the rest; "StateSaved" last, so that it is only
// there once everything before it is.
constexpr SavedValue kSavedValues[] = {
    {{"\\SKL\\Year", "0"}, Source::Text, {ControlName::txbYear, 0}},
    {{"\\SKL\\Month", "0"}, Source::Text, {ControlName::txbMonth, 0}},
    {{"\\SKL\\Day", "0"}, Source::Text, {ControlName::txbDay, 0}},
    {{"\\SKL\\PlanetLI", "0"}, Source::Position, {ControlName::cboPlanet, 0}},
    {{"\\SKL\\Year", "1"}, Source::Text, {ControlName::txbYear, 1}},
    {{"\\SKL\\Month", "1"}, Source::Text, {ControlName::txbMonth, 1}},
    {{"\\SKL\\Day", "1"}, Source::Text, {ControlName::txbDay, 1}},
    {{"\\SKL\\PlanetLI", "1"}, Source::Position, {ControlName::cboPlanet, 1}},
    {{"\\SKL\\Year", "2"}, Source::Text, {ControlName::txbYear, 2}},
    {{"\\SKL\\Month", "2"}, Source::Text, {ControlName::txbMonth, 2}},
    {{"\\SKL\\Day", "2"}, Source::Text, {ControlName::txbDay, 2}},
    {{"\\SKL\\OrbsLI", "0"}, Source::Position, {ControlName::cboOrbs, 0}},
    {{"\\SKL\\OrbsLI", "1"}, Source::Position, {ControlName::cboOrbs, 1}},
    {{"\\SKL\\OrbsLI", "2"}, Source::Position, {ControlName::cboOrbs, 2}},
    {{kSkl, "World"}, Source::Flag, {ControlName::optWorld, 0}},
    {{kSkl, "Tropical"}, Source::Flag, {ControlName::optTropical, 0}},
    {{kSkl, "TZ0"}, Source::Position, {ControlName::cboTimezone, 0}},
    {{kSkl, "TZ1"}, Source::Position, {ControlName::cboTimezone, 1}},
    {{kSkl, "NATZ"}, Source::Number, {ControlName::chkDisplayNATZabbr, 0}},
    {{kSkl, "Stop"}, Source::Text, {ControlName::txbStopDate, 0}},
    {{kSkl, "ATDateFmt"}, Source::Text, {ControlName::txbAllTransitsDateFormat, 0}},
    {{kSkl, "SrchAsp"}, Source::Position, {ControlName::cboSearchAspect, 0}},
    {{kSkl, "BirthHour"}, Source::Position, {ControlName::cboHour, 0}},
    {{kSkl, "BirthMinute"}, Source::Position, {ControlName::cboMinute, 0}},
    {{kSkl, "BirthPlace"}, Source::Text, {ControlName::txbBirthPlace, 0}},
    {{kSkl, "TZName0"}, Source::Typed, {ControlName::cboTimezone, 0}},
    {{kSkl, "TZName1"}, Source::Typed, {ControlName::cboTimezone, 1}},
    {{kSkl, "BirthHourText"}, Source::Typed, {ControlName::cboHour, 0}},
    {{kSkl, "BirthMinuteText"}, Source::Typed, {ControlName::cboMinute, 0}},
    {{kSkl, "Stations"}, Source::Option, {}},
    {{kSkl, "Ingresses"}, Source::Option, {}},
    {{kSkl, "HouseIngresses"}, Source::Option, {}},
    {{kSkl, "Aspects"}, Source::Option, {}},
    {{kSkl, "Houses"}, Source::Option, {}},
    {{kSkl, "WithMoon"}, Source::Option, {}},
    {{kSkl, "Eclipses"}, Source::Option, {}},
    {{kSkl, "Lunations"}, Source::Option, {}},
    {{kSkl, "VoidOfCourse"}, Source::Option, {}},
    {{kSkl, "Moving"}, Source::Option, {}},
    {{kSkl, "StateSaved"}, Source::Marker, {ControlName::cmdSaveState, 0}},
};
constexpr size_t kSavedCount = std::size(kSavedValues);

constexpr std::array<SavedValueName, kSavedCount> kSavedNames = [] {
  std::array<SavedValueName, kSavedCount> names{};
  for (size_t i = 0; i < kSavedCount; ++i) names[i] = kSavedValues[i].id;
  return names;
}();

std::string YesNo(bool flag) { return flag ? "Y" : "N"; }

// The aspects by their numbers, "1,2,3,4,5" for the major ones.
std::string AspectsText(const AspectSet& aspects) {
  std::string text;
  for (AspectIndex a : aspects.List()) text += (text.empty() ? "" : ",") + std::to_string(a);
  return text;
}

// How the moving body moves, by the word the store keeps.
constexpr std::pair<ProgressionKind, std::string_view> kMovingWords[] = {
    {ProgressionKind::Transit, "Transiting"},
    {ProgressionKind::Progressed, "Progressed"},
    {ProgressionKind::Directed, "Directed"},
};

std::string MovingText(ProgressionKind kind) {
  for (const auto& [k, word] : kMovingWords)
    if (k == kind) return std::string(word);
  return "Transiting";
}

std::string OptionText(const RunOptions& options, std::string_view name) {
  if (name == "Stations") return YesNo(options.stations);
  if (name == "Ingresses") return YesNo(options.ingresses);
  if (name == "HouseIngresses") return YesNo(options.houseIngresses);
  if (name == "Aspects") return AspectsText(options.aspects);
  if (name == "Houses") return HouseSystemName(options.houses);
  if (name == "Eclipses") return YesNo(options.eclipses);
  if (name == "Lunations") return YesNo(options.lunations);
  if (name == "VoidOfCourse") return YesNo(options.voidOfCourse);
  if (name == "Moving") return MovingText(options.progression);
  return YesNo(options.withMoon);
}

std::string TextToSave(FormState& state, const SavedValue& value) {
  Window& w = state.window;
  switch (value.source) {
    case Source::Option: return OptionText(state.Options, value.id.name);
    case Source::Text: return w.Text(value.control);
    case Source::Position: return std::to_string(w.ListIndex(value.control));
    case Source::Flag: return w.Value(value.control) != 0 ? "Y" : "N";
    case Source::Number: return std::to_string(w.Value(value.control));
    case Source::Typed: return w.ListIndex(value.control) < 0 ? w.Text(value.control) : std::string();
    case Source::Marker: break;
  }
  return "Y";
}

void ShowSaveFailure(Window& w, const std::string& detail) {
  MessageBoxRequest request;
  request.text = "Error saving to registry:\r\n" + detail;
  request.title = ProgramTitle;
  request.icon = MsgIcon::Exclamation;
  w.MessageBox(request);
}

std::string Read(SettingsStore& store, std::string_view keyPart, std::string_view name, std::string_view defaultValue) {
  std::string value;
  RestoreRegistryString(store, keyPart, name, value, false, defaultValue);
  return value;
}

// The text's leading decimal number rounded to a whole one, ties to even;
// nothing when the text does not start with a number (after blanks) or the
// number does not fit in 16 bits. The store may have been edited or damaged
// by hand, so nothing in it is taken on trust.
std::optional<int16_t> StoredNumber(std::string_view text) {
  const size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return std::nullopt;
  text.remove_prefix(start);
  size_t end = 0;
  if (text[end] == '+' || text[end] == '-') ++end;
  bool digits = false;
  const auto skipDigits = [&] {
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
      ++end;
      digits = true;
    }
  };
  skipDigits();
  if (end < text.size() && text[end] == '.') {
    ++end;
    skipDigits();
  }
  if (!digits) return std::nullopt;
  std::string_view number = text.substr(0, end);
  if (number.front() == '+') number.remove_prefix(1);  // from_chars takes no plus sign
  double value = 0;
  const auto [next, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || next != number.data() + number.size()) return std::nullopt;
  value = std::nearbyint(value);
  if (!(value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max()))
    return std::nullopt;
  return static_cast<int16_t>(value);
}

// A stored position that names an entry of a list of count entries; -1 (no
// selection) only where the list can be left without one. Anything else,
// edited or damaged by hand, names nothing: a list without a selection
// gives runs an orb of 0 degrees or a zone of -12:30, so such a value
// counts as missing.
std::optional<int16_t> StoredPosition(const std::string& text, int16_t count, bool noneAllowed) {
  const std::optional<int16_t> position = StoredNumber(text);
  if (!position || *position >= count || *position < (noneAllowed ? -1 : 0)) return std::nullopt;
  return position;
}

// Selects a stored position, or the list's default where the store holds
// no usable one.
void SelectStored(Window& w, Control list, const std::string& text, int16_t defaultPosition, bool noneAllowed = false) {
  w.SetListIndex(list, StoredPosition(text, w.ListCount(list), noneAllowed).value_or(defaultPosition));
}

// Reads a stored list position, the default standing in for a missing one.
std::string ReadPosition(SettingsStore& store, std::string_view keyPart, std::string_view name,
                         int16_t defaultPosition) {
  return Read(store, keyPart, name, std::to_string(defaultPosition));
}

// The menus' choices; each missing or unreadable one takes its default.
RunOptions RestoredOptions(SettingsStore& store) {
  RunOptions options;
  const auto flag = [&](std::string_view name) { return Read(store, kSkl, name, "N").starts_with('Y'); };
  options.stations = flag("Stations");
  options.ingresses = flag("Ingresses");
  options.houseIngresses = flag("HouseIngresses");
  options.withMoon = flag("WithMoon");
  options.eclipses = flag("Eclipses");
  options.lunations = flag("Lunations");
  options.voidOfCourse = flag("VoidOfCourse");
  // A state saved before these existed, or edited by hand, runs the sky.
  const std::string moving = Read(store, kSkl, "Moving", "");
  for (const auto& [kind, word] : kMovingWords)
    if (moving == word) options.progression = kind;
  AspectSet aspects;
  const std::string stored = Read(store, kSkl, "Aspects", "");
  for (size_t start = 0; start <= stored.size();) {
    size_t end = stored.find(',', start);
    if (end == std::string::npos) end = stored.size();
    const std::optional<int16_t> aspect = StoredNumber(std::string_view(stored).substr(start, end - start));
    if (aspect && *aspect >= 1 && *aspect <= AspectCount) aspects.Add(*aspect);
    start = end + 1;
  }
  if (!aspects.Empty()) options.aspects = aspects;
  if (const std::optional<HouseSystem> houses = HouseSystemByName(Read(store, kSkl, "Houses", "")))
    options.houses = *houses;
  return options;
}

std::string Digit(int16_t i) { return std::string(1, static_cast<char>('0' + i)); }

}  // namespace

std::span<const SavedValueName> SavedStateValues() { return kSavedNames; }

bool SaveProgramState(FormState& state, SettingsStore& store) {
  Window& w = state.window;
  std::string failure;
  for (const SavedValue& value : kSavedValues) {
    const std::string text = TextToSave(state, value);
    if (!SaveRegistryString(store, value.id.keyPart, value.id.name, text, false)) {
      // The rest would only mix this state with the one stored before.
      failure = "strKey=" + std::string(value.id.keyPart) + "\r\nstrName=" + std::string(value.id.name) +
                "\r\nstrValue=" + (text.empty() ? std::string(" ") : text);
      break;
    }
  }
  if (failure.empty()) {
    const StoreResult flushed = store.Flush();
    if (flushed != StoreSuccess) {
      failure = store.FlushFailure();
      if (failure.empty()) failure = std::string(StoreErrorText(flushed));
      if (failure.empty()) failure = "Error " + std::to_string(flushed);
    }
  }
  if (!failure.empty()) {
    // Not saved, so quitting must still offer to save.
    state.StateRecentlySaved = false;
    ShowSaveFailure(w, failure);
    return false;
  }
  state.StateRecentlySaved = true;
  state.SavedTickCount = 0;
  if (state.FormLoaded) PopUpDone(w);
  return true;
}

bool RestoreProgramState(FormState& state, SettingsStore& store) {
  Window& w = state.window;
  // What was saved last, wherever it was saved from.
  store.Reload();
  std::string marker;
  if (!RestoreRegistryString(store, kSkl, "StateSaved", marker, false, "")) return false;

  // The dates go into the boxes as stored; the body positions into the
  // lists of the mode the window is in now.
  const bool modeNow = w.Value(C(ControlName::optWorld)) != 0;
  std::array<std::string, 2> planets;
  for (int16_t i = 0; i < 3; ++i) {
    const std::string name = Digit(i);
    w.SetText(C(ControlName::txbYear, i), Read(store, "\\SKL\\Year", name, ""));
    w.SetText(C(ControlName::txbMonth, i), Read(store, "\\SKL\\Month", name, ""));
    w.SetText(C(ControlName::txbDay, i), Read(store, "\\SKL\\Day", name, ""));
    if (i < 2) {
      planets[i] = Read(store, "\\SKL\\PlanetLI", name, name);
      SelectStored(w, C(ControlName::cboPlanet, i), planets[i], DefaultPlanetPosition(modeNow, i));
    }
  }
  static constexpr int16_t kOrbDefaults[] = {9, 4, 1};
  // The three orbs arrive one list at a time and are put back without the
  // lists' Click: the orb rules are for the user's choices, not for the
  // half-restored combinations in between.
  for (int16_t i = 0; i < 3; ++i) {
    const Control list = C(ControlName::cboOrbs, i);
    const std::string stored = ReadPosition(store, "\\SKL\\OrbsLI", Digit(i), kOrbDefaults[i]);
    w.RestoreListIndex(list, StoredPosition(stored, w.ListCount(list), false).value_or(kOrbDefaults[i]));
  }
  if (state.FormLoaded) UpdateSearchOrbLabel(state);

  // The stored bodies become the ones remembered for the stored mode, from
  // which its lists are built: by the mode switch below once the window
  // has loaded, by the rest of the start-up otherwise. A position that the
  // mode's list does not have is remembered as none, which the lists take
  // as their default body.
  const bool world = Read(store, kSkl, "World", "N").starts_with('Y');
  for (int16_t list = 0; list < 2; ++list) {
    state.RememberedPlanetIndex[static_cast<size_t>(list * 2 + (world ? 0 : 1))] =
        StoredPosition(planets[list], PlanetListLength(world, list), false).value_or(int16_t{-1});
  }
  w.SetValue(C(world ? ControlName::optWorld : ControlName::optPersonal), 1);

  const bool tropical = Read(store, kSkl, "Tropical", "Y").starts_with('Y');
  w.SetValue(C(tropical ? ControlName::optTropical : ControlName::optSidereal), 1);

  // Changing the check box refills the zone lists, so the zones come after.
  const std::optional<int16_t> abbreviations = StoredNumber(Read(store, kSkl, "NATZ", "1"));
  if (abbreviations && (*abbreviations == 0 || *abbreviations == 1))
    w.SetValue(C(ControlName::chkDisplayNATZabbr), *abbreviations);
  // A birth zone may be left unchosen (the first start leaves it so, and a
  // run then asks for it); the results always have one.
  // A tz database name typed into a list is kept beside its position (none
  // then); a state stored before the lists took names has none.
  for (int16_t i = 0; i < 2; ++i) {
    const Control list = C(ControlName::cboTimezone, i);
    SelectStored(w, list, ReadPosition(store, kSkl, "TZ" + Digit(i), GreenwichPosition), GreenwichPosition, i == 1);
    const std::string name = Read(store, kSkl, "TZName" + Digit(i), "");
    if (name.find_first_not_of(" \t") != std::string::npos) w.SetText(list, name);
  }

  state.StopDateText = Read(store, kSkl, "Stop", "");
  // A state stored before the box was there restores it empty.
  w.SetText(C(ControlName::txbBirthPlace), Read(store, kSkl, "BirthPlace", ""));
  w.SetText(C(ControlName::txbAllTransitsDateFormat), Read(store, kSkl, "ATDateFmt", ""));
  for (auto [list, name] : {std::pair{ControlName::cboSearchAspect, "SrchAsp"},
                            {ControlName::cboHour, "BirthHour"},
                            {ControlName::cboMinute, "BirthMinute"}})
    SelectStored(w, C(list), ReadPosition(store, kSkl, name, 0), 0);
  // Any hour and minute typed in; a state stored before they could be
  // typed has neither.
  for (auto [list, name] :
       {std::pair{ControlName::cboHour, "BirthHourText"}, {ControlName::cboMinute, "BirthMinuteText"}}) {
    const std::string typed = Read(store, kSkl, name, "");
    if (typed.find_first_not_of(" \t") != std::string::npos) w.SetText(C(list), typed);
  }
  state.Options = RestoredOptions(store);

  state.StateRecentlySaved = true;
  state.SavedTickCount = 0;
  if (state.FormLoaded) PopUpDone(w);
  return true;
}

}  // namespace skyloom
