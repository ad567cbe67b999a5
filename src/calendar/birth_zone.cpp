#include "calendar/birth_zone.h"

#include <cmath>
#include <vector>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"

namespace skyloom {

namespace {

int32_t DayNumberOf(int year, int month, int day) {
  CalendarDate date;
  date.Year = year;
  date.Month = month;
  date.Day = day;
  return date_to_day_number(date);
}

// "2150-11-01 01:30": a local or universal time given as seconds from the
// midnight starting a day number (negative or beyond a day too).
std::string LocalText(int32_t dayNumber, int64_t seconds) {
  const auto days = static_cast<int32_t>(std::floor(seconds / 86400.0));
  const auto minute = static_cast<int32_t>((seconds - int64_t{days} * 86400) / 60);
  return FormatDayNumber(dayNumber + days) + " " + HourMinuteText(minute);
}

// The clock time, in a zone of that offset, of an instant at a whole second.
std::string ClockText(Instant at, int32_t offsetSeconds) {
  const double local = (at.ut + 0.5) * 86400.0 + offsetSeconds;
  const auto seconds = static_cast<int64_t>(std::floor(local + 1e-3));
  const int64_t ofDay = seconds - static_cast<int64_t>(std::floor(seconds / 86400.0)) * 86400;
  return HourMinuteText(static_cast<int32_t>(ofDay / 60));
}

}  // namespace

BirthOffset OffsetAt(const Zone& zone, int year, int month, int day, int hour, int minute) {
  const LocalReading reading = zone.ReadLocal(DayNumberOf(year, month, day), int64_t{hour} * 3600 + minute * 60);
  BirthOffset offset;
  offset.seconds = reading.offsetSeconds;
  offset.abbreviation = reading.abbreviation;
  if (reading.kind == LocalReading::Kind::Unique) return offset;
  offset.kind = reading.kind == LocalReading::Kind::Repeated ? BirthOffset::Kind::Repeated : BirthOffset::Kind::Skipped;
  offset.laterSeconds = reading.laterOffsetSeconds;
  offset.laterAbbreviation = reading.laterAbbreviation;
  // The change told in the clock time before and after it.
  offset.changeFrom = ClockText(reading.change, reading.offsetSeconds);
  offset.changeTo = ClockText(reading.change, reading.laterOffsetSeconds);
  return offset;
}

std::string AmbiguousTimeMessage(const std::string& name, int year, int month, int day, int hour, int minute,
                                 const BirthOffset& offset) {
  const int32_t dayNumber = DayNumberOf(year, month, day);
  const int64_t local = int64_t{hour} * 3600 + minute * 60;
  const std::string when = LocalText(dayNumber, local);
  auto reading = [&](int32_t offsetSeconds, const std::string& abbreviation) {
    return OffsetText(offsetSeconds) + " (" + abbreviation + "), " + LocalText(dayNumber, local - offsetSeconds) +
           " UT";
  };
  if (offset.kind == BirthOffset::Kind::Repeated) {
    return when + " came twice in " + name + ": the clocks went back from " + offset.changeFrom + " to " +
           offset.changeTo + " that day. It was first " + reading(offset.seconds, offset.abbreviation) + ", then " +
           reading(offset.laterSeconds, offset.laterAbbreviation) +
           ". Give the birth zone as the offset of the one meant, " + OffsetText(offset.seconds) + " or " +
           OffsetText(offset.laterSeconds) + ".";
  }
  return when + " did not exist in " + name + ": the clocks went forward from " + offset.changeFrom + " to " +
         offset.changeTo + " that day, from " + OffsetText(offset.seconds) + " (" + offset.abbreviation + ") to " +
         OffsetText(offset.laterSeconds) + " (" + offset.laterAbbreviation + "). Check the birth time.";
}

BirthZoneReading ReadBirthZone(const std::string& name, const Zone& named, int year, int month, int day, int hour,
                               int minute) {
  const BirthOffset offset = OffsetAt(named, year, month, day, hour, minute);
  if (offset.kind != BirthOffset::Kind::Unique)
    return {std::nullopt, AmbiguousTimeMessage(name, year, month, day, hour, minute, offset)};
  return {Zone::Fixed(offset.seconds, name + " (" + OffsetText(offset.seconds) + ")"), {}};
}

}  // namespace skyloom
