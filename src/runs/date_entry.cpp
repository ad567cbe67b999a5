// The date boxes clean themselves when the user leaves them and write the
// date out underneath, so a mistyped date shows before any run is tried.
// Nothing here refuses a date: the checks of a Start or Search press do.
#include "runs/date_entry.h"

#include <cstddef>
#include <string>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"
#include "ports/window.h"
#include "runs/request_checks.h"

namespace skyloom {

void YearLostFocus(FormState& state, int16_t date) {
  Window& w = state.window;
  const Control year = Ctl(ControlName::txbYear, date);
  const std::string text = StripLeading(w.Text(year), "0");
  w.SetText(year, text);
  // The minus stays in the box so the user sees what was refused; the
  // digits-only cleaning of the next refresh or check drops it.
  if (!text.empty() && text.front() == '-') {
    MessageBoxRequest request;
    request.text = "Year number must be positive.";
    request.title = "Invalid year";
    request.icon = MsgIcon::Information;
    w.MessageBox(request);
    return;
  }
  RefreshDateLabel(state, date);
}

void MonthOrDayLostFocus(FormState& state, int16_t date) { RefreshDateLabel(state, date); }

void RefreshDateLabel(FormState& state, int16_t date) {
  Window& w = state.window;
  const Control boxes[3] = {Ctl(ControlName::txbYear, date), Ctl(ControlName::txbMonth, date),
                            Ctl(ControlName::txbDay, date)};
  std::string texts[3];
  for (int k = 0; k < 3; ++k) {
    texts[k] = DigitsOnly(w.Text(boxes[k]));
    w.SetText(boxes[k], texts[k]);
  }
  const Control label = Ctl(ControlName::lblDate, date);
  if (texts[0].empty() || texts[1].empty() || texts[2].empty()) {
    w.SetText(label, "");
    return;
  }
  const BoxNumber year = NumberFromText(texts[0]);
  const BoxNumber month = NumberFromText(texts[1]);
  const BoxNumber day = NumberFromText(texts[2]);
  CalendarDate& record = state.EntryDateRecord;
  record.Year = year.value;
  record.Month = month.value;
  record.Day = day.value;
  record.Calendar = 'G';
  // A number too long for 32 bits is never handed on, so it cannot wrap
  // around into some other date that happens to exist.
  if (year.fits && month.fits && day.fits) {
    date_to_day_number(record);
  } else {
    record.DayNumber = 0;
    record.Valid = 0;
  }
  if (record.Valid != 0) {
    w.SetText(label, LongDateLabel(record.Year, record.Month, record.Day));
    w.Repaint(label);
  } else {
    w.SetText(label, "invalid date");
  }
}

void StopDateLostFocus(FormState& state) {
  const std::string text = state.window.Text(Ctl(ControlName::txbStopDate));
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    state.StopDateText.clear();
    return;
  }
  const std::size_t last = text.find_last_not_of(' ');
  state.StopDateText = text.substr(first, last - first + 1);
}

}  // namespace skyloom
