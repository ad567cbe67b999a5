#include "ports/calendar_library.h"

#include <gtest/gtest.h>

#include "support/scoped_time_zone.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace skyloom {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

struct Date {
  int32_t year;
  int32_t month;
  int32_t day;
  bool operator==(const Date&) const = default;
};

std::string Show(const Date& d) {
  return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day);
}

CalendarDate ToDayNumber(int32_t year, int32_t month, int32_t day) {
  CalendarDate date;
  date.Year = year;
  date.Month = month;
  date.Day = day;
  date.Calendar = 'G';
  date.DayNumber = 12345;  // stale values must not survive a failed conversion
  date.Valid = 7;
  date_to_day_number(date);
  return date;
}

Date FromDayNumber(int32_t dayNumber) {
  CalendarDate date;
  date.DayNumber = dayNumber;
  date.Calendar = 'G';
  day_number_to_date(date);
  return {date.Year, date.Month, date.Day};
}

// An oracle that shares nothing with the library: the Fliegel and Van
// Flandern day-number formula, with floor division so it holds for negative
// years, in 64 bits so it holds for every 32-bit year.
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t ReferenceDayNumber(int64_t y, int64_t m, int64_t d) {
  const int64_t a = FloorDiv(14 - m, 12);
  const int64_t yy = y + 4800 - a;
  const int64_t mm = m + 12 * a - 3;
  return d + FloorDiv(153 * mm + 2, 5) + 365 * yy + FloorDiv(yy, 4) - FloorDiv(yy, 100) + FloorDiv(yy, 400) -
         32045;
}

bool IsLeap(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int32_t DaysInMonth(int32_t y, int32_t m) {
  static constexpr int32_t kDays[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m];
}
Date NextDay(Date d) {
  if (d.day < DaysInMonth(d.year, d.month)) return {d.year, d.month, d.day + 1};
  if (d.month < 12) return {d.year, d.month + 1, 1};
  return {d.year + 1, 1, 1};
}

// Rows for 1..9999 agree with Python's datetime: date(y, m, d).toordinal()
// + 1721425; the others with ReferenceDayNumber above. Exact.
struct KnownDay {
  Date date;
  int32_t dayNumber;
};
constexpr KnownDay kKnownDays[] = {
    {{1, 1, 1}, 1721426},       {{9999, 12, 31}, 5373484}, {{2024, 3, 5}, 2460375},
    {{1970, 1, 1}, 2440588},    {{2000, 2, 29}, 2451604},  {{1582, 10, 15}, 2299161},
    {{0, 1, 1}, 1721060},       {{0, 12, 31}, 1721425},    {{-4713, 11, 24}, 0},
    {{-500, 1, 1}, 1538439},    {{5, 1, 1}, 1722887},      {{12345, 1, 31}, 6230009},
    {{-12345, 6, 7}, -2787701}, {{5874898, 6, 3}, kMax},   {{-5884323, 5, 15}, kMin},
};

TEST(CalendarLibrary, KnownDatesConvertBothWays) {
  for (const auto& row : kKnownDays) {
    SCOPED_TRACE(Show(row.date));
    const CalendarDate date = ToDayNumber(row.date.year, row.date.month, row.date.day);
    EXPECT_NE(date.Valid, 0);
    EXPECT_EQ(date.DayNumber, row.dayNumber);
    EXPECT_EQ(FromDayNumber(row.dayNumber), row.date);
  }
}

TEST(CalendarLibrary, ReturnsTheDayNumberItStores) {
  CalendarDate date;
  date.Year = 2024;
  date.Month = 3;
  date.Day = 5;
  EXPECT_EQ(date_to_day_number(date), 2460375);
  EXPECT_EQ(date.DayNumber, 2460375);
}

TEST(CalendarLibrary, DatesThatDoNotExistAreInvalidWithDayNumberZero) {
  const Date kMissing[] = {
      // 30 February, 31 April and the like; 29 February of common years.
      {2024, 2, 30}, {2024, 4, 31}, {2023, 6, 31}, {2023, 9, 31}, {2023, 11, 31},
      {1900, 2, 29}, {2023, 2, 29}, {2100, 2, 29}, {-100, 2, 29}, {-1, 2, 29},
      // Months and days out of range, including values an 8-bit month or day would wrap.
      {2024, 0, 1}, {2024, 13, 1}, {2024, 1, 0}, {2024, 1, 32}, {2024, -1, 1}, {2024, 1, -1},
      {2024, kMin, 1}, {2024, kMax, 1}, {2024, 1, kMin}, {2024, 1, kMax},
      {2024, 257, 1}, {2024, 1, 257}, {2024, 3 + 256, 5},
      // Real dates whose day numbers do not fit in 32 bits.
      {kMax, 1, 1}, {kMin, 12, 31}, {kMax, kMax, kMax}, {kMin, kMin, kMin},
      {5874898, 6, 4}, {-5884323, 5, 14},
  };
  for (const Date& d : kMissing) {
    SCOPED_TRACE(Show(d));
    CalendarDate date = ToDayNumber(d.year, d.month, d.day);
    EXPECT_EQ(date.Valid, 0);
    EXPECT_EQ(date.DayNumber, 0);
    EXPECT_EQ(date_to_day_number(date), 0);
  }
}

TEST(CalendarLibrary, LeapDaysFollowTheGregorianRule) {
  const int32_t kLeap[] = {2000, 2024, 1600, 0, -4, -400, 2400, 400000};
  for (const int32_t year : kLeap) EXPECT_NE(ToDayNumber(year, 2, 29).Valid, 0) << year;
  const int32_t kCommon[] = {1900, 2023, 1700, -1, -100, 2100, 100100};
  for (const int32_t year : kCommon) EXPECT_EQ(ToDayNumber(year, 2, 29).Valid, 0) << year;
}

// Walks every day over six and a half thousand years across year 0 and
// checks that consecutive day numbers are consecutive dates, both ways.
TEST(CalendarLibrary, ConsecutiveDaysRoundTripAcrossYearZero) {
  Date expected{-3000, 1, 1};
  const int32_t first = ToDayNumber(expected.year, 1, 1).DayNumber;
  const int32_t last = ToDayNumber(3500, 12, 31).DayNumber;
  ASSERT_EQ(first, ReferenceDayNumber(-3000, 1, 1));
  for (int32_t n = first; n <= last; ++n, expected = NextDay(expected)) {
    const Date got = FromDayNumber(n);
    const CalendarDate back = ToDayNumber(expected.year, expected.month, expected.day);
    if (got != expected || back.DayNumber != n || back.Valid == 0) {
      FAIL() << "day " << n << ": want " << Show(expected) << ", got " << Show(got) << " and back "
             << back.DayNumber;
    }
  }
  EXPECT_EQ(expected, (Date{3501, 1, 1}));
}

TEST(CalendarLibrary, EveryDayNumberNearBothEndsConverts) {
  for (const int32_t start : {kMin, kMax - 1000}) {
    Date expected = FromDayNumber(start);
    for (int32_t i = 0; i <= 1000; ++i, expected = NextDay(expected)) {
      const int32_t n = start + i;
      ASSERT_EQ(FromDayNumber(n), expected) << n;
      const CalendarDate back = ToDayNumber(expected.year, expected.month, expected.day);
      ASSERT_NE(back.Valid, 0) << n;
      ASSERT_EQ(back.DayNumber, n);
    }
  }
}

// Far beyond the years std::chrono::year can hold, every 32-bit year is
// either exact or refused, never wrapped.
TEST(CalendarLibrary, AnyThirtyTwoBitYearIsExactOrRefused) {
  std::mt19937 random(20240305);
  std::uniform_int_distribution<int32_t> anyYear(kMin, kMax);
  std::uniform_int_distribution<int32_t> fittingYear(-5884323, 5874898);
  std::uniform_int_distribution<int32_t> anyMonth(1, 12);
  for (int i = 0; i < 20000; ++i) {
    const int32_t year = i % 2 ? anyYear(random) : fittingYear(random);
    const int32_t month = anyMonth(random);
    const int32_t day = std::uniform_int_distribution<int32_t>(1, DaysInMonth(year, month))(random);
    const int64_t want = ReferenceDayNumber(year, month, day);
    const CalendarDate got = ToDayNumber(year, month, day);
    if (want >= kMin && want <= kMax) {
      ASSERT_NE(got.Valid, 0) << Show({year, month, day});
      ASSERT_EQ(got.DayNumber, want) << Show({year, month, day});
      ASSERT_EQ(FromDayNumber(got.DayNumber), (Date{year, month, day}));
    } else {
      ASSERT_EQ(got.Valid, 0) << Show({year, month, day});
      ASSERT_EQ(got.DayNumber, 0);
    }
  }
}

struct JdCase {
  double jd;
  int32_t dayNumber;
  Date date;
  int32_t dayOfWeek;
};

TEST(CalendarLibrary, JulianDayGivesTheDateTheMomentFallsIn) {
  const JdCase kCases[] = {
      {2460375.0, 2460375, {2024, 3, 5}, 2},     // noon, a Tuesday
      {2460374.5, 2460375, {2024, 3, 5}, 2},     // the Greenwich midnight that starts it
      {2460374.4999, 2460374, {2024, 3, 4}, 1},  // just before
      {2460310.5, 2460311, {2024, 1, 1}, 1},     // the year changes at midnight, not noon
      {2460310.49, 2460310, {2023, 12, 31}, 0},
      {1721425.5, 1721426, {1, 1, 1}, 1},
      {1721425.4, 1721425, {0, 12, 31}, 0},
      {-0.5, 0, {-4713, 11, 24}, 1},
      {-0.6, -1, {-4713, 11, 23}, 0},
      {2147483646.5, kMax, {5874898, 6, 3}, 2},
      {-2147483648.5, kMin, {-5884323, 5, 15}, 6},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.jd);
    int32_t year = -1, month = -1, day = -1, dayOfWeek = -1;
    EXPECT_EQ(julian_day(c.jd, "A", year, month, day, dayOfWeek), c.dayNumber);
    EXPECT_EQ((Date{year, month, day}), c.date);
    EXPECT_EQ(dayOfWeek, c.dayOfWeek);
  }
}

TEST(CalendarLibrary, JulianDayClampsWhatNoDayNumberHolds) {
  const double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double jd;
    int32_t dayNumber;
  } kCases[] = {
      {kInf, kMax},
      {-kInf, kMin},
      {1e300, kMax},
      {-1e300, kMin},
      {2147483647.5, kMax},
      {-2147483649.5, kMin},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.jd);
    int32_t year = 0, month = 0, day = 0, dayOfWeek = -1;
    EXPECT_EQ(julian_day(c.jd, "A", year, month, day, dayOfWeek), c.dayNumber);
    EXPECT_EQ((Date{year, month, day}), FromDayNumber(c.dayNumber));
    EXPECT_GE(dayOfWeek, 0);
    EXPECT_LE(dayOfWeek, 6);
  }
}

// Sets TZ for one test and puts the previous value back.
using test::ScopedTimeZone;

TEST(CalendarLibrary, LocalTimezoneIsTheBiasThatTurnsLocalTimeIntoGreenwich) {
  const struct {
    const char* zone;  // POSIX TZ strings carry no daylight rule here, so the bias is fixed
    int32_t bias;
  } kZones[] = {{"UTC0", 0},      {"IST-5:30", -19800}, {"EST5", 18000},
                {"CET-1", -3600}, {"NPT-5:45", -20700}, {"NST3:30", 12600}};
  for (const auto& z : kZones) {
    ScopedTimeZone zone(z.zone);
    EXPECT_EQ(local_timezone(), z.bias) << z.zone;
  }
}

std::string Grouped(const char* number, int32_t separator = ',') {
  char buffer[20];
  std::memset(buffer, ' ', sizeof buffer);
  group_thousands(number, separator, buffer);
  const void* nul = std::memchr(buffer, '\0', sizeof buffer);
  if (nul == nullptr) return "<no NUL within 20 characters>";
  return std::string(buffer);
}

TEST(CalendarLibrary, GroupThousandsPutsSeparatorsEveryThreeDigits) {
  const struct {
    const char* number;
    int32_t separator;
    const char* want;
  } kCases[] = {
      {"12345", ',', "12,345"},
      {"-12345", ',', "-12,345"},
      {"10000", ',', "10,000"},
      {"123456", ',', "123,456"},
      {"-123456", ',', "-123,456"},
      {"1234567", '.', "1.234.567"},
      {"-2147483648", ',', "-2,147,483,648"},
      {"2147483647", ',', "2,147,483,647"},
      {"999", ',', "999"},
      {"-1", ',', "-1"},
      {"0", ',', "0"},
      {"", ',', ""},
      {"-", ',', "-"},
      {"1234567", 0, "1234567"},       // NUL cannot separate
      {"1234567", 0x1234, "1234567"},  // nor can a code wider than one byte
      {"12345.678", ',', "12,345.678"},
  };
  for (const auto& c : kCases) EXPECT_EQ(Grouped(c.number, c.separator), c.want) << c.number;
}

TEST(CalendarLibrary, GroupThousandsNeverWritesPastTwentyCharacters) {
  char guarded[64];
  std::memset(guarded, '#', sizeof guarded);
  std::memset(guarded, ' ', 20);
  const std::string longNumber(50, '9');
  group_thousands(longNumber.c_str(), ',', guarded);
  // The 19th character would be a separator, so the text stops one short.
  EXPECT_EQ(std::string(guarded), "99,999,999,999,999");
  for (std::size_t i = 20; i < sizeof guarded; ++i) ASSERT_EQ(guarded[i], '#') << i;

  // Cuts that fall on a digit fill all 19 characters before the NUL.
  EXPECT_EQ(Grouped("-12345678901234567890"), "-12,345,678,901,234");
  EXPECT_EQ(Grouped("123456789012345678"), "123,456,789,012,345");
}

}  // namespace
}  // namespace skyloom
