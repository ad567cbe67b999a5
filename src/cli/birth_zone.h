// A birth zone given by its tz database name (Europe/Berlin): the offset
// from Universal Time that the zone kept at the local birth time, with its
// daylight-saving rule and history, read from the system's tz database.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skyloom::cli {

// Whether the tz database knows the name; on false, why (the database may
// be missing too), with the nearest spellings it knows.
bool KnownZoneName(const std::string& name, std::string& why);

struct BirthOffset {
  enum class Kind { Unique, Repeated, Skipped } kind = Kind::Unique;
  // Unique: the offset in seconds east of Greenwich. Repeated: the earlier
  // and the later reading; Skipped: the offsets before and after the gap.
  int32_t seconds = 0, laterSeconds = 0;
  std::string abbreviation, laterAbbreviation;
  // Repeated or skipped: local times where the clocks were changed, from and to (HH:MM).
  std::string changeFrom, changeTo;
};

// The offset of a known zone at a local date and time (a valid date).
BirthOffset OffsetAt(const std::string& name, int year, int month, int day, int hour, int minute);

// "GMT", "GMT+2:00", "GMT-9:30", "GMT+0:53:28": an offset as the window's
// zone lists write it, with seconds only where it has them.
std::string OffsetText(int32_t seconds);

// The message for a local time that the zone repeated or skipped that day.
std::string AmbiguousTimeMessage(const std::string& name, int year, int month, int day, int hour, int minute,
                                 const BirthOffset& offset);

// Minutes to subtract from the local birth minute to reach the birth minute
// in Universal Time, the result rounded to the nearest minute.
int32_t ZoneMinutesForBirth(int32_t localMinuteOfDay, int32_t offsetSeconds);

}  // namespace skyloom::cli
