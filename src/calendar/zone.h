// Instants and the zone in which dates and times are given: the one place
// where local time and Universal Time are turned into each other.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace skyloom {

inline constexpr int32_t SecondsPerDay = 86400;
inline constexpr int32_t MinutesPerDay = 1440;

// An instant as a Julian day in Universal Time.
struct Instant {
  double ut = 0;

  Instant& operator+=(double days) {
    ut += days;
    return *this;
  }
  friend Instant operator+(Instant at, double days) { return Instant{at.ut + days}; }
  friend Instant operator-(Instant at, double days) { return Instant{at.ut - days}; }
  // The days from b to a.
  friend double operator-(Instant a, Instant b) { return a.ut - b.ut; }
  friend auto operator<=>(const Instant&, const Instant&) = default;
};

class ZoneRules;

// How a local date and time reads in a zone: once (Unique), twice where the
// clocks were set back over it (Repeated: the earlier reading first), or
// not at all where they were set forward over it (Skipped: the offsets
// before and after the gap).
struct LocalReading {
  enum class Kind { Unique, Repeated, Skipped } kind = Kind::Unique;
  int32_t offsetSeconds = 0, laterOffsetSeconds = 0;
  std::string abbreviation, laterAbbreviation;
  // Repeated or skipped: the instant the clocks were changed.
  Instant change;
  friend bool operator==(const LocalReading&, const LocalReading&) = default;
};

// The zone of the dates and minutes the user reads and gives: a fixed
// offset east of Greenwich, or a zone of the tz database with its
// daylight-saving rules and history, whose offset is asked for at an
// instant.
class Zone {
 public:
  Zone() = default;
  // A zone offsetSeconds east of Greenwich, shown as text ("GMT+5:30",
  // "EST/CDT").
  static Zone Fixed(int32_t offsetSeconds, std::string text);
  // The tz database's zone of that name ("Europe/Berlin"); none, with why
  // and the nearest names the database knows, when there is no such zone.
  static std::optional<Zone> Named(const std::string& name, std::string* why = nullptr);
  // The machine's own zone by its name; when no name can be found, the
  // machine's present offset as a fixed zone, with a note saying so.
  static Zone Local(std::string* note = nullptr);

  // Seconds east of Greenwich at the instant.
  int32_t OffsetSecondsAt(Instant at) const;
  // The abbreviation in force at the instant ("CEST", "LMT"); a fixed zone's
  // text.
  std::string AbbreviationAt(Instant at) const;
  // How the local time secondsOfDay after the midnight starting dayNumber
  // reads in the zone.
  LocalReading ReadLocal(int32_t dayNumber, int64_t secondsOfDay) const;
  // The text the user picked the zone by: a fixed zone's list text or a
  // named zone's name.
  const std::string& Text() const { return text_; }
  bool IsNamed() const { return rules_ != nullptr; }

  friend bool operator==(const Zone& a, const Zone& b) {
    return a.offsetSeconds_ == b.offsetSeconds_ && a.text_ == b.text_ && a.IsNamed() == b.IsNamed();
  }

 private:
  int32_t offsetSeconds_ = 0;
  std::string text_;
  std::shared_ptr<const ZoneRules> rules_;
};

// "GMT", "GMT+2:00", "GMT-9:30", "GMT+0:53:28": an offset as the window's
// zone lists write it, with seconds only where it has them.
std::string OffsetText(int32_t offsetSeconds);
// "+02:00", "-09:30", "+00:53:28": an offset as ISO 8601 writes it.
std::string UtcOffsetText(int32_t offsetSeconds);
// The names of the tz database nearest a name given (by their spelling,
// or their city's), nearest first.
std::vector<std::string> NearestZoneNames(const std::string& name, size_t count);

// The zone of a whole number of minutes east of Greenwich, which is what
// the zone lists and the runs carry.
Zone ZoneOfMinutes(int32_t minutesEast, std::string text = {});

// The local midnight that starts day number dayNumber (a Julian day
// number: Greenwich midnight starting day d is d - 0.5). Where the clocks
// skip that midnight the day starts as they are set forward; where they
// repeat it, at its first reading.
Instant LocalMidnight(int32_t dayNumber, const Zone& zone);

// The whole minute of local time nearest an instant: its day number, its
// minute of the day and the zone's offset there. An instant in the last
// half minute of a day is 00:00 of the next.
struct LocalMinute {
  int32_t day = 0;
  int16_t minuteOfDay = 0;
  int32_t offsetSeconds = 0;
  friend bool operator==(const LocalMinute&, const LocalMinute&) = default;
};
LocalMinute ToLocalMinute(Instant at, const Zone& zone);
// The instant of that local minute.
Instant InstantOf(const LocalMinute& minute);
// The instant nearest `at` where ToLocalMinute passes from one minute to the
// next: half a minute past the minute of the local time then.
Instant NearestMinuteEdge(Instant at, const Zone& zone);

// The local day number an instant falls on (no rounding).
int32_t LocalDay(Instant at, const Zone& zone);

// The instant of a local time, secondsOfDay after the midnight starting
// dayNumber (birth times): a repeated time is read with its earlier offset,
// a skipped one with the offset before the gap (it lands after the gap).
Instant FromLocal(int32_t dayNumber, int32_t secondsOfDay, const Zone& zone);

}  // namespace skyloom
