#include "cli/birth_zone.h"

#include <date/tz.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <string_view>
#include <utility>

#include "calendar/date_format.h"

namespace skyloom::cli {

namespace {

using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

std::string TwoDigits(int64_t n) {
  return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
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

std::string LocalText(date::local_seconds t) {
  const auto day = date::floor<date::days>(t);
  const date::year_month_day ymd{day};
  const auto minute = std::chrono::duration_cast<minutes>(t - day).count();
  return std::to_string(static_cast<int>(ymd.year())) + "-" + TwoDigits(static_cast<unsigned>(ymd.month())) + "-" +
         TwoDigits(static_cast<unsigned>(ymd.day())) + " " + HourMinuteText(static_cast<int32_t>(minute));
}

std::string ClockText(date::local_seconds t) { return LocalText(t).substr(11); }

date::local_seconds LocalAt(int year, int month, int day, int hour, int minute) {
  return date::local_days{date::year{year} / month / day} + hours{hour} + minutes{minute};
}

}  // namespace

bool KnownZoneName(const std::string& name, std::string& why) {
  try {
    const date::tzdb& db = date::get_tzdb();
    for (const date::time_zone& zone : db.zones)
      if (zone.name() == name) return true;
    std::vector<std::pair<size_t, std::string>> scored;
    for (const date::time_zone& zone : db.zones) {
      // The machine's own zone under the name "localtime" is no one's birth zone.
      if (zone.name() == "localtime") continue;
      scored.emplace_back(Nearness(name, zone.name()), zone.name());
    }
    std::sort(scored.begin(), scored.end());
    why = "no zone " + name + " in the list or in the time zone database";
    if (!scored.empty()) {
      why += "; nearest: ";
      for (size_t i = 0; i < std::min<size_t>(3, scored.size()); ++i) why += (i > 0 ? ", " : "") + scored[i].second;
    }
  } catch (const std::exception& e) {
    why = "the time zone database cannot be read (" + std::string(e.what()) + ")";
  }
  return false;
}

BirthOffset OffsetAt(const std::string& name, int year, int month, int day, int hour, int minute) {
  const date::time_zone* zone = date::locate_zone(name);
  const date::local_info info = zone->get_info(LocalAt(year, month, day, hour, minute));
  BirthOffset offset;
  offset.seconds = static_cast<int32_t>(info.first.offset.count());
  offset.abbreviation = info.first.abbrev;
  if (info.result == date::local_info::unique) return offset;
  offset.kind = info.result == date::local_info::ambiguous ? BirthOffset::Kind::Repeated : BirthOffset::Kind::Skipped;
  offset.laterSeconds = static_cast<int32_t>(info.second.offset.count());
  offset.laterAbbreviation = info.second.abbrev;
  // The change happened at the start of the second period, told in the
  // clock time before and after it.
  const auto change = info.second.begin.time_since_epoch();
  offset.changeFrom = ClockText(date::local_seconds{change + info.first.offset});
  offset.changeTo = ClockText(date::local_seconds{change + info.second.offset});
  return offset;
}

std::string OffsetText(int32_t offsetSeconds) {
  if (offsetSeconds == 0) return "GMT";
  const int32_t size = std::abs(offsetSeconds);
  std::string text = offsetSeconds < 0 ? "GMT-" : "GMT+";
  text += std::to_string(size / 3600) + ":" + TwoDigits(size / 60 % 60);
  if (size % 60 != 0) text += ":" + TwoDigits(size % 60);
  return text;
}

std::string AmbiguousTimeMessage(const std::string& name, int year, int month, int day, int hour, int minute,
                                 const BirthOffset& offset) {
  const date::local_seconds local = LocalAt(year, month, day, hour, minute);
  const std::string when = LocalText(local);
  auto reading = [&](int32_t offsetSeconds, const std::string& abbreviation) {
    const date::local_seconds universal = local - seconds{offsetSeconds};
    return OffsetText(offsetSeconds) + " (" + abbreviation + "), " + LocalText(universal) + " UT";
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

int32_t ZoneMinutesForBirth(int32_t localMinuteOfDay, int32_t offsetSeconds) {
  const int64_t universalSeconds = int64_t{localMinuteOfDay} * 60 - offsetSeconds;
  // Rounded to the nearest minute, halves upward, for negative values too.
  const int64_t universalMinute = (universalSeconds + 30 - ((universalSeconds + 30) % 60 + 60) % 60) / 60;
  return static_cast<int32_t>(localMinuteOfDay - universalMinute);
}

}  // namespace skyloom::cli
