// The two time-zone lists: 48 entries, the empty one first, then fixed
// offsets from GMT-11:30 to GMT+11:30 in half hours; position 24 is "GMT".
// Optionally ten of them show North American abbreviations instead.
#pragma once

#include <cstdint>
#include <string>

namespace skyloom {

inline constexpr int16_t TimezoneEntryCount = 48;
// The first and last entries with a zone.
inline constexpr int16_t FirstZonePosition = 1;
inline constexpr int16_t LastZonePosition = TimezoneEntryCount - 1;
inline constexpr int16_t GreenwichPosition = 24;

// Minutes east of Greenwich of a list position: (position - 24) * 30.
constexpr int16_t ZoneMinutesOfPosition(int16_t position) {
  return static_cast<int16_t>((position - GreenwichPosition) * 30);
}
// The text of a list entry, with or without the abbreviations.
std::string TimezoneText(int16_t position, bool abbreviations);

// The machine's offset in minutes east of Greenwich.
int16_t MachineTimezoneMinutes();
// The list position of an offset in minutes (ties to even), kept within
// 1..47 for offsets beyond the list's ends.
int16_t TimezonePositionOfMinutes(int32_t minutes);

}  // namespace skyloom
