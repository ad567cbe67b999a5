// A birth zone given by its tz database name (Europe/Berlin): the offset
// from Universal Time that the zone kept at the local birth time, with its
// daylight-saving rule and history, to the second.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "calendar/zone.h"

namespace skyloom {

struct BirthOffset {
  enum class Kind { Unique, Repeated, Skipped } kind = Kind::Unique;
  // Unique: the offset in seconds east of Greenwich. Repeated: the earlier
  // and the later reading; Skipped: the offsets before and after the gap.
  int32_t seconds = 0, laterSeconds = 0;
  std::string abbreviation, laterAbbreviation;
  // Repeated or skipped: local times where the clocks were changed, from and to (HH:MM).
  std::string changeFrom, changeTo;
};

// The offset of a named zone at a local date and time (a valid date).
BirthOffset OffsetAt(const Zone& zone, int year, int month, int day, int hour, int minute);

// The message for a local time that the zone repeated or skipped that day.
std::string AmbiguousTimeMessage(const std::string& name, int year, int month, int day, int hour, int minute,
                                 const BirthOffset& offset);

// A birth time read in a named zone: the fixed zone of the offset the zone
// kept then, shown as the name with that offset ("Europe/Berlin
// (GMT+2:00)", seconds where it has them); or, for a time the zone repeated
// or skipped, no zone and the message that says so with both readings.
struct BirthZoneReading {
  std::optional<Zone> zone;
  std::string ambiguity;
};
BirthZoneReading ReadBirthZone(const std::string& name, const Zone& named, int year, int month, int day, int hour,
                               int minute);

}  // namespace skyloom
