// Arbitrary dates, day numbers, Julian days and number texts: every valid
// date comes back from its day number, every refused one is really missing
// (or beyond the 32-bit day numbers), and no buffer is overrun.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "calendar/date_format.h"
#include "fuzz_check.h"
#include "ports/calendar_library.h"

namespace {

using namespace skyloom;

// The next bytes of the input as they are (any double, NaN included), zeros past its end.
template <typename T>
T Take(FuzzedDataProvider& in) {
  T value{};
  const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(sizeof value);
  if (!bytes.empty()) std::memcpy(&value, bytes.data(), bytes.size());
  return value;
}

int64_t DaysInMonth(int64_t y, int64_t m) {
  static constexpr int64_t kDays[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[m] + (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0));
}
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
// Fliegel and Van Flandern, independent of the library's arithmetic.
int64_t ReferenceDayNumber(int64_t y, int64_t m, int64_t d) {
  const int64_t a = FloorDiv(14 - m, 12);
  const int64_t yy = y + 4800 - a;
  const int64_t mm = m + 12 * a - 3;
  return d + FloorDiv(153 * mm + 2, 5) + 365 * yy + FloorDiv(yy, 4) - FloorDiv(yy, 100) + FloorDiv(yy, 400) - 32045;
}

void CheckDate(int32_t year, int32_t month, int32_t day) {
  CalendarDate date{year, month, day};
  const int32_t returned = date_to_day_number(date);
  FUZZ_CHECK(returned == date.DayNumber);
  const bool exists = month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
  const bool fits = exists && ReferenceDayNumber(year, month, day) == int32_t(ReferenceDayNumber(year, month, day));
  if (date.Valid == 0) {
    FUZZ_CHECK(date.DayNumber == 0);
    FUZZ_CHECK(!fits);
    return;
  }
  FUZZ_CHECK(fits);
  FUZZ_CHECK(date.DayNumber == ReferenceDayNumber(year, month, day));
  CalendarDate back;
  back.DayNumber = date.DayNumber;
  day_number_to_date(back);
  FUZZ_CHECK(back.Year == year && back.Month == month && back.Day == day);
}

void CheckDayNumber(int32_t dayNumber) {
  CalendarDate date;
  date.DayNumber = dayNumber;
  day_number_to_date(date);
  FUZZ_CHECK(date.Month >= 1 && date.Month <= 12);
  FUZZ_CHECK(date.Day >= 1 && date.Day <= DaysInMonth(date.Year, date.Month));
  CalendarDate back = date;
  back.DayNumber = 0;
  date_to_day_number(back);
  FUZZ_CHECK(back.Valid != 0 && back.DayNumber == dayNumber);

  const std::string text = FormatDayNumber(dayNumber);
  // Year text, "-", two-digit month, "-", two-digit day.
  FUZZ_CHECK(text.size() >= 7 && text.size() <= 20);
  FUZZ_CHECK(text[text.size() - 3] == '-' && text[text.size() - 6] == '-');
  FUZZ_CHECK(std::atoi(text.c_str() + text.size() - 5) == date.Month);
  FUZZ_CHECK(std::atoi(text.c_str() + text.size() - 2) == date.Day);
  const std::string written = MonthDayYearText(dayNumber);
  FUZZ_CHECK(written.size() >= 8 && written.size() <= 20);  // "May 1, 0" .. "Sept. 30, -5884323"
  const std::string label = LongDateLabel(date.Year, date.Month, date.Day);
  FUZZ_CHECK(label.compare(0, MonthNames[static_cast<size_t>(date.Month)].size(),
                           MonthNames[static_cast<size_t>(date.Month)]) == 0);
}

void CheckJulianDay(double jd) {
  int32_t year = 0, month = 0, day = 0, dayOfWeek = -1;
  const int32_t dayNumber = julian_day(jd, "A", year, month, day, dayOfWeek);
  FUZZ_CHECK(dayOfWeek >= 0 && dayOfWeek <= 6);
  CalendarDate date;
  date.DayNumber = dayNumber;
  day_number_to_date(date);
  FUZZ_CHECK(date.Year == year && date.Month == month && date.Day == day);
  if (std::isfinite(jd) && std::fabs(jd) < 2e9) FUZZ_CHECK(dayNumber == static_cast<int64_t>(std::floor(jd + 0.5)));
}

void CheckGrouping(const std::string& text, int32_t separator) {
  char guarded[40];
  std::memset(guarded, '#', sizeof guarded);
  std::memset(guarded, ' ', 20);
  group_thousands(text.c_str(), separator, guarded);
  FUZZ_CHECK(std::memchr(guarded, '\0', 20) != nullptr);
  for (size_t i = 20; i < sizeof guarded; ++i) FUZZ_CHECK(guarded[i] == '#');
  const std::string grouped = GroupYearDigits(text, static_cast<char>(separator));
  FUZZ_CHECK(grouped.size() < 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const auto year = Take<int32_t>(in), month = Take<int32_t>(in), day = Take<int32_t>(in);
  const auto dayNumber = Take<int32_t>(in);
  const auto jd = Take<double>(in);
  const auto separator = Take<int32_t>(in);

  CheckDate(year, month, day);
  // Raw 32-bit months and days almost never name a real date; folding them
  // into range lets the round trip see valid dates of every year.
  const auto foldedMonth = static_cast<int32_t>(static_cast<uint32_t>(month) % 13);
  const auto foldedDay = static_cast<int32_t>(static_cast<uint32_t>(day) % 32);
  CheckDate(year, foldedMonth, foldedDay);
  CheckDate(year % 20000, foldedMonth, foldedDay);
  CheckDayNumber(dayNumber);
  CheckJulianDay(jd);
  CheckJulianDay(static_cast<double>(dayNumber) + static_cast<double>(static_cast<uint8_t>(separator)) / 256.0);
  CheckGrouping(in.ConsumeRemainingBytesAsString(), separator);
  return 0;
}
