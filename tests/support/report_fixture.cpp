#include "support/report_fixture.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "calendar/time_zones.h"
#include "ports/calendar_library.h"
#include "report/report.h"

namespace skyloom::test {

namespace {

using enum ControlName;

std::string TwoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

}  // namespace

int32_t DayNumberOf(int32_t year, int32_t month, int32_t day) {
  CalendarDate date;
  date.Year = year;
  date.Month = month;
  date.Day = day;
  const int32_t number = date_to_day_number(date);
  if (date.Valid == 0) throw std::invalid_argument("no such date");
  return number;
}

ReportRig::ReportRig() {
  window.LoadDesign();
  window.SetCaption("Skyloom");
  for (const char* name :
       {"Sun", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune", "Pluto"})
    window.AddItem(Ctl(cboPlanet, 0), name);
  for (const char* name :
       {"Sun", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune", "Pluto", "Moon"})
    window.AddItem(Ctl(cboPlanet, 1), name);
  for (int16_t k = 0; k < 3; ++k)
    for (int degrees = 1; degrees <= 15; ++degrees)
      window.AddItem(Ctl(cboOrbs, k), std::to_string(degrees) + "\u00b0");
  window.AddItem(Ctl(cboHour), "");
  for (int hour = 0; hour < 24; ++hour) window.AddItem(Ctl(cboHour), TwoDigits(hour));
  window.AddItem(Ctl(cboMinute), "");
  for (int minute = 0; minute < 60; minute += 5) window.AddItem(Ctl(cboMinute), TwoDigits(minute));
  SetUpTimezoneComboBoxes(state, false);
  window.SetValue(Ctl(optPersonal), 1);
  window.SetValue(Ctl(optTropical), 1);
  state.Table.Create(366);
}

void ReportRig::PersonalRun(const PersonalRunInput& input) {
  window.SetValue(Ctl(optPersonal), 1);
  window.SetValue(input.tropical ? Ctl(optTropical) : Ctl(optSidereal), 1);
  window.SetListIndex(Ctl(cboPlanet, 0), input.transiting);
  window.SetListIndex(Ctl(cboPlanet, 1), input.natal);
  window.SetListIndex(Ctl(cboHour), input.hourPosition);
  window.SetListIndex(Ctl(cboMinute), input.minutePosition);
  window.SetListIndex(Ctl(cboTimezone, 1), input.zonePosition);
  state.RunStartDay = input.startDay;
  state.RunEndDay = input.endDay;
  state.EnteredDayNumbers = {input.startDay, input.endDay, input.birthDay};
  state.WorldRun = false;
  state.RunTitle = BuildRunTitle(state);
}

void ReportRig::WorldRun() {
  window.SetValue(Ctl(optWorld), 1);
  state.WorldRun = true;
  state.RunTitle = BuildRunTitle(state);
}

void ReportRig::SetOrbs(int16_t outer, int16_t middle, int16_t inner) {
  window.SetListIndex(Ctl(cboOrbs, 0), static_cast<int16_t>(outer - 1));
  window.SetListIndex(Ctl(cboOrbs, 1), static_cast<int16_t>(middle - 1));
  window.SetListIndex(Ctl(cboOrbs, 2), static_cast<int16_t>(inner - 1));
  state.Orbs.Set(outer, middle, inner);
}

void ReportRig::SetRow(int32_t row, const std::array<std::string, 9>& cells) {
  for (int column = 0; column < 9; ++column)
    state.Table.SetCell(row, column, cells[static_cast<size_t>(column)]);
}

void ReportRig::CheckHtml(bool on) { window.SetValue(Ctl(chkOutputAsHTML), on ? 1 : 0); }

std::string ReportRig::Output() const { return window.Text(Ctl(txbOutput)); }

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("skyloom-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace skyloom::test
