#include "calendar/zone.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "ports/calendar_library.h"
#include "ports/time_zone_database.h"

namespace skyloom {
namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// The offset as a fraction of a day. Dividing the seconds by the seconds of
// a day gives the very double that minutes over the minutes of a day gave,
// so instants of whole-minute zones are those the program always found.
double OffsetDays(int32_t offsetSeconds) { return offsetSeconds / static_cast<double>(SecondsPerDay); }

// The Julian day of 1970-01-01 00:00 UT and the day number it starts.
constexpr double kUnixEpoch = 2440587.5;
constexpr int64_t kUnixEpochDay = 2440588;

// The whole second an instant falls in. An instant made from a whole second
// may lie a few microseconds either side of it (a Julian day carries about
// 40 of them): a millisecond's grace keeps it in its own second.
UnixSeconds SecondsOf(Instant at) {
  const double seconds = (at.ut - kUnixEpoch) * SecondsPerDay;
  if (!(std::fabs(seconds) < 1e15)) return 0;
  return static_cast<UnixSeconds>(std::floor(seconds + 1e-3));
}

Instant InstantOfSeconds(UnixSeconds seconds) {
  return Instant{kUnixEpoch + seconds / static_cast<double>(SecondsPerDay)};
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Edit distance without regard to letter case, with a swap of two
// neighbouring letters counted as one edit (the commonest slip in typing).
size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const bool same = Lower(a[i - 1]) == Lower(b[j - 1]);
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (same ? 0 : 1)});
      if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) && Lower(a[i - 2]) == Lower(b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// People often give only the city ("Berlin"): a name is as near as its
// whole text or its last part is.
size_t Nearness(std::string_view given, std::string_view name) {
  const size_t slash = name.rfind('/');
  const size_t whole = Distance(given, name);
  return slash == std::string_view::npos ? whole : std::min(whole, Distance(given, name.substr(slash + 1)));
}

std::string TwoDigits(int32_t n) {
  return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

}  // namespace

std::vector<std::string> NearestZoneNames(const std::string& name, size_t count) {
  std::vector<std::pair<size_t, std::string>> scored;
  for (std::string& known : ZoneNames()) scored.emplace_back(Nearness(name, known), std::move(known));
  std::sort(scored.begin(), scored.end());
  std::vector<std::string> nearest;
  for (size_t i = 0; i < std::min(count, scored.size()); ++i) nearest.push_back(scored[i].second);
  return nearest;
}

std::string OffsetText(int32_t offsetSeconds) {
  if (offsetSeconds == 0) return "GMT";
  const int32_t size = std::abs(offsetSeconds);
  std::string text = offsetSeconds < 0 ? "GMT-" : "GMT+";
  text += std::to_string(size / 3600) + ":" + TwoDigits(size / 60 % 60);
  if (size % 60 != 0) text += ":" + TwoDigits(size % 60);
  return text;
}

std::string UtcOffsetText(int32_t offsetSeconds) {
  const int32_t size = std::abs(offsetSeconds);
  std::string text(1, offsetSeconds < 0 ? '-' : '+');
  text += TwoDigits(size / 3600) + ":" + TwoDigits(size / 60 % 60);
  if (size % 60 != 0) text += ":" + TwoDigits(size % 60);
  return text;
}

Zone Zone::Fixed(int32_t offsetSeconds, std::string text) {
  Zone zone;
  zone.offsetSeconds_ = offsetSeconds;
  zone.text_ = std::move(text);
  return zone;
}

std::optional<Zone> Zone::Named(const std::string& name, std::string* why) {
  std::string reason;
  auto rules = LoadZoneRules(name, reason);
  if (!rules) {
    if (why != nullptr) {
      *why = reason;
      const std::vector<std::string> nearest = NearestZoneNames(name, 3);
      for (size_t i = 0; i < nearest.size(); ++i) *why += (i == 0 ? "; nearest: " : ", ") + nearest[i];
    }
    return std::nullopt;
  }
  Zone zone;
  zone.text_ = name;
  zone.rules_ = std::move(rules);
  return zone;
}

Zone Zone::Local(std::string* note) {
  if (const std::string name = MachineZoneName(); !name.empty()) {
    if (std::optional<Zone> zone = Named(name)) return *zone;
  }
  // The bias runs west (local time + bias = GMT).
  const int32_t offset = -local_timezone();
  if (note != nullptr)
    *note =
        "this machine's time zone has no name in the time zone database; the results are given at its "
        "present offset, " +
        OffsetText(offset) + ", all year";
  return Fixed(offset, OffsetText(offset));
}

int32_t Zone::OffsetSecondsAt(Instant at) const {
  if (!rules_) return offsetSeconds_;
  return rules_->PeriodAt(SecondsOf(at)).offsetSeconds;
}

std::string Zone::AbbreviationAt(Instant at) const {
  if (!rules_) return text_;
  return rules_->PeriodAt(SecondsOf(at)).abbreviation;
}

LocalReading Zone::ReadLocal(int32_t dayNumber, int64_t secondsOfDay) const {
  LocalReading reading;
  if (!rules_) {
    reading.offsetSeconds = offsetSeconds_;
    reading.abbreviation = text_;
    return reading;
  }
  const UnixSeconds local = (dayNumber - kUnixEpochDay) * SecondsPerDay + secondsOfDay;
  // No zone is more than a day and a few hours from Greenwich: the periods
  // that can hold the local time lie within this span of it.
  constexpr UnixSeconds kReach = 2 * SecondsPerDay;
  std::vector<ZonePeriod> matches;
  std::optional<ZonePeriod> before, after;
  ZonePeriod period = rules_->PeriodAt(local - kReach);
  for (std::optional<ZonePeriod> previous;; previous = period, period = rules_->PeriodAt(period.end)) {
    const UnixSeconds universal = local - period.offsetSeconds;
    if (universal >= period.begin && universal < period.end) matches.push_back(period);
    // A gap: past the end of the period before, not yet at this one's start.
    if (previous && local - previous->offsetSeconds >= previous->end && universal < period.begin && !before) {
      before = previous;
      after = period;
    }
    if (period.end == kTimeEnds || period.end > local + kReach) break;
  }
  if (matches.empty() && before) {
    reading.kind = LocalReading::Kind::Skipped;
    reading.offsetSeconds = before->offsetSeconds;
    reading.abbreviation = before->abbreviation;
    reading.laterOffsetSeconds = after->offsetSeconds;
    reading.laterAbbreviation = after->abbreviation;
    reading.change = InstantOfSeconds(after->begin);
    return reading;
  }
  if (matches.empty()) matches.push_back(period);  // not reached with sound rules
  reading.offsetSeconds = matches[0].offsetSeconds;
  reading.abbreviation = matches[0].abbreviation;
  if (matches.size() > 1) {
    reading.kind = LocalReading::Kind::Repeated;
    reading.laterOffsetSeconds = matches[1].offsetSeconds;
    reading.laterAbbreviation = matches[1].abbreviation;
    reading.change = InstantOfSeconds(matches[1].begin);
  }
  return reading;
}

Zone ZoneOfMinutes(int32_t minutesEast, std::string text) { return Zone::Fixed(minutesEast * 60, std::move(text)); }

Instant LocalMidnight(int32_t dayNumber, const Zone& zone) {
  if (zone.IsNamed()) {
    const LocalReading reading = zone.ReadLocal(dayNumber, 0);
    if (reading.kind == LocalReading::Kind::Skipped) return reading.change;
    return Instant{dayNumber - 0.5 - OffsetDays(reading.offsetSeconds)};
  }
  // A fixed zone has but one offset.
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

Instant NearestMinuteEdge(Instant at, const Zone& zone) {
  const double offset = OffsetDays(zone.OffsetSecondsAt(at));
  const double edge = std::floor((at.ut + offset + 0.5) * MinutesPerDay) + 0.5;
  return Instant{edge / MinutesPerDay - 0.5 - offset};
}

int32_t LocalDay(Instant at, const Zone& zone) {
  return static_cast<int32_t>(std::floor(at.ut + OffsetDays(zone.OffsetSecondsAt(at)) + 0.5));
}

Instant FromLocal(int32_t dayNumber, int32_t secondsOfDay, const Zone& zone) {
  if (zone.IsNamed()) {
    const int32_t offset = zone.ReadLocal(dayNumber, secondsOfDay).offsetSeconds;
    return Instant{dayNumber - 0.5 + (secondsOfDay - offset) / static_cast<double>(SecondsPerDay)};
  }
  // The offset of the local time read as Universal Time: exact for a fixed
  // zone.
  const Instant guess{dayNumber - 0.5 + secondsOfDay / static_cast<double>(SecondsPerDay)};
  const int32_t universalSeconds = secondsOfDay - zone.OffsetSecondsAt(guess);
  return Instant{dayNumber - 0.5 + universalSeconds / static_cast<double>(SecondsPerDay)};
}

}  // namespace skyloom
