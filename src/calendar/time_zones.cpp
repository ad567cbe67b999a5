#include "calendar/time_zones.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"

namespace skyloom {

namespace {

struct Abbreviation {
  int16_t position;
  std::string_view text;
};

// The North American zones; the half-hour positions between them keep their
// offset texts.
constexpr std::array kAbbreviations{
    Abbreviation{19, "NDT"},      Abbreviation{18, "ADT"},     Abbreviation{17, "NST"},     Abbreviation{16, "AST/EDT"},
    Abbreviation{14, "EST/CDT"},  Abbreviation{12, "CST/MDT"}, Abbreviation{10, "MST/PDT"}, Abbreviation{8, "PST/AKDT"},
    Abbreviation{6, "AKST/HADT"}, Abbreviation{4, "HAST"},
};

}  // namespace

std::string TimezoneText(int16_t position, bool abbreviations) {
  if (position < FirstZonePosition || position > LastZonePosition) return {};
  if (abbreviations) {
    for (const Abbreviation& a : kAbbreviations)
      if (a.position == position) return std::string(a.text);
  }
  const int minutes = ZoneMinutesOfPosition(position);
  if (minutes == 0) return "GMT";
  std::string text = minutes < 0 ? "GMT-" : "GMT+";
  text += NumberText(std::abs(minutes) / 60);
  text += std::abs(minutes) % 60 != 0 ? ":30" : ":00";
  return text;
}

int16_t MachineTimezoneMinutes() {
  // The bias runs west (local time + bias = GMT); the lists run east.
  const double minutes = std::nearbyint(-static_cast<double>(local_timezone()) / 60.0);
  return static_cast<int16_t>(std::clamp(minutes, static_cast<double>(std::numeric_limits<int16_t>::min()),
                                         static_cast<double>(std::numeric_limits<int16_t>::max())));
}

int16_t TimezonePositionOfMinutes(int32_t minutes) {
  // Zones of twelve hours or more either way lie beyond the list; the
  // nearest end is the closest offset the list can give.
  const double position = std::nearbyint(static_cast<double>(minutes) / 30.0 + GreenwichPosition);
  return static_cast<int16_t>(
      std::clamp(position, static_cast<double>(FirstZonePosition), static_cast<double>(LastZonePosition)));
}

}  // namespace skyloom
