#include "runs/request_checks.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>

#include "calendar/birth_zone.h"
#include "calendar/date_format.h"
#include "engine/bodies.h"
#include "ports/calendar_library.h"

namespace skyloom {

namespace {

// No natal position exists before the first day of the Moon and Pluto tables.
constexpr int32_t FirstBirthDay = FirstTableDay;

constexpr const char* Degree = "\xC2\xB0";  // "°"

Refusal Refuse(std::string text, MsgIcon icon, std::string title, RequestInput focus = RequestInput::None,
               Repair repair = Repair::None) {
  return Refusal{Notice{std::move(text), std::move(title), icon}, focus, repair};
}

// "Timezone of the results: no zone Europe/Brelin in the time zone
// database; nearest: Europe/Berlin, ...".
std::string UnknownZoneMessage(const std::string& of, const std::string& why) {
  return "Timezone of the " + of + ": " + why + ".";
}

// A progressed or directed body moves in a year what the sky's moves in a
// day at most (the progressed Moon about a degree a month): the minimum
// orbs that keep a fast body's passes in sight of the daily steps are no
// rule for it, and would refuse the narrow orbs such runs are made with.
bool MovesSlowlyAsProgressed(const RunRequest& r) { return !r.World() && r.progression != ProgressionKind::Transit; }

std::string OrbMessagePrefix(const RunRequest& r) { return r.World() ? "With" : "With transiting"; }

std::string LowerDateName(int16_t date) {
  switch (date) {
    case 0: return "start";
    case 1: return "end";
    default: return "birth";
  }
}

RequestInput DateInput(int16_t date) {
  switch (date) {
    case 0: return RequestInput::Start;
    case 1: return RequestInput::End;
    default: return RequestInput::Birth;
  }
}

const EnteredDate& DateOf(const RunRequest& r, int16_t date) {
  switch (date) {
    case 0: return r.start;
    case 1: return r.end;
    default: return r.birth.date;
  }
}

// Each box of a date in turn: the first empty one is refused with its message.
Check CheckBoxes(const EnteredDate& d, const std::array<std::string, 3>& messages, const std::string& title,
                 RequestInput input) {
  const std::string* parts[] = {&d.year, &d.month, &d.day};
  for (size_t k = 0; k < 3; ++k)
    if (DigitsOnly(*parts[k]).empty()) return Refuse(messages[k], MsgIcon::None, title, input);
  return std::nullopt;
}

Check CheckDateLimits(const Captions& c, const EnteredDays& days, int16_t date) {
  const int32_t day = days.days[static_cast<size_t>(date)];
  if (date != 2 && day < FirstAllowedDay)
    return Refuse(std::string(date == 0 ? "Start" : "End") + " date is too early", MsgIcon::Information, c.start,
                  DateInput(date));
  // A birth before the tables begin has no natal position to aim at, so a
  // run with it would measure against an error value.
  if (date == 2 && day < FirstBirthDay)
    return Refuse("Birth date is too early", MsgIcon::Information, c.start, RequestInput::Birth);
  if (day > LastAllowedDay) return Refuse("End date is too late", MsgIcon::Information, c.start, DateInput(date));
  return std::nullopt;
}

// Reads a date into days: its day number and the label under its boxes.
ReadDate Record(const RunRequest& r, int16_t date, EnteredDays& days) {
  const ReadDate read = ReadEnteredDate(DateOf(r, date));
  const auto k = static_cast<size_t>(date);
  days.days[k] = read.dayNumber;
  days.labels[k] = read.valid ? LongDateLabel(read.year, read.month, read.day) : "invalid date";
  return read;
}

}  // namespace

Captions CaptionsOf(const RunRequest& r) {
  const std::string& first = BodyName(r.first);
  const std::string& second = BodyName(r.second);
  if (r.World()) return {"Show all world transits between " + first + " and " + second, "Search"};
  return {"Show all personal transits by " + first + " of natal " + second, "Search"};
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

ReadDate ReadEnteredDate(const EnteredDate& d) {
  const BoxNumber year = NumberFromText(DigitsOnly(d.year));
  const BoxNumber month = NumberFromText(DigitsOnly(d.month));
  const BoxNumber day = NumberFromText(DigitsOnly(d.day));
  ReadDate read;
  read.year = year.value;
  read.month = month.value;
  read.day = day.value;
  // A number that does not fit 32 bits makes the date invalid without
  // reaching the calendar, so nothing can wrap into a different, valid date.
  if (!year.fits || !month.fits || !day.fits) return read;
  CalendarDate record;
  record.Year = year.value;
  record.Month = month.value;
  record.Day = day.value;
  record.Calendar = 'G';
  read.dayNumber = date_to_day_number(record);
  read.valid = record.Valid != 0;
  return read;
}

Check CheckOutputFile(const RunRequest& r, const Captions& c) {
  if (!r.files.html || !r.files.html->empty()) return std::nullopt;
  return Refuse("Output file not specified", MsgIcon::Exclamation, c.start, RequestInput::HtmlFile);
}

Check CheckDatePresent(const RunRequest& r, const Captions& c, int16_t date) {
  const std::string name = LowerDateName(date);
  return CheckBoxes(
      DateOf(r, date),
      {"Please specify " + name + " year.", "Please specify " + name + " month.", "Please specify " + name + " day."},
      c.start, DateInput(date));
}

Check CheckBirthBoxes(const RunRequest& r, const Captions& c) {
  return CheckBoxes(r.birth.date,
                    {"Please specify year of birth.", "Please specify month of birth.", "Please specify day of birth."},
                    c.start, RequestInput::Birth);
}

Check CheckDateValid(const RunRequest& r, const Captions& c, int16_t date, EnteredDays& days) {
  if (Record(r, date, days).valid) return CheckDateLimits(c, days, date);
  return Refuse("The " + LowerDateName(date) + " date is invalid.", MsgIcon::Information, "Invalid input",
                DateInput(date));
}

Check CheckBirthData(const RunRequest& r, const Captions& c, bool testAgainstStart, EnteredDays& days) {
  if (!Record(r, 2, days).valid)
    return Refuse("The birth date is invalid.", MsgIcon::Information, c.start, RequestInput::Birth);
  if (Check limits = CheckDateLimits(c, days, 2)) return limits;
  if (testAgainstStart && days.days[2] > days.days[0])
    return Refuse("The birth date must not be later than the start date.", MsgIcon::Information, c.start,
                  RequestInput::Birth);
  if (!r.birth.hour)
    return Refuse("Please specify the birth time, or use 12:00 if not known.", MsgIcon::None, c.start,
                  RequestInput::BirthTime, Repair::BirthTimeNoon);
  if (!r.birth.zone && r.birth.zoneName.empty())
    return Refuse("Please specify the timezone, or use GMT if not known.", MsgIcon::None, c.start,
                  RequestInput::BirthZone, Repair::BirthZoneGreenwich);
  return std::nullopt;
}

Check CheckBirthPlace(const RunRequest& r, const Captions& c) {
  if (r.birth.place) return std::nullopt;
  if (IsNatalPoint(r.second))
    return Refuse("Natal " + BodyName(r.second) + " is taken at the birth place: please specify the place of birth.",
                  MsgIcon::Information, c.start, RequestInput::Birth);
  if (r.houseIngresses)
    return Refuse("The natal houses are taken at the birth place: please specify the place of birth.",
                  MsgIcon::Information, c.start, RequestInput::Birth);
  return std::nullopt;
}

Check CheckPeriod(const Captions& c, const EnteredDays& days) {
  // Widened, so that no pair of day numbers can overflow the difference.
  if (int64_t{days.days[0]} <= int64_t{days.days[1]} - 3) return std::nullopt;
  return Refuse("The start date must be at least 3 days prior to the end date.", MsgIcon::Information, c.start,
                RequestInput::Start);
}

Check CheckBirthZone(const RunRequest& r, const Captions& c, Zone& zone) {
  if (r.birth.zoneName.empty()) {
    zone = r.birth.zone.value_or(Zone{});
    return std::nullopt;
  }
  const std::string& name = r.birth.zoneName;
  std::string why;
  const std::optional<Zone> named = Zone::Named(name, &why);
  if (!named) return Refuse(UnknownZoneMessage("birth", why), MsgIcon::Exclamation, c.start, RequestInput::BirthZone);
  const ReadDate birth = ReadEnteredDate(r.birth.date);
  BirthZoneReading reading = ReadBirthZone(name, *named, birth.year, birth.month, birth.day, r.birth.hour.value_or(0),
                                           r.birth.minute.value_or(0));
  if (!reading.zone) return Refuse(reading.ambiguity, MsgIcon::Exclamation, c.start, RequestInput::BirthZone);
  zone = std::move(*reading.zone);
  return std::nullopt;
}

Check CheckResultZone(const RunRequest& r, const std::string& pressedCaption, Zone& zone) {
  if (!r.zoneName.empty()) {
    std::string why;
    std::optional<Zone> named = Zone::Named(r.zoneName, &why);
    if (!named)
      return Refuse(UnknownZoneMessage("results", why), MsgIcon::Exclamation, pressedCaption, RequestInput::ResultZone);
    zone = std::move(*named);
    return std::nullopt;
  }
  if (r.zone) {
    zone = *r.zone;
    return std::nullopt;
  }
  return Refuse("Please specify the timezone for the results, or use the default GMT timezone.", MsgIcon::None,
                pressedCaption, RequestInput::ResultZone, Repair::ResultZoneGreenwich);
}

Check CheckBodyOrder(BodyIndex& inner, BodyIndex& outer, const Captions& c, bool search, bool inSeries, bool& skip) {
  skip = false;
  // The two nodes are two reckonings of one point: a pair of them measures
  // the true node's wobble about its mean, not a transit.
  const bool nodePair = (inner == NorthNode && outer == MeanNode) || (inner == MeanNode && outer == NorthNode);
  if (nodePair) {
    skip = inSeries;
    if (inSeries) return std::nullopt;
    return Refuse(
        "North Node and Mean Node are two reckonings of the same point: a world transit between them is not possible.",
        MsgIcon::Exclamation, c.start, RequestInput::Bodies);
  }
  // The bodies the window does not offer have no place in its inner-outer
  // order: a pair with one of them is taken as it is given (the first body
  // is the one whose retrograde marks the report shows). So has the Moon,
  // which the command line moves as the first body only: it is the
  // fastest of all.
  const bool ordered = inner <= LastWindowBody && outer <= LastWindowBody && inner != Moon && outer != Moon;
  if (search) {
    if (inner < outer || (!ordered && inner != outer)) return std::nullopt;
    return Refuse("Outer planet must be beyond inner planet", MsgIcon::Information, c.search, RequestInput::Bodies);
  }
  if (inSeries) {
    // A series pairs one body with every other: it passes over the body
    // itself without a word and takes the others in either order.
    skip = inner == outer;
    if (!skip && ordered && inner > outer) std::swap(inner, outer);
    return std::nullopt;
  }
  if (inner == outer)
    return Refuse("World transit of a planet to itself is not possible.", MsgIcon::Exclamation, c.start,
                  RequestInput::Bodies);
  if (ordered && inner > outer)
    return Refuse("Outer planet must be beyond inner planet", MsgIcon::Information, c.start, RequestInput::Bodies);
  return std::nullopt;
}

Check CheckOrbs(const RunRequest& r) {
  // Nothing chosen names no body: only the general rule applies. The slow
  // bodies (nodes, Chiron) need no minimum of their own; a world pair may
  // name one of them first, and the other body's rule then holds.
  BodyIndex body = r.first;
  if (body > LastWindowBody && r.World()) body = r.second;
  if (MovesSlowlyAsProgressed(r)) return CheckOrbsNested(r);
  const int16_t inner = r.orbs[2];
  // Fast bodies cross a narrow inner orb within a day or two, too quickly
  // for the daily steps to see them enter and leave it.
  if (body == Mercury && inner < 3)
    return Refuse(OrbMessagePrefix(r) + " Mercury the inner orb must be at least 3" + Degree + ".",
                  MsgIcon::Information, "Orb values", RequestInput::Orbs);
  if (inner < 2 && (body == Sun || body == Venus || body == Mars))
    return Refuse(OrbMessagePrefix(r) + " Sun, Venus or Mars the inner orb must be at least 2" + Degree + ".",
                  MsgIcon::Information, "Orb values", RequestInput::Orbs);
  if (Check swift = CheckSwiftOrbs(r, r.first)) return swift;
  return CheckOrbsNested(r);
}

Check CheckSwiftOrbs(const RunRequest& r, BodyIndex moving) {
  // The Moon crosses any middle or inner orb within hours: such an orb entered
  // and left between two midnights has that day as both its dates, which the
  // report can show. A whole pass between two midnights could not be shown at
  // all, so the outer orb must outlast the Moon's longest day (15.4 degrees in
  // 24 hours, 16 in a day of 25).
  if (!MovesSwiftly(moving) || MovesSlowlyAsProgressed(r) || r.orbs[0] >= SwiftOuterOrbMinimum) return std::nullopt;
  return Refuse(OrbMessagePrefix(r) + " " + BodyName(moving) + " the outer orb must be at least " +
                    std::to_string(SwiftOuterOrbMinimum) + Degree + ".",
                MsgIcon::Information, "Orb values", RequestInput::Orbs);
}

Check CheckOrbsNested(const RunRequest& r) {
  const auto [outer, middle, inner] = r.orbs;
  // An orb not chosen fails the rule too.
  if (inner < 1 || !(middle <= outer - 2 && inner <= middle - 2))
    return Refuse(std::string("Orbs must be strictly decreasing and differ by at least 2") + Degree + ".",
                  MsgIcon::Information, "Orb values", RequestInput::Orbs);
  return std::nullopt;
}

Check CheckBodyRanges(const std::function<PositionStatus(BodyIndex, double)>& statusAt, BodyIndex first,
                      BodyIndex second, int32_t day, int16_t date) {
  const std::string dateName = date == 0 ? "Start date" : "End date";
  const double instant = day - 0.5;
  // Ranges do not depend on the zodiac.
  const BodyIndex bodies[2] = {first, second};
  // A natal point stands where the birth put it, at any date.
  auto statusOf = [&](BodyIndex body) {
    return IsNatalPoint(body) ? PositionStatus::Known : statusAt(body, instant);
  };
  const PositionStatus status[2] = {statusOf(first), statusOf(second)};
  for (int k = 0; k < 2; ++k)
    if (status[k] == PositionStatus::BeforeRange)
      return Refuse(dateName + " is too early for " + BodyName(bodies[k]) + ".", MsgIcon::None, "", DateInput(date));
  for (int k = 0; k < 2; ++k)
    if (status[k] == PositionStatus::AfterRange)
      return Refuse(dateName + " is too late for " + BodyName(bodies[k]) + ".", MsgIcon::None, "", DateInput(date));
  return std::nullopt;
}

Check DeriveSearchOrbs(const RunRequest& r, std::array<int16_t, 3>& orbs) {
  const int16_t search = orbs[0];
  const BodyIndex body = r.first;
  // The Moon's search orb is its outer orb, under the same rule.
  if (MovesSwiftly(body) && !MovesSlowlyAsProgressed(r) && search >= 1 && search < SwiftOuterOrbMinimum)
    return Refuse(OrbMessagePrefix(r) + " " + BodyName(body) + " the search orb must be at least " +
                      std::to_string(SwiftOuterOrbMinimum) + Degree + ".",
                  MsgIcon::Information, "Search orb value", RequestInput::Orbs);
  if (search >= 1 && search <= 4) {
    // Small search orbs: each inner orb one degree inside the one around
    // it, but never below 1 degree, so a pass can still enter every orb.
    orbs[1] = static_cast<int16_t>(std::max(1, search - 1));
    orbs[2] = static_cast<int16_t>(std::max(1, search - 2));
    return std::nullopt;
  }
  if (search < 5 || search > 15) return std::nullopt;
  if (body == Mercury && search < 7)
    return Refuse(OrbMessagePrefix(r) + " Mercury the search orb must be at least 7" + Degree + ".",
                  MsgIcon::Information, "Search orb value", RequestInput::Orbs);
  if (search < 6 && (body == Sun || body == Venus || body == Mars))
    return Refuse(OrbMessagePrefix(r) + " Sun, Venus or Mars the search orb must be at least 6" + Degree + ".",
                  MsgIcon::Information, "Search orb value", RequestInput::Orbs);
  // Middle and inner orb for search orbs 5 to 15.
  static constexpr int16_t kDerived[11][2] = {{3, 1}, {4, 2}, {5, 3}, {6, 4}, {6, 3}, {6, 2},
                                              {7, 3}, {8, 4}, {8, 4}, {9, 4}, {10, 5}};
  orbs[1] = kDerived[search - 5][0];
  orbs[2] = kDerived[search - 5][1];
  return std::nullopt;
}

}  // namespace skyloom
