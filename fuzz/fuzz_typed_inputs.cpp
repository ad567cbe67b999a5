// Whatever a user types into the date boxes or chooses in the lists and
// modes ends in a message or a report, never a crash or a hang. Runs are
// stopped after a fixed number of days; most periods are short.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "../tests/support/report_fixture.h"
#include "engine/bodies.h"
#include "engine/pluto_table.h"
#include "fuzz_check.h"
#include "ports/calendar_library.h"
#include "ports/memory_window.h"
#include "ports/program_folder.h"
#include "ui/main_form.h"

namespace {

using namespace skyloom;
using enum ControlName;

// Days a run may compute before the fuzzer presses Stop.
constexpr int kDaysBeforeStop = 400;

// Leaving a box cleans the date's boxes to digits, but for a refused negative year.
void TypeAndLeave(MemoryWindow& window, Control box, const std::string& text) {
  window.SetText(box, text);
  window.LeaveFocus(box);
  const std::string year = window.Text(Ctl(txbYear, box.index));
  if (box.name == txbYear && !year.empty() && year.front() == '-') return;
  for (const ControlName name : {txbYear, txbMonth, txbDay})
    FUZZ_CHECK(window.Text(Ctl(name, box.index)).find_first_not_of("0123456789") == std::string::npos);
  const std::string label = window.Text(Ctl(lblDate, box.index));
  FUZZ_CHECK(label.empty() || label == "invalid date" || label.ends_with(" CE"));
}

// Free text, or numbers near the allowed range, typed into one date's boxes.
void TypeDate(MemoryWindow& window, FuzzedDataProvider* in, int16_t date, int32_t year = 0, int32_t month = 0,
              int32_t day = 0) {
  const int32_t numbers[] = {year, month, day};
  for (int k = 0; k < 3; ++k)
    TypeAndLeave(window, Ctl(std::array{txbYear, txbMonth, txbDay}[k], date),
                 in ? in->ConsumeRandomLengthString(24) : std::to_string(numbers[k]));
}

void TypeDates(MemoryWindow& window, FuzzedDataProvider& in) {
  if (in.ConsumeBool()) {
    TypeDate(window, &in, 0);
    TypeDate(window, &in, 1);
  } else {
    // A short period: the end date a few days either side of the start.
    const int32_t year = in.ConsumeIntegralInRange<int32_t>(-10, 2810);
    const int32_t month = in.ConsumeIntegralInRange<int32_t>(0, 13);
    const int32_t day = in.ConsumeIntegralInRange<int32_t>(0, 32);
    TypeDate(window, nullptr, 0, year, month, day);
    CalendarDate start{year, month, day};
    date_to_day_number(start);
    CalendarDate end;
    end.DayNumber = (start.Valid ? start.DayNumber : 2458850) + in.ConsumeIntegralInRange<int32_t>(-3, 40);
    day_number_to_date(end);
    TypeDate(window, nullptr, 1, end.Year, end.Month, end.Day);
  }
  if (in.ConsumeBool()) {
    TypeDate(window, &in, 2);
  } else {
    TypeDate(window, nullptr, 2, in.ConsumeIntegralInRange<int32_t>(1590, 2810),
             in.ConsumeIntegralInRange<int32_t>(1, 12), in.ConsumeIntegralInRange<int32_t>(1, 31));
  }
  if (in.ConsumeBool()) TypeAndLeave(window, Ctl(txbStopDate), in.ConsumeRandomLengthString(24));
}

void ChooseInLists(MemoryWindow& window, FuzzedDataProvider& in) {
  static constexpr Control kLists[] = {{cboPlanet, 0}, {cboPlanet, 1},      {cboOrbs, 0},     {cboOrbs, 1},
                                       {cboOrbs, 2},   {cboTimezone, 0},    {cboTimezone, 1}, {cboHour, 0},
                                       {cboMinute, 0}, {cboSearchAspect, 0}};
  // Most keep their start-up choice, so that most inputs reach a run.
  for (const Control list : kLists) {
    if (in.ConsumeIntegralInRange(0, 3) != 0) continue;
    const auto last = static_cast<int16_t>(window.ListCount(list) - 1);
    window.SetListIndex(list, in.ConsumeIntegralInRange<int16_t>(-1, last));
  }
}

}  // namespace

// The Pluto table, read once per process as in the program.
std::shared_ptr<const PlutoTable> plutoTable;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string error;
  auto table = std::make_shared<PlutoTable>();
  FUZZ_CHECK(table->Load(ExecutableFolder() + PlutoFileName, error));  // pluto.ptb beside the fuzzer
  plutoTable = std::move(table);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  MemoryWindow window;
  test::FakeShell shell;
  MainForm form(window, shell);
  window.LoadDesign();
  form.Load();
  form.State().Runs.UsePlutoTable(plutoTable);

  int days = 0;
  window.SetPendingEventsHook([&] {
    if (++days < kDaysBeforeStop) return;
    days = 0;
    form.Click(Ctl(cmdStart));
  });

  window.SetValue(Ctl(in.ConsumeBool() ? optWorld : optPersonal), 1);
  window.SetValue(Ctl(in.ConsumeBool() ? optSidereal : optTropical), 1);
  // Rarely: without an output file an HTML report is refused before any run.
  if (in.ConsumeIntegralInRange(0, 7) == 0) window.SetValue(Ctl(chkOutputAsHTML), 1);
  window.SetValue(Ctl(chkKeepDates), in.ConsumeBool() ? 1 : 0);
  TypeDates(window, in);
  ChooseInLists(window, in);

  const int presses = in.ConsumeIntegralInRange(1, 3);
  for (int p = 0; p < presses && !form.Ended(); ++p) {
    days = 0;
    static constexpr Control kCommands[] = {{cmdStart, 0}, {cmdShowAll, 0}, {cmdShowAll, 1}, {cmdSearch, 0}};
    const Control command = kCommands[in.ConsumeIntegralInRange(0, 3)];
    // Without a search orb the walk would run to the end of the ephemeris.
    if (command.name != cmdSearch || window.ListIndex(Ctl(cboOrbs, 0)) >= 0) form.Click(command);
    FUZZ_CHECK(window.Text(Ctl(cmdStart)) != "Stop");  // no command returns with its run going
    if (in.ConsumeBool()) TypeDates(window, in);
  }
  return 0;
}
