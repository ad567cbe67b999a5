#include "runs/run_controller.h"

#include <cmath>

#include "calendar/time_zones.h"
#include "engine/positions.h"
#include "ports/window.h"
#include "runs/checks.h"
#include "runs/output_box.h"
#include "runs/run_transits.h"

namespace skyloom {
namespace {

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

bool RunGoing(const Window& w) { return w.Text(C(ControlName::cmdStart)) == "Stop"; }

bool WorldMode(const Window& w) { return w.Value(C(ControlName::optWorld)) != 0; }

// The natal position is taken at the birth minute in Universal Time, which
// the birth zone can push onto the day before the first (or after the last)
// day of the natal body's data although the birth date itself is inside it.
// A run with an error value as natal position would measure aspects to a
// meaningless longitude, so the press ends here with the range message.
bool NatalPositionKnown(FormState& state) {
  const Position natal = state.NatalLongitude[static_cast<size_t>(state.RunBodies[1])];
  if (natal.Known()) return true;
  const RangeErrorCode code = RangeErrorOf(natal.status, false);
  state.window.MessageBox(
      {DateRangeMessage(code, state.RunBodies[0], state.RunBodies[1]), "Error", MsgIcon::Exclamation});
  return false;
}

}  // namespace

void StartCommand(FormState& state) {
  Window& w = state.window;
  const Control start = C(ControlName::cmdStart);

  // Every way out before the run clears it below counts as a refused press,
  // which ends a Show-all series.
  state.RunAbandoned = true;
  if (RunGoing(w)) {
    // Pressed from inside the engine's daily yield: the engine notices the
    // request there and ends the run itself.
    state.StopRequested = true;
    return;
  }
  if (state.QuitRequested) return;

  if (!CheckOutputFile(state)) return;
  state.EnteredDayNumbers = {0, 0, 0};
  if (!CheckDatePresent(state, 0) || !CheckDatePresent(state, 1)) return;
  const bool world = WorldMode(w);
  if (!world && !CheckBirthBoxes(state)) return;
  if (!CheckDateValid(state, 0) || !CheckDateValid(state, 1)) return;
  if (!world && !CheckBirthData(state, true)) return;
  if (!CheckPeriod(state) || !CheckResultZone(state, start)) return;

  const BodyIndex first = SelectedBody(w, 0, world);
  // No inner body chosen stands for Pluto: the closing pair of a world
  // Show-all series is made that way.
  state.RunBodies[0] = world && first == 0 ? Pluto : first;
  state.RunBodies[1] = SelectedBody(w, 1, world);

  if (world) {
    // A series pairs one body with every other: the body with itself is
    // passed over without a word, and the series goes on. The order check
    // puts the other pairs of a series in order.
    if (state.ShowAllMode && state.RunBodies[0] == state.RunBodies[1]) {
      state.RunAbandoned = false;
      return;
    }
    if (!CheckBodyOrder(state, start)) return;
  }
  // A series has checked that its orbs are nested before its first run;
  // the per-body minimums are for a single pair.
  if (!state.ShowAllMode && !CheckOrbs(state)) return;

  state.Orbs.Set(OrbDegreesFromPosition(w.ListIndex(C(ControlName::cboOrbs, 0))),
                 OrbDegreesFromPosition(w.ListIndex(C(ControlName::cboOrbs, 1))),
                 OrbDegreesFromPosition(w.ListIndex(C(ControlName::cboOrbs, 2))));

  if ((state.RunBodies[0] == Pluto || state.RunBodies[1] == Pluto) && !EnsurePlutoData(state)) return;
  if (!CheckBodyRanges(state, 0) || !CheckBodyRanges(state, 1)) return;

  state.RunZodiac = !world && w.Value(C(ControlName::optSidereal)) != 0 ? Zodiac::Sidereal : Zodiac::Tropical;
  if (!world) {
    ComputeNatalLongitude(state);
    if (!NatalPositionKnown(state)) return;
  }

  state.RunAbandoned = false;
  SetWindowHeight(w, RunWindowHeight);
  state.ZoneMinutes = ZoneMinutesOfPosition(w.ListIndex(C(ControlName::cboTimezone, 0)));
  ExtendStartToTransit(state);
  state.RunStartDay = state.EnteredDayNumbers[0];
  state.RunEndDay = state.EnteredDayNumbers[1];
  ++state.RunsStarted;
  RunTransits(state);
}

void ComputeNatalLongitude(FormState& state) {
  const Window& w = state.window;
  const int32_t hour = w.ListIndex(C(ControlName::cboHour)) - 1;
  // The minute and the zone's offset are the entries' associated values, so
  // a list with finer entries than the window's (the command line's) needs
  // no rule of its own here.
  const Control minuteList = C(ControlName::cboMinute), zoneList = C(ControlName::cboTimezone, 1);
  const int32_t minute = w.ItemData(minuteList, w.ListIndex(minuteList));
  const int32_t birthMinutes = hour * 60 + minute;
  const int32_t zoneMinutes = w.ItemData(zoneList, w.ListIndex(zoneList));
  const double birthInstant = FromLocal(state.EnteredDayNumbers[2], birthMinutes * 60, ZoneOfMinutes(zoneMinutes)).ut;
  const BodyIndex natal = state.RunBodies[1];
  state.NatalLongitude[static_cast<size_t>(natal)] = state.Positions.Longitude(natal, birthInstant, state.RunZodiac);
}

void ExtendStartToTransit(FormState& state) {
  const bool world = WorldMode(state.window);
  const BodyIndex moving = state.RunBodies[0];
  const BodyIndex other = state.RunBodies[1];
  const Position natal = state.NatalLongitude[static_cast<size_t>(other)];
  const double innerOrb = state.Orbs.OrbRadians[2];

  struct Longitudes {
    Position a, b;
  };
  // The run that follows uses the same samples.
  MidnightLongitudes& midnights = state.Midnights(state.ZoneMinutes, state.RunZodiac);
  auto at = [&](int32_t day) {
    return Longitudes{midnights.At(moving, day), world ? midnights.At(other, day) : natal};
  };
  auto deviation = [](const Longitudes& l, AspectIndex aspect) {
    return std::fabs(AngularSeparation(l.a.longitude, l.b.longitude) - AspectTable[static_cast<size_t>(aspect)].Angle);
  };

  const int32_t entered = state.EnteredDayNumbers[0];
  const Longitudes atStart = at(entered);
  // The zone can put the local midnight of the first day of a body's data
  // on the day before it; without positions there is no transit to extend.
  if (!atStart.a.Known() || !atStart.b.Known()) return;

  AspectIndex inProgress = 0;
  for (AspectIndex a = 1; a <= AspectCount; ++a) {
    if (deviation(atStart, a) < innerOrb) {
      inProgress = a;
      break;
    }
  }
  if (inProgress == 0) return;

  int32_t day = entered;
  for (;;) {
    // 1 January of year 1 is as far back as a run can go: the calendar of
    // the program has no year 0.
    if (day == FirstAllowedDay) break;
    --day;
    const Longitudes l = at(day);
    if (!l.a.Known() || !l.b.Known()) {
      // Ran off the start of a body's data: its first day is as far back
      // as a run can go.
      ++day;
      break;
    }
    if (!(deviation(l, inProgress) < innerOrb)) break;
  }
  state.EnteredDayNumbers[0] = day;
}

void ShowAllCommand(FormState& state, int16_t index, bool emptyBox) {
  Window& w = state.window;
  const Control firstList = C(ControlName::cboPlanet, 0);
  const Control secondList = C(ControlName::cboPlanet, 1);
  const Control append = C(ControlName::chkAppendToOutput);

  // Every report of the series is a table of nested orbs, whose columns
  // mean nothing otherwise. Told once, before anything is cleared or run.
  if (!CheckOrbsNested(state)) return;

  const int16_t firstPosition = w.ListIndex(firstList);
  const int16_t secondPosition = w.ListIndex(secondList);
  const int16_t appendValue = w.Value(append);

  // The series' reports follow one another in an emptied box.
  if (emptyBox) w.SetText(C(ControlName::txbOutput), "");
  w.SetValue(append, 1);
  state.ShowAllMode = true;

  const bool world = WorldMode(w);
  // "Show all transits by transiting X" walks the natal list; "... of natal
  // Y" and the world series walk the first list.
  const Control walked = !world && index != 0 ? secondList : firstList;
  const int16_t entries = w.ListCount(walked);
  for (int16_t p = 0; p < entries; ++p) {
    // A series walks the window's own bodies: entries the command line
    // added for one run's choice are not part of it.
    if (w.ItemData(walked, p) > LastWindowBody) continue;
    w.SetListIndex(walked, p);
    StartCommand(state);
    if (state.RunAbandoned) break;
  }
  if (world) {
    // Nothing chosen as inner body makes the Start command take Pluto, so the
    // outer body is paired with Pluto last, also after an early end.
    w.SetListIndex(firstList, -1);
    StartCommand(state);
  }

  w.SetListIndex(firstList, firstPosition);
  w.SetListIndex(secondList, secondPosition);
  w.SetValue(append, appendValue);
  for (ControlName notice : {ControlName::lblCopyrightNotice, ControlName::lblQF})
    w.SetText(C(notice), DesignOf(C(notice)).caption);
  w.BringToFront(C(ControlName::lblQF));
  state.ShowAllMode = false;
  state.SharedMidnights.reset();
}

void WholeChartCommand(FormState& state) {
  Window& w = state.window;
  const Control transiting = C(ControlName::cboPlanet, 0);
  const int16_t position = w.ListIndex(transiting);
  const int16_t entries = w.ListCount(transiting);
  // Refused orbs are told once, not once a series.
  if (!CheckOrbsNested(state)) return;
  bool first = true;
  for (int16_t p = 0; p < entries; ++p) {
    // The chart is the window's own bodies, as each series is.
    if (w.ItemData(transiting, p) > LastWindowBody) continue;
    w.SetListIndex(transiting, p);
    ShowAllCommand(state, 1, /*emptyBox=*/first);
    first = false;
    // A series cut short, or refused, ends the chart there.
    if (state.RunAbandoned) break;
  }
  w.SetListIndex(transiting, position);
}

void DateBoxKeyUp(FormState& state, int keyCode) {
  constexpr int kEnter = 13;
  if (keyCode == kEnter && state.window.Enabled(C(ControlName::cmdStart))) StartCommand(state);
}

void TimerTick(FormState& state) {
  Window& w = state.window;
  const bool running = RunGoing(w);
  const bool hasOutput = w.TextLength(C(ControlName::txbOutput)) > 0;

  w.SetVisible(C(ControlName::cmdFile), !running && hasOutput);
  w.SetVisible(C(ControlName::chkOpenOutputFile), w.Visible(C(ControlName::cmdFile)));

  if (running) {
    const Control label = C(ControlName::lblShortDate);
    w.SetText(label, state.CurrentDayText);
    w.Repaint(label);
  }

  // Quitting right after a save or restore does not ask again; the grace
  // lasts eleven ticks.
  if (state.StateRecentlySaved) {
    ++state.SavedTickCount;
    if (state.SavedTickCount > 10) state.StateRecentlySaved = false;
  }

  w.SetVisible(C(ControlName::cmdClear), hasOutput);
}

}  // namespace skyloom
