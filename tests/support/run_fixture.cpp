#include "support/run_fixture.h"

#include "calendar/time_zones.h"
#include "ports/calendar_library.h"
#include "runs/run_transits.h"
#include "support/engine_setup.h"
#include "ui/zone_lists.h"

#include <string>

namespace skyloom::test {

int32_t Day(int32_t year, int32_t month, int32_t day) {
  CalendarDate date;
  date.Year = year;
  date.Month = month;
  date.Day = day;
  return date_to_day_number(date);
}

RunFixture::RunFixture() {
  InitEngineOnce();
  GivePluto(state);
  window.LoadDesign();
  for (int16_t k = 0; k < 3; ++k)
    for (int degrees = 1; degrees <= 15; ++degrees)
      window.AddItem(Ctl(ControlName::cboOrbs, k), std::to_string(degrees) + "°");
  SetUpTimezoneComboBoxes(state, false);
  Zone(GreenwichPosition);
  Orbs(10, 5, 2);
  state.FormLoaded = true;
}

namespace {

void FillBodies(MemoryWindow& w, int16_t list, BodyIndex first, BodyIndex last, BodyIndex chosen) {
  const Control c = Ctl(ControlName::cboPlanet, list);
  w.ClearList(c);
  for (BodyIndex b = first; b <= last; ++b) w.AddItem(c, BodyNames[b]);
  w.SetListIndex(c, static_cast<int16_t>(chosen - first));
}

}  // namespace

void RunFixture::World(BodyIndex inner, BodyIndex outer) {
  window.SetValue(Ctl(ControlName::optWorld), 1);
  FillBodies(window, 0, Sun, Neptune, inner);
  FillBodies(window, 1, Mercury, Pluto, outer);
  state.RunBodies = {inner, outer};
}

void RunFixture::Personal(BodyIndex transiting, BodyIndex natal, double natalLongitude) {
  window.SetValue(Ctl(ControlName::optPersonal), 1);
  window.SetValue(Ctl(ControlName::optTropical), 1);
  FillBodies(window, 0, Sun, Pluto, transiting);
  FillBodies(window, 1, Sun, Moon, natal);
  state.RunBodies = {transiting, natal};
  state.NatalLongitude[natal] = {PositionStatus::Known, natalLongitude};
}

void RunFixture::Period(int32_t startDay, int32_t endDay) {
  state.RunStartDay = startDay;
  state.RunEndDay = endDay;
  state.EnteredDayNumbers[0] = startDay;
  state.EnteredDayNumbers[1] = endDay;
}

void RunFixture::Zone(int16_t position) {
  window.SetListIndex(Ctl(ControlName::cboTimezone, 0), position);
  state.ZoneMinutes = ZoneMinutesOfPosition(position);
}

void RunFixture::Orbs(int16_t outer, int16_t middle, int16_t inner) {
  state.Orbs.Set(outer, middle, inner);
  window.SetListIndex(Ctl(ControlName::cboOrbs, 0), static_cast<int16_t>(outer - 1));
  window.SetListIndex(Ctl(ControlName::cboOrbs, 1), static_cast<int16_t>(middle - 1));
  window.SetListIndex(Ctl(ControlName::cboOrbs, 2), static_cast<int16_t>(inner - 1));
}

void RunFixture::Run() { RunTransits(state); }

std::string RunFixture::Output() const { return window.Text(Ctl(ControlName::txbOutput)); }

}  // namespace skyloom::test
