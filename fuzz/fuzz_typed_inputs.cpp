// Types arbitrary text into every date box of a freshly loaded main window,
// picks arbitrary list positions (including none), switches the mode and the
// zodiac, and presses the run buttons: whatever a user can type or choose
// must end in a message or a report, never in a crash or a hang.
//
// Runs are cut short by pressing Stop after a fixed number of days, as a
// user would; the period is also made short by construction for most
// inputs, so that each input stays fast while dates anywhere are still
// reached by the free-text road.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <map>
#include <cstdio>

#include "engine/pluto_table.h"
#include "ports/calendar_library.h"
#include "ports/memory_window.h"
#include "ports/shell.h"
#include "ui/main_form.h"

namespace {

using namespace skyloom;

// Days a run may compute before the fuzzer presses Stop.
constexpr int kDaysBeforeStop = 400;

class NoShell : public Shell {
 public:
  int OpenDocument(const std::string&) override { return 0; }
};

void TypeAndLeave(MemoryWindow& window, Control box, const std::string& text) {
  window.SetText(box, text);
  window.LeaveFocus(box);
}

std::string FreeText(FuzzedDataProvider& in) { return in.ConsumeRandomLengthString(24); }

// A date of the calendar near the allowed range, as the numbers a user
// would type; the day may still be one the month does not have.
void TypeDate(MemoryWindow& window, int16_t date, int32_t year, int32_t month, int32_t day) {
  TypeAndLeave(window, Ctl(ControlName::txbYear, date), std::to_string(year));
  TypeAndLeave(window, Ctl(ControlName::txbMonth, date), std::to_string(month));
  TypeAndLeave(window, Ctl(ControlName::txbDay, date), std::to_string(day));
}

void TypeFreeDate(MemoryWindow& window, FuzzedDataProvider& in, int16_t date) {
  TypeAndLeave(window, Ctl(ControlName::txbYear, date), FreeText(in));
  TypeAndLeave(window, Ctl(ControlName::txbMonth, date), FreeText(in));
  TypeAndLeave(window, Ctl(ControlName::txbDay, date), FreeText(in));
}

void TypeDates(MemoryWindow& window, FuzzedDataProvider& in) {
  if (in.ConsumeBool()) {
    TypeFreeDate(window, in, 0);
    TypeFreeDate(window, in, 1);
  } else {
    // A short period: the end date a few days either side of the start.
    const int32_t year = in.ConsumeIntegralInRange<int32_t>(-10, 2810);
    const int32_t month = in.ConsumeIntegralInRange<int32_t>(0, 13);
    const int32_t day = in.ConsumeIntegralInRange<int32_t>(0, 32);
    TypeDate(window, 0, year, month, day);
    CalendarDate start{year, month, day};
    date_to_day_number(start);
    CalendarDate end;
    end.DayNumber = (start.Valid ? start.DayNumber : 2458850) + in.ConsumeIntegralInRange<int32_t>(-3, 40);
    day_number_to_date(end);
    TypeDate(window, 1, end.Year, end.Month, end.Day);
  }
  if (in.ConsumeBool()) {
    TypeFreeDate(window, in, 2);
  } else {
    TypeDate(window, 2, in.ConsumeIntegralInRange<int32_t>(1590, 2810),
             in.ConsumeIntegralInRange<int32_t>(1, 12), in.ConsumeIntegralInRange<int32_t>(1, 31));
  }
  if (in.ConsumeBool()) TypeAndLeave(window, Ctl(ControlName::txbStopDate), FreeText(in));
}

void ChooseInLists(MemoryWindow& window, FuzzedDataProvider& in) {
  static constexpr Control kLists[] = {
      {ControlName::cboPlanet, 0},       {ControlName::cboPlanet, 1}, {ControlName::cboOrbs, 0},
      {ControlName::cboOrbs, 1},         {ControlName::cboOrbs, 2},   {ControlName::cboTimezone, 0},
      {ControlName::cboTimezone, 1},     {ControlName::cboHour, 0},   {ControlName::cboMinute, 0},
      {ControlName::cboSearchAspect, 0},
  };
  for (const Control list : kLists) {
    if (!in.ConsumeBool()) continue;
    const auto last = static_cast<int16_t>(window.ListCount(list) - 1);
    window.SetListIndex(list, in.ConsumeIntegralInRange<int16_t>(-1, last));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  MemoryWindow window;
  NoShell shell;
  MainForm form(window, shell);
  window.LoadDesign();
  form.Load();
  FormState& state = form.State();
  // The table is read once per process, as in the program; reading it for
  // every input would make each input slow without testing anything new.
  state.PlutoDataLoaded = !PlutoTable.empty();

  int days = 0;
  window.SetPendingEventsHook([&] {
    if (++days < kDaysBeforeStop) return;
    days = 0;
    form.Click(Ctl(ControlName::cmdStart));
  });

  window.SetValue(Ctl(in.ConsumeBool() ? ControlName::optWorld : ControlName::optPersonal), 1);
  window.SetValue(Ctl(in.ConsumeBool() ? ControlName::optSidereal : ControlName::optTropical), 1);
  if (in.ConsumeBool()) window.SetValue(Ctl(ControlName::chkOutputAsHTML), 1);
  window.SetValue(Ctl(ControlName::chkKeepDates), in.ConsumeBool() ? 1 : 0);
  TypeDates(window, in);
  ChooseInLists(window, in);

  const int presses = in.ConsumeIntegralInRange(1, 3);
  for (int p = 0; p < presses && !form.Ended(); ++p) {
    days = 0;
    switch (in.ConsumeIntegralInRange(0, 3)) {
      case 0:
        form.Click(Ctl(ControlName::cmdStart));
        break;
      case 1:
        form.Click(Ctl(ControlName::cmdShowAll, 0));
        break;
      case 2:
        form.Click(Ctl(ControlName::cmdShowAll, 1));
        break;
      default:
        // Without a search orb the walks look for an orb of 0 degrees, which
        // no pair ever enters: they would run to the end of the ephemeris.
        if (window.ListIndex(Ctl(ControlName::cboOrbs, 0)) >= 0) form.Click(Ctl(ControlName::cmdSearch));
        break;
    }
    if (in.ConsumeBool()) TypeDates(window, in);
  }
  static int total = 0, withOutput = 0, stopped = 0;
  static std::map<std::string,int> msgs;
  ++total;
  if (!window.Text(Ctl(ControlName::txbOutput)).empty()) ++withOutput;
  if (window.Text(Ctl(ControlName::txbOutput)).find("Stopped") != std::string::npos) ++stopped;
  for (auto& m : window.MessageBoxes()) msgs[m.text.substr(0, 40)]++;
  if (total % 5000 == 0) { fprintf(stderr, "STATS total %d output %d stopped %d\n", total, withOutput, stopped);
    for (auto& [k,v] : msgs) fprintf(stderr, "  %6d %s\n", v, k.c_str()); }
  return 0;
}
