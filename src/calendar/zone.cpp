#include "calendar/zone.h"

#include <cmath>
#include <utility>

namespace skyloom {
namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// The offset as a fraction of a day. Dividing the seconds by the seconds of
// a day gives the very double that minutes over the minutes of a day gave,
// so instants of whole-minute zones are those the program always found.
double OffsetDays(int32_t offsetSeconds) { return offsetSeconds / static_cast<double>(SecondsPerDay); }

}  // namespace

Zone Zone::Fixed(int32_t offsetSeconds, std::string text) {
  Zone zone;
  zone.offsetSeconds_ = offsetSeconds;
  zone.text_ = std::move(text);
  return zone;
}

int32_t Zone::OffsetSecondsAt(Instant /*at*/) const { return offsetSeconds_; }

Zone ZoneOfMinutes(int32_t minutesEast, std::string text) { return Zone::Fixed(minutesEast * 60, std::move(text)); }

Instant LocalMidnight(int32_t dayNumber, const Zone& zone) {
  // The offset in force at Greenwich midnight of that day; a fixed zone
  // has but one.
  const Instant greenwich{dayNumber - 0.5};
  return Instant{dayNumber - 0.5 - OffsetDays(zone.OffsetSecondsAt(greenwich))};
}

LocalMinute ToLocalMinute(Instant at, const Zone& zone) {
  const int32_t offset = zone.OffsetSecondsAt(at);
  const double localMinutes = std::nearbyint((at.ut + OffsetDays(offset) + 0.5) * MinutesPerDay);
  const auto minutes = static_cast<int64_t>(localMinutes);
  LocalMinute local;
  local.day = static_cast<int32_t>(FloorDiv(minutes, MinutesPerDay));
  local.minuteOfDay = static_cast<int16_t>(minutes - int64_t{local.day} * MinutesPerDay);
  local.offsetSeconds = offset;
  return local;
}

Instant InstantOf(const LocalMinute& minute) {
  const double localMinutes = static_cast<double>(int64_t{minute.day} * MinutesPerDay + minute.minuteOfDay);
  return Instant{localMinutes / MinutesPerDay - 0.5 - OffsetDays(minute.offsetSeconds)};
}

int32_t LocalDay(Instant at, const Zone& zone) {
  return static_cast<int32_t>(std::floor(at.ut + OffsetDays(zone.OffsetSecondsAt(at)) + 0.5));
}

Instant FromLocal(int32_t dayNumber, int32_t secondsOfDay, const Zone& zone) {
  // The offset of the local time read as Universal Time: exact for a fixed
  // zone.
  const Instant guess{dayNumber - 0.5 + secondsOfDay / static_cast<double>(SecondsPerDay)};
  const int32_t universalSeconds = secondsOfDay - zone.OffsetSecondsAt(guess);
  return Instant{dayNumber - 0.5 + universalSeconds / static_cast<double>(SecondsPerDay)};
}

}  // namespace skyloom
