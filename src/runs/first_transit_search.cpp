#include "runs/first_transit_search.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <string>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "engine/positions.h"
#include "ports/calendar_library.h"
#include "ports/window.h"
#include "runs/checks.h"
#include "runs/date_entry.h"
#include "runs/run_controller.h"
#include "runs/run_transits.h"

namespace skyloom {
namespace {

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

// Writes a day into the three boxes of a date as plain numbers and brings
// its long label up to date.
void WriteDate(FormState& state, int16_t date, int32_t day) {
  Window& w = state.window;
  CalendarDate record;
  record.DayNumber = day;
  day_number_to_date(record);
  w.SetText(C(ControlName::txbYear, date), std::to_string(record.Year));
  w.SetText(C(ControlName::txbMonth, date), std::to_string(record.Month));
  w.SetText(C(ControlName::txbDay, date), std::to_string(record.Day));
  RefreshDateLabel(state, date);
}

// Days walked one by one towards the end of a body's data.
constexpr int32_t kWalkIntoDataEnd = 400;
constexpr std::chrono::milliseconds kProgressInterval{40};

void ShowProgress(Window& w, int32_t day) {
  const Control label = C(ControlName::lblShortDate);
  w.SetText(label, FormatDayNumber(day));
  w.SetVisible(label, true);
  w.SetForeColor(label, Rgb{255, 255, 0});
  w.Repaint(label);
}

// A day from which the day-by-day walk for the in-orb state can start and
// still find the same first midnight in orb, or the same last day of data.
// Far from the aspect the deviation cannot fall to the orb faster than the
// two bodies move, so whole stretches of days can be passed over unseen:
// without this, an aspect the pair never makes (an opposition of the Sun
// and Mercury) costs millions of positions on the way to the ephemeris's end.
int32_t ApproachInOrb(FormState& state, const AspectTest& p, int16_t zone, int32_t from) {
  Window& w = state.window;
  const double reach = (MaxDailyMotion(p.bodyA) + (p.world ? MaxDailyMotion(p.bodyB) : 0.0)) * TwoPi / 360.0;
  int32_t safe = from;
  int32_t day = from;
  auto shown = std::chrono::steady_clock::now() - kProgressInterval;
  for (;;) {
    const double jd = LocalMidnight(day, ZoneOfMinutes(zone)).ut;
    const Position lb =
        p.world ? state.Positions.Longitude(p.bodyB, jd, p.zodiac) : Position{PositionStatus::Known, p.secondLongitude};
    const Position la = lb.Known() ? state.Positions.Longitude(p.bodyA, jd, p.zodiac) : lb;
    // Past the data: the day-by-day walk finds the last day. Near the end of
    // its files the ephemeris answers a lone query differently from one that
    // follows its neighbours, so the walk starts well back (every day from
    // `from` up to here is clear) and meets the end as a plain walk would.
    if (!la.Known() || !lb.Known()) return std::max(from, safe - kWalkIntoDataEnd);
    const double clearance =
        std::fabs(AngularSeparation(la.longitude, lb.longitude) - AspectTable[static_cast<size_t>(p.aspect)].Angle) -
        p.orb;
    // No midnight up to `steps` days on can be in orb (the test is strict).
    const double steps = clearance > 0 ? std::floor(clearance / reach) : 0.0;
    if (steps < 2) return day;
    safe = day;
    day += static_cast<int32_t>(std::min(steps, 100000.0));
    // A repaint per probe would cost more than the probe on a real window;
    // a few a second show that the search is alive.
    const auto now = std::chrono::steady_clock::now();
    if (now - shown >= kProgressInterval) {
      ShowProgress(w, day);
      shown = now;
    }
  }
}

}  // namespace

namespace {

void Search(FormState& state) {
  Window& w = state.window;
  if (state.QuitRequested) return;

  // Only the end date matters: the search starts the day after it.
  if (!CheckDatePresent(state, 1) || !CheckDateValid(state, 1)) return;
  const bool world = w.Value(C(ControlName::optWorld)) != 0;
  if (!world && !CheckBirthData(state, false)) return;
  if (!CheckResultZone(state, C(ControlName::cmdSearch))) return;

  state.RunBodies[0] = SelectedBody(w, 0, world);
  state.RunBodies[1] = SelectedBody(w, 1, world);
  if (world && !CheckBodyOrder(state, C(ControlName::cmdSearch))) return;

  state.Orbs.OrbDegrees[0] = OrbDegreesFromPosition(w.ListIndex(C(ControlName::cboOrbs, 0)));
  if (!DeriveSearchOrbs(state)) return;
  state.Orbs.Set(state.Orbs.OrbDegrees[0], state.Orbs.OrbDegrees[1], state.Orbs.OrbDegrees[2]);

  const BodyIndex bodyA = state.RunBodies[0];
  const BodyIndex bodyB = state.RunBodies[1];
  if ((bodyA == Pluto || bodyB == Pluto) && !EnsurePlutoData(state)) return;
  if (!CheckBodyRanges(state, 1)) return;

  state.RunZodiac = !world && w.Value(C(ControlName::optSidereal)) != 0 ? Zodiac::Sidereal : Zodiac::Tropical;
  if (!world) {
    ComputeNatalLongitude(state);
    // The birth date is not tied to the period here, so it may lie beyond the
    // natal body's data; an error value must not stand in for a position.
    const Position natal = state.NatalLongitude[static_cast<size_t>(bodyB)];
    if (!natal.Known()) {
      w.MessageBox({DateRangeMessage(RangeErrorOf(natal.status, false), bodyA, bodyB), "Error", MsgIcon::Exclamation});
      return;
    }
  }

  state.RunStartDay = -1;
  state.RunEndDay = -1;

  const int16_t aspectPosition = w.ListIndex(C(ControlName::cboSearchAspect));
  // The list always has a choice once the window is up; without one the
  // first entry is meant.
  const auto aspect = static_cast<AspectIndex>(aspectPosition < 0 ? 1 : aspectPosition + 1);
  const int16_t zone = ZoneMinutesOfPosition(w.ListIndex(C(ControlName::cboTimezone, 0)));
  const double orb = state.Orbs.OrbRadians[0];
  const double natal = state.NatalLongitude[static_cast<size_t>(bodyB)].longitude;
  const int32_t dayAfterEnd = state.EnteredDayNumbers[1] + 1;

  const AspectTest test{bodyA, bodyB, aspect, orb, world, natal, state.RunZodiac};
  RangeErrorCode firstCode = 0;
  const bool underWay = AspectInOrbAt(state.Positions, test, dayAfterEnd - 0.5, firstCode);
  if (firstCode < 0) w.MessageBox({DateRangeMessage(firstCode, bodyA, bodyB), "Error", MsgIcon::Exclamation});

  RangeErrorCode code = 0;
  bool inOrbAtStart = false;
  // The walks and the run share their samples.
  MidnightLongitudes& midnights = state.Midnights(zone, state.RunZodiac);
  auto walk = [&](int32_t firstDay, bool wanted) {
    return AspectStateSearch(midnights, test, firstDay, inOrbAtStart, /*forward=*/true, wanted, code,
                             [&w](int32_t day) { ShowProgress(w, day); });
  };

  // A transit already in orb after the end date is not the first complete
  // one: walk past it.
  const int32_t from = underWay ? walk(dayAfterEnd, false) : dayAfterEnd;
  if (code != 0) {
    ReportNoCompleteTransit(state, DateRangeMessage(code, bodyA, bodyB), aspect, from);
    return;
  }
  const int32_t startDay = walk(ApproachInOrb(state, test, zone, from), true);
  if (code != 0) {
    ReportNoCompleteTransit(state, DateRangeMessage(code, bodyA, bodyB), aspect, startDay);
    return;
  }
  state.RunStartDay = startDay;
  const int32_t endDay = walk(startDay + 1, false);
  if (code != 0) {
    ReportNoCompleteTransit(state, DateRangeMessage(code, bodyA, bodyB), aspect, endDay);
    return;
  }
  state.RunEndDay = endDay;
  // The engine takes its zone from the run inputs, which still hold the
  // zone of the last Start press; its days must be the days the walks found.
  state.ZoneMinutes = zone;

  ++state.RunsStarted;
  RunTransits(state);

  if (w.Value(C(ControlName::chkKeepDates)) != 0 || state.Table.RowIsEmpty(FirstTransitRow)) return;
  WriteDate(state, 0, state.RunStartDay);
  WriteDate(state, 1, state.RunEndDay);
}

}  // namespace

void SearchCommand(FormState& state) {
  Search(state);
  state.SharedMidnights.reset();
}

void ReportNoCompleteTransit(FormState& state, const std::string& message, AspectIndex aspect, int32_t day) {
  Window& w = state.window;
  w.SetVisible(C(ControlName::lblShortDate), false);
  const std::string text = "No complete " + AsciiLowerCase(AspectName(aspect)) + " transit found up to " +
                           FormatDayNumber(day) + " CE ." + "\r\n" + message;
  w.MessageBox({text, "Date out of range", MsgIcon::Exclamation});
}

}  // namespace skyloom
