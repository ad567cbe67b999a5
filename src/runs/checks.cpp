// The checks a Start or Search press runs before anything is computed. Each
// one names its own problem in a message box, so the commands only need to
// stop at the first false.
#include "runs/checks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "calendar/date_format.h"
#include "engine/bodies.h"
#include "engine/pluto_table.h"
#include "engine/positions.h"
#include "ports/calendar_library.h"

namespace skyloom {

namespace {

// No natal position exists before the first day of the Moon and Pluto tables.
constexpr int32_t FirstBirthDay = FirstTableDay;

constexpr const char* Degree = "\xC2\xB0";  // "°"

void Show(FormState& state, std::string text, MsgIcon icon, std::string title) {
  MessageBoxRequest request;
  request.text = std::move(text);
  request.title = std::move(title);
  request.icon = icon;
  state.window.MessageBox(request);
}

// Most messages carry the Start button's caption, also when Search runs them.
std::string StartCaption(const FormState& state) { return state.window.Text(Ctl(ControlName::cmdStart)); }

bool PersonalMode(const FormState& state) { return state.window.Value(Ctl(ControlName::optPersonal)) != 0; }

std::string OrbMessagePrefix(const FormState& state) { return PersonalMode(state) ? "With transiting" : "With"; }

std::string LowerDateName(int16_t date) {
  switch (date) {
    case 0: return "start";
    case 1: return "end";
    default: return "birth";
  }
}

std::string CapitalDateName(int16_t date) { return date == 0 ? "Start" : "End"; }

int32_t& DayNumberOf(FormState& state, int16_t date) {
  return state.EnteredDayNumbers.at(static_cast<std::size_t>(date));
}

// Keeps only the digits of a date box and writes them back; false when
// nothing is left, after the box's message.
bool CleanBox(FormState& state, Control box, const std::string& message) {
  const std::string digits = DigitsOnly(state.window.Text(box));
  state.window.SetText(box, digits);
  if (!digits.empty()) return true;
  Show(state, message, MsgIcon::None, StartCaption(state));
  return false;
}

// Fills year, month and day of record from the boxes of a date and asks the
// calendar for its day number. A number that does not fit 32 bits makes the
// date invalid without reaching the calendar, so nothing can wrap into a
// different, valid date.
void ReadBoxDate(FormState& state, int16_t date, CalendarDate& record) {
  const BoxNumber year = NumberFromText(state.window.Text(Ctl(ControlName::txbYear, date)));
  const BoxNumber month = NumberFromText(state.window.Text(Ctl(ControlName::txbMonth, date)));
  const BoxNumber day = NumberFromText(state.window.Text(Ctl(ControlName::txbDay, date)));
  record.Year = year.value;
  record.Month = month.value;
  record.Day = day.value;
  record.Calendar = 'G';
  if (year.fits && month.fits && day.fits) {
    DayNumberOf(state, date) = date_to_day_number(record);
  } else {
    record.DayNumber = 0;
    record.Valid = 0;
    DayNumberOf(state, date) = 0;
  }
}

const std::string& NameOfBody(BodyIndex body) { return BodyNames.at(static_cast<std::size_t>(body)); }

// No choice: the empty first entry, or nothing selected at all.
bool NoChoice(const FormState& state, Control list) { return state.window.ListIndex(list) <= 0; }

}  // namespace

BodyIndex SelectedBody(const Window& window, int16_t list, bool world) {
  const Control c = Ctl(ControlName::cboPlanet, list);
  const int16_t position = window.ListIndex(c);
  const int16_t offset = world && list == 1 ? 2 : 1;
  if (position < 0) return list == 0 ? 0 : static_cast<BodyIndex>(position + offset);
  const int32_t data = window.ItemData(c, position);
  if (data > LastWindowBody && data <= LastBody) return static_cast<BodyIndex>(data);
  return static_cast<BodyIndex>(position + offset);
}

BoxNumber NumberFromText(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
    negative = text[at] == '-';
    ++at;
  }
  // Beyond this the magnitude no longer fits, whatever the rounding does;
  // keeping it from growing further keeps the arithmetic exact.
  constexpr uint64_t kBeyond = uint64_t{1} << 33;
  uint64_t whole = 0;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
    whole = std::min(whole * 10 + static_cast<uint64_t>(text[at] - '0'), kBeyond);
  // The fraction only matters for rounding: its first digit, and whether
  // anything non-zero follows a 5 (which makes it more than a tie).
  int firstFraction = 0;
  bool restNonZero = false;
  if (at < text.size() && text[at] == '.') {
    ++at;
    if (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
      firstFraction = text[at] - '0';
      for (++at; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
        restNonZero = restNonZero || text[at] != '0';
    }
  }
  const bool roundUp = firstFraction > 5 || (firstFraction == 5 && (restNonZero || whole % 2 == 1));
  if (roundUp) ++whole;
  const int64_t signedValue = negative ? -static_cast<int64_t>(whole) : static_cast<int64_t>(whole);
  if (signedValue > std::numeric_limits<int32_t>::max() || signedValue < std::numeric_limits<int32_t>::min())
    return BoxNumber{0, false};
  return BoxNumber{static_cast<int32_t>(signedValue), true};
}

bool CheckOutputFile(FormState& state) {
  if (state.window.Value(Ctl(ControlName::chkOutputAsHTML)) == 0 || !state.OutputFilePath.empty()) return true;
  Show(state, "Output file not specified", MsgIcon::Exclamation, StartCaption(state));
  return false;
}

bool CheckDatePresent(FormState& state, int16_t date) {
  const std::string name = LowerDateName(date);
  return CleanBox(state, Ctl(ControlName::txbYear, date), "Please specify " + name + " year.") &&
         CleanBox(state, Ctl(ControlName::txbMonth, date), "Please specify " + name + " month.") &&
         CleanBox(state, Ctl(ControlName::txbDay, date), "Please specify " + name + " day.");
}

bool CheckBirthBoxes(FormState& state) {
  return CleanBox(state, Ctl(ControlName::txbYear, 2), "Please specify year of birth.") &&
         CleanBox(state, Ctl(ControlName::txbMonth, 2), "Please specify month of birth.") &&
         CleanBox(state, Ctl(ControlName::txbDay, 2), "Please specify day of birth.");
}

bool CheckDateValid(FormState& state, int16_t date) {
  const Control label = Ctl(ControlName::lblDate, date);
  state.window.SetText(label, "");
  CalendarDate record;
  ReadBoxDate(state, date, record);
  if (record.Valid != 0) {
    state.window.SetText(label, LongDateLabel(record.Year, record.Month, record.Day));
    state.window.Repaint(label);
    return CheckDateLimits(state, date);
  }
  state.window.SetText(label, "invalid date");
  Show(state, "The " + LowerDateName(date) + " date is invalid.", MsgIcon::Information, "Invalid input");
  return false;
}

bool CheckDateLimits(FormState& state, int16_t date) {
  const int32_t day = DayNumberOf(state, date);
  if (date != 2 && day < FirstAllowedDay) {
    Show(state, CapitalDateName(date) + " date is too early", MsgIcon::Information, StartCaption(state));
    return false;
  }
  // A birth before the tables begin has no natal position to aim at, so a
  // run with it would measure against an error value.
  if (date == 2 && day < FirstBirthDay) {
    Show(state, "Birth date is too early", MsgIcon::Information, StartCaption(state));
    return false;
  }
  if (day > LastAllowedDay) {
    Show(state, "End date is too late", MsgIcon::Information, StartCaption(state));
    return false;
  }
  return true;
}

bool CheckBirthData(FormState& state, bool testAgainstStart) {
  Window& w = state.window;
  const Control label = Ctl(ControlName::lblDate, 2);
  w.SetText(label, "");
  ReadBoxDate(state, 2, state.EntryDateRecord);
  const CalendarDate& birth = state.EntryDateRecord;
  if (birth.Valid == 0) {
    w.SetText(label, "invalid date");
    Show(state, "The birth date is invalid.", MsgIcon::Information, StartCaption(state));
    return false;
  }
  w.SetText(label, LongDateLabel(birth.Year, birth.Month, birth.Day));
  w.Repaint(label);
  if (!CheckDateLimits(state, 2)) return false;
  if (testAgainstStart && state.EnteredDayNumbers[2] > state.EnteredDayNumbers[0]) {
    Show(state, "The birth date must not be later than the start date.", MsgIcon::Information, StartCaption(state));
    return false;
  }
  // The repairs come after the message, so the next press goes through with
  // the value the message suggested. A list with nothing selected at all
  // counts as no choice too: its position would give an hour or minute of -1.
  const Control hour = Ctl(ControlName::cboHour);
  const Control minute = Ctl(ControlName::cboMinute);
  if (NoChoice(state, hour)) {
    Show(state, "Please specify the birth time, or use 12:00 if not known.", MsgIcon::None, StartCaption(state));
    w.SetListIndex(hour, 13);
    w.SetListIndex(minute, 1);
    return false;
  }
  const Control birthZone = Ctl(ControlName::cboTimezone, 1);
  if (NoChoice(state, birthZone)) {
    Show(state, "Please specify the timezone, or use GMT if not known.", MsgIcon::None, StartCaption(state));
    w.SetListIndex(birthZone, 24);
    return false;
  }
  // An hour without minutes means the full hour; not worth a message.
  if (NoChoice(state, minute)) {
    w.SetListIndex(minute, 1);
    w.Repaint(minute);
  }
  return true;
}

bool CheckPeriod(FormState& state) {
  // Widened, so that no pair of day numbers can overflow the difference.
  if (int64_t{state.EnteredDayNumbers[0]} <= int64_t{state.EnteredDayNumbers[1]} - 3) return true;
  Show(state, "The start date must be at least 3 days prior to the end date.", MsgIcon::Information,
       StartCaption(state));
  return false;
}

bool CheckResultZone(FormState& state, Control pressed) {
  // Without a selection the zone offset would come from position -1, half
  // an hour beyond the list's westernmost zone; that is no choice either.
  const Control zone = Ctl(ControlName::cboTimezone, 0);
  if (!NoChoice(state, zone)) return true;
  Show(state, "Please specify the timezone for the results, or use the default GMT timezone.", MsgIcon::None,
       state.window.Text(pressed));
  state.window.SetListIndex(zone, 24);
  return false;
}

bool CheckBodyOrder(FormState& state, Control pressed) {
  BodyIndex& inner = state.RunBodies[0];
  BodyIndex& outer = state.RunBodies[1];
  // The two nodes are two reckonings of one point: a pair of them measures
  // the true node's wobble about its mean, not a transit.
  const bool nodePair = (inner == NorthNode && outer == MeanNode) || (inner == MeanNode && outer == NorthNode);
  if (nodePair) {
    if (state.ShowAllMode) {
      state.RunAbandoned = false;
      return false;
    }
    Show(state,
         "North Node and Mean Node are two reckonings of the same point: a world transit between them is not possible.",
         MsgIcon::Exclamation, StartCaption(state));
    return false;
  }
  // The bodies the window does not offer have no place in its inner-outer
  // order: a pair with one of them is taken as it is given (the first body
  // is the one whose retrograde marks the report shows).
  const bool ordered = inner <= LastWindowBody && outer <= LastWindowBody;
  if (pressed.name == ControlName::cmdSearch) {
    if (inner < outer || (!ordered && inner != outer)) return true;
    Show(state, "Outer planet must be beyond inner planet", MsgIcon::Information, state.window.Text(pressed));
    return false;
  }
  if (state.ShowAllMode) {
    // A series pairs one body with every other: it passes over the body
    // itself without a word and takes the others in either order.
    if (inner == outer) {
      state.RunAbandoned = false;
      return false;
    }
    if (ordered && inner > outer) std::swap(inner, outer);
    return true;
  }
  if (inner == outer) {
    Show(state, "World transit of a planet to itself is not possible.", MsgIcon::Exclamation, StartCaption(state));
    return false;
  }
  if (ordered && inner > outer) {
    Show(state, "Outer planet must be beyond inner planet", MsgIcon::Information, state.window.Text(pressed));
    return false;
  }
  return true;
}

bool CheckOrbs(FormState& state) {
  Window& w = state.window;
  // Nothing chosen names no body: only the general rule applies, and the
  // body the command set stays. The slow bodies (nodes, Chiron) need no
  // minimum of their own.
  BodyIndex body = SelectedBody(w, 0, false);
  if (body != 0) state.RunBodies[0] = body;
  // A world pair may name a node or Chiron first (the command line takes
  // them in either order): the other body's rule then holds.
  if (body > LastWindowBody && !PersonalMode(state)) body = SelectedBody(w, 1, true);
  const int16_t inner = w.ListIndex(Ctl(ControlName::cboOrbs, 2));
  // Fast bodies cross a narrow inner orb within a day or two, too quickly
  // for the daily steps to see them enter and leave it.
  if (body == Mercury && inner < 2) {
    Show(state, OrbMessagePrefix(state) + " Mercury the inner orb must be at least 3" + Degree + ".",
         MsgIcon::Information, "Orb values");
    return false;
  }
  if (inner < 1 && (body == Sun || body == Venus || body == Mars)) {
    Show(state, OrbMessagePrefix(state) + " Sun, Venus or Mars the inner orb must be at least 2" + Degree + ".",
         MsgIcon::Information, "Orb values");
    return false;
  }
  return CheckOrbsNested(state);
}

bool CheckOrbsNested(FormState& state) {
  Window& w = state.window;
  const int16_t outer = w.ListIndex(Ctl(ControlName::cboOrbs, 0));
  const int16_t middle = w.ListIndex(Ctl(ControlName::cboOrbs, 1));
  const int16_t inner = w.ListIndex(Ctl(ControlName::cboOrbs, 2));
  // A list without a selection has no orb at all, which fails the rule too.
  if (inner < 0 || !(middle <= outer - 2 && inner <= middle - 2)) {
    Show(state, std::string("Orbs must be strictly decreasing and differ by at least 2") + Degree + ".",
         MsgIcon::Information, "Orb values");
    return false;
  }
  return true;
}

bool EnsurePlutoData(FormState& state) {
  if (state.PlutoDataLoaded) return true;
  std::string error;
  auto table = std::make_shared<PlutoTable>();
  if (table->Load(state.DataFolder + PlutoFileName, error)) {
    state.UsePlutoTable(std::move(table));
    return true;
  }
  Show(state, "Error when reading geocentric Pluto data.\r\n" + error, MsgIcon::Exclamation, "Read Pluto Data");
  Show(state, "Cannot read Pluto data", MsgIcon::Exclamation, "");
  return false;
}

bool CheckBodyRanges(FormState& state, int16_t date) {
  const std::string dateName = date == 0 ? "Start date" : "End date";
  const double instant = DayNumberOf(state, date) - 0.5;
  // Ranges do not depend on the zodiac.
  const PositionStatus status[2] = {state.Positions.Longitude(state.RunBodies[0], instant, Zodiac::Tropical).status,
                                    state.Positions.Longitude(state.RunBodies[1], instant, Zodiac::Tropical).status};
  for (int k = 0; k < 2; ++k) {
    if (status[k] == PositionStatus::BeforeRange) {
      Show(state, dateName + " is too early for " + NameOfBody(state.RunBodies[k]) + ".", MsgIcon::None, "");
      return false;
    }
  }
  for (int k = 0; k < 2; ++k) {
    if (status[k] == PositionStatus::AfterRange) {
      Show(state, dateName + " is too late for " + NameOfBody(state.RunBodies[k]) + ".", MsgIcon::None, "");
      return false;
    }
  }
  return true;
}

bool DeriveSearchOrbs(FormState& state) {
  const int16_t search = state.Orbs.OrbDegrees[0];
  const BodyIndex body = state.RunBodies[0];
  std::array<int16_t, 3>& orbs = state.Orbs.OrbDegrees;
  if (search >= 1 && search <= 4) {
    // Small search orbs: each inner orb one degree inside the one around
    // it, but never below 1 degree, so a pass can still enter every orb.
    orbs[1] = static_cast<int16_t>(std::max(1, search - 1));
    orbs[2] = static_cast<int16_t>(std::max(1, search - 2));
    return true;
  }
  if (search < 5 || search > 15) return true;
  if (body == Mercury && search < 7) {
    Show(state, OrbMessagePrefix(state) + " Mercury the search orb must be at least 7" + Degree + ".",
         MsgIcon::Information, "Search orb value");
    return false;
  }
  if (search < 6 && (body == Sun || body == Venus || body == Mars)) {
    Show(state, OrbMessagePrefix(state) + " Sun, Venus or Mars the search orb must be at least 6" + Degree + ".",
         MsgIcon::Information, "Search orb value");
    return false;
  }
  // Middle and inner orb for search orbs 5 to 15.
  static constexpr int16_t kDerived[11][2] = {{3, 1}, {4, 2}, {5, 3}, {6, 4}, {6, 3}, {6, 2},
                                              {7, 3}, {8, 4}, {8, 4}, {9, 4}, {10, 5}};
  orbs[1] = kDerived[search - 5][0];
  orbs[2] = kDerived[search - 5][1];
  return true;
}

}  // namespace skyloom
