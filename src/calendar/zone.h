// Instants and the zone in which dates and times are given: the one place
// where local time and Universal Time are turned into each other.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

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

// The zone of the dates and minutes the user reads and gives. Today every
// zone is a fixed offset east of Greenwich; the offset is asked for at an
// instant so that a zone whose offset changes through the year needs no
// other interface.
class Zone {
 public:
  Zone() = default;
  // A zone offsetSeconds east of Greenwich, shown as text ("GMT+5:30",
  // "EST/CDT").
  static Zone Fixed(int32_t offsetSeconds, std::string text);

  // Seconds east of Greenwich at the instant.
  int32_t OffsetSecondsAt(Instant at) const;
  // The text the user picked the zone by.
  const std::string& Text() const { return text_; }

  friend bool operator==(const Zone&, const Zone&) = default;

 private:
  int32_t offsetSeconds_ = 0;
  std::string text_;
};

// The zone of a whole number of minutes east of Greenwich, which is what
// the zone lists and the runs carry.
Zone ZoneOfMinutes(int32_t minutesEast, std::string text = {});

// The local midnight that starts day number dayNumber (a Julian day
// number: Greenwich midnight starting day d is d - 0.5).
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

// The local day number an instant falls on (no rounding).
int32_t LocalDay(Instant at, const Zone& zone);

// The instant of a local time, secondsOfDay after the midnight starting
// dayNumber (birth times).
Instant FromLocal(int32_t dayNumber, int32_t secondsOfDay, const Zone& zone);

}  // namespace skyloom
