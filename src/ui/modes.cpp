#include "ui/modes.h"

#include <cctype>
#include <string>
#include <vector>

#include "calendar/date_format.h"
#include "ports/window.h"
#include "runs/captions.h"
#include "ui/main_form.h"
#include "ui/window_run.h"

namespace skyloom {
namespace {

Control C(ControlName n, int16_t i = 0) { return Ctl(n, i); }

bool WorldMode(const FormState& state) { return state.window.Value(C(ControlName::optWorld)) != 0; }

struct ListRange {
  BodyIndex first, last;
  int16_t defaultPosition;
};

// Bodies each list offered first, and the position chosen when nothing is
// remembered (Mars first, Jupiter second). Saved states keep list
// positions, so whatever a list offers besides these comes after them.
ListRange RangeOf(bool world, int16_t list) {
  if (world) return list == 0 ? ListRange{Sun, Neptune, 3} : ListRange{Mercury, Pluto, 3};
  return list == 0 ? ListRange{Sun, Pluto, 3} : ListRange{Sun, Moon, 4};
}

// Every entry of a list in order: the bodies above, then the nodes and
// Chiron in either role, the Moon where it may move (the first list), and
// the natal chart's angles and cusps where a natal body is chosen.
std::vector<BodyIndex> ListEntries(bool world, int16_t list) {
  const ListRange range = RangeOf(world, list);
  std::vector<BodyIndex> bodies;
  for (BodyIndex b = range.first; b <= range.last; ++b) bodies.push_back(b);
  for (BodyIndex b : {NorthNode, MeanNode, Chiron}) bodies.push_back(b);
  if (list == 0) bodies.push_back(Moon);
  if (!world && list == 1)
    for (BodyIndex b = Ascendant; b <= Cusp12; ++b) bodies.push_back(b);
  return bodies;
}

int16_t Slot(bool world, int16_t list) { return static_cast<int16_t>(list * 2 + (world ? 0 : 1)); }

void ShowMode(FormState& state, bool world) {
  Window& w = state.window;
  w.SetVisible(C(ControlName::fraZodiac), !world);
  w.SetVisible(C(ControlName::fraBirthDate), !world);
  w.SetText(C(ControlName::lblPlanet, 0), world ? "Inner planet" : "Transiting planet");
  w.SetText(C(ControlName::lblPlanet, 1), world ? "Outer planet" : "Natal planet");
}

}  // namespace

int16_t PlanetListLength(bool world, int16_t list) { return static_cast<int16_t>(ListEntries(world, list).size()); }

BodyIndex PlanetListBody(bool world, int16_t list, int16_t position) {
  const std::vector<BodyIndex> bodies = ListEntries(world, list);
  if (position < 0 || static_cast<size_t>(position) >= bodies.size()) return 0;
  return bodies[static_cast<size_t>(position)];
}

int16_t DefaultPlanetPosition(bool world, int16_t list) { return RangeOf(world, list).defaultPosition; }

void SetUpPlanetComboBoxes(FormState& state) {
  Window& w = state.window;
  const bool world = WorldMode(state);
  state.FillingPlanetLists = true;
  for (int16_t list = 0; list < 2; ++list) {
    const Control c = C(ControlName::cboPlanet, list);
    const ListRange offer = RangeOf(world, list);
    w.ClearList(c);
    for (BodyIndex b : ListEntries(world, list)) {
      w.AddItem(c, BodyName(b));
      w.SetItemData(c, static_cast<int16_t>(w.ListCount(c) - 1), b);
    }
    const int16_t remembered = state.RememberedPlanetIndex[Slot(world, list)];
    const int16_t count = w.ListCount(c);
    w.SetListIndex(c, remembered >= count ? static_cast<int16_t>(count - 1)
                      : remembered < 0    ? offer.defaultPosition
                                          : remembered);
  }
  state.FillingPlanetLists = false;
}

void WorldClicked(FormState& state) {
  if (!state.FormLoaded) return;
  Window& w = state.window;
  ShowMode(state, true);
  SetUpPlanetComboBoxes(state);
  state.RememberedPlanetIndex[0] = w.ListIndex(C(ControlName::cboPlanet, 0));
  state.RememberedPlanetIndex[2] = w.ListIndex(C(ControlName::cboPlanet, 1));
  w.SetVisible(C(ControlName::cmdShowAll, 1), false);
  UpdateCommandCaptions(w);
}

void PersonalClicked(FormState& state) {
  if (!state.FormLoaded) return;
  Window& w = state.window;
  ShowMode(state, false);
  SetUpPlanetComboBoxes(state);
  state.RememberedPlanetIndex[1] = w.ListIndex(C(ControlName::cboPlanet, 0));
  state.RememberedPlanetIndex[3] = w.ListIndex(C(ControlName::cboPlanet, 1));
  UpdateCommandCaptions(w);
  w.SetVisible(C(ControlName::cmdShowAll, 1), true);
}

void PlanetListClicked(FormState& state, int16_t list) {
  if (!state.FormLoaded || state.FillingPlanetLists) return;
  Window& w = state.window;
  state.RememberedPlanetIndex[Slot(WorldMode(state), list)] = w.ListIndex(C(ControlName::cboPlanet, list));
  UpdateCommandCaptions(w);
  FocusIfAvailable(w, C(ControlName::cmdStart));
}

void UpdateSearchOrbLabel(FormState& state) {
  Window& w = state.window;
  const int16_t outer = w.ListIndex(C(ControlName::cboOrbs, 0));
  w.SetText(C(ControlName::Label1), "for first " + std::to_string(outer + 1) + "°");
}

void OrbListClicked(FormState& state) {
  if (!state.FormLoaded) return;
  CheckOrbChoice(state);
  UpdateSearchOrbLabel(state);
  FocusIfAvailable(state.window, C(ControlName::cmdStart));
}

void FillSelectionLists(FormState& state) {
  Window& w = state.window;
  SetUpPlanetComboBoxes(state);
  static constexpr int16_t kStartOrbs[] = {9, 4, 1};
  for (int16_t k = 0; k < 3; ++k) {
    const Control c = C(ControlName::cboOrbs, k);
    w.ClearList(c);
    for (int degrees = 1; degrees <= 15; ++degrees) w.AddItem(c, std::to_string(degrees) + "°");
    w.SetListIndex(c, kStartOrbs[k]);
  }
  auto twoDigits = [](int n) { return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)}; };
  const Control hour = C(ControlName::cboHour), minute = C(ControlName::cboMinute);
  w.ClearList(hour);
  w.AddItem(hour, "");
  for (int h = 0; h < 24; ++h) w.AddItem(hour, twoDigits(h));
  w.ClearList(minute);
  w.AddItem(minute, "");
  for (int m = 0; m < 60; m += 5) {
    w.AddItem(minute, twoDigits(m));
    w.SetItemData(minute, static_cast<int16_t>(w.ListCount(minute) - 1), m);
  }
  const Control aspects = C(ControlName::cboSearchAspect);
  w.ClearList(aspects);
  // The major aspects keep the first positions, which saved states hold;
  // the minor ones follow.
  for (AspectIndex a = 1; a <= AspectCount; ++a) {
    w.AddItem(aspects, AsciiLowerCase(AspectName(a)));
  }
}

}  // namespace skyloom
