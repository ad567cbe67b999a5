// Calendar arithmetic on the proleptic Gregorian calendar with astronomical
// years. Every calendar code is read as Gregorian: the program only ever
// passes "G" (and "A", automatic, to julian_day).
#include "ports/calendar_library.h"

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <limits>

namespace skyloom {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

// Julian day number of 1970-01-01, the epoch of sys_days.
constexpr int64_t kUnixEpochDayNumber = 2440588;

// The Gregorian calendar repeats exactly every 400 years, which span
// 146097 days. Reducing a year into 0..399 keeps std::chrono::year (which
// only holds -32767..32767) usable for every 32-bit year, and the whole
// cycles are added back in 64-bit arithmetic where nothing can overflow.
constexpr int64_t kCycleYears = 400;
constexpr int64_t kCycleDays = 146097;

constexpr int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

constexpr bool FitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

struct Ymd {
  int32_t year;
  int32_t month;
  int32_t day;
};

Ymd DayNumberToYmd(int32_t dayNumber) {
  const int64_t sinceEpoch = int64_t{dayNumber} - kUnixEpochDayNumber;
  const int64_t cycles = FloorDiv(sinceEpoch, kCycleDays);
  const int64_t inCycle = sinceEpoch - cycles * kCycleDays;
  const year_month_day ymd{sys_days{days{inCycle}}};
  // |cycles| stays below 15000 for 32-bit day numbers, so the year fits.
  return {static_cast<int32_t>(int{ymd.year()} + cycles * kCycleYears), static_cast<int32_t>(unsigned{ymd.month()}),
          static_cast<int32_t>(unsigned{ymd.day()})};
}

}  // namespace

int32_t julian_day(double jd, const char* /*calendarCode*/, int32_t& year, int32_t& month, int32_t& day,
                   int32_t& dayOfWeek) {
  // Julian days count from Greenwich noon, but a date begins at the midnight
  // half a day earlier, hence the half day. Comparisons are made in double
  // before any conversion, so NaN, infinities and huge values never reach an
  // integer cast.
  constexpr double kLowest = std::numeric_limits<int32_t>::min();
  constexpr double kHighest = std::numeric_limits<int32_t>::max();
  int32_t dayNumber = 0;  // NaN: a moment that is nowhere; day number 0 is as good as any
  const double shifted = std::floor(jd + 0.5);
  if (shifted >= kHighest) {
    dayNumber = std::numeric_limits<int32_t>::max();
  } else if (shifted <= kLowest) {
    dayNumber = std::numeric_limits<int32_t>::min();
  } else if (!std::isnan(shifted)) {
    dayNumber = static_cast<int32_t>(shifted);
  }
  const Ymd date = DayNumberToYmd(dayNumber);
  year = date.year;
  month = date.month;
  day = date.day;
  // Day number 0 was a Monday.
  dayOfWeek = static_cast<int32_t>((int64_t{dayNumber} + 1 - 7 * FloorDiv(int64_t{dayNumber} + 1, 7)));
  return dayNumber;
}

int32_t date_to_day_number(CalendarDate& date) {
  date.DayNumber = 0;
  date.Valid = 0;
  // Range checks come first: std::chrono::month and day keep only 8 bits and
  // would quietly wrap a value such as 257 into a real month.
  if (date.Month < 1 || date.Month > 12 || date.Day < 1 || date.Day > 31) return 0;
  const int64_t cycles = FloorDiv(date.Year, kCycleYears);
  const int64_t yearInCycle = int64_t{date.Year} - cycles * kCycleYears;
  const year_month_day ymd{std::chrono::year{static_cast<int>(yearInCycle)},
                           std::chrono::month{static_cast<unsigned>(date.Month)},
                           std::chrono::day{static_cast<unsigned>(date.Day)}};
  if (!ymd.ok()) return 0;  // 31 April, 29 February of a common year
  const int64_t dayNumber =
      int64_t{sys_days{ymd}.time_since_epoch().count()} + cycles * kCycleDays + kUnixEpochDayNumber;
  if (!FitsInt32(dayNumber)) return 0;  // the date exists but has no 32-bit day number
  date.DayNumber = static_cast<int32_t>(dayNumber);
  date.Valid = 1;
  return date.DayNumber;
}

int32_t day_number_to_date(CalendarDate& date) {
  const Ymd ymd = DayNumberToYmd(date.DayNumber);
  date.Year = ymd.year;
  date.Month = ymd.month;
  date.Day = ymd.day;
  date.Valid = 1;
  return date.Valid;
}

int32_t local_timezone() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return 0;
  // tm_gmtoff is seconds east of Greenwich; the bias runs the other way.
  const long bias = -local.tm_gmtoff;
  return FitsInt32(bias) ? static_cast<int32_t>(bias) : 0;
}

void group_thousands(const char* number, int32_t separatorCode, char* buffer) {
  constexpr std::size_t kBufferSize = 20;
  if (buffer == nullptr) return;
  std::size_t length = 0;
  const auto put = [&](char c) {
    if (length + 1 >= kBufferSize) return false;  // keep the last byte for the NUL
    buffer[length++] = c;
    return true;
  };
  // A code that is not one byte (or is NUL) cannot be written as a separator.
  const bool separated = separatorCode != 0 && separatorCode >= -128 && separatorCode <= 255;
  const char separator = static_cast<char>(separatorCode);
  if (number != nullptr) {
    const char* cursor = number;
    if (*cursor == '-' || *cursor == '+') put(*cursor++);
    std::size_t digits = 0;
    while (cursor[digits] >= '0' && cursor[digits] <= '9') ++digits;
    bool room = true;
    for (std::size_t i = 0; i < digits && room; ++i) {
      if (separated && i > 0 && (digits - i) % 3 == 0) {
        // A cut text never ends in a dangling separator.
        room = length + 2 < kBufferSize && put(separator);
      }
      if (room) room = put(cursor[i]);
    }
    // Whatever follows the digits (a fraction, say) is kept as it is.
    for (const char* rest = cursor + digits; room && *rest != '\0'; ++rest) room = put(*rest);
  }
  buffer[length] = '\0';
}

}  // namespace skyloom
