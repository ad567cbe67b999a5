// The calendar against swe_date_conversion and published Julian day numbers:
// proleptic Gregorian with astronomical years (1582-10-14 before 1582-10-15).
#include <gtest/gtest.h>
#include <swephexp.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"
#include "support/case_file.h"

namespace skyloom {
namespace {

CalendarDate Convert(int32_t year, int32_t month, int32_t day) {
  CalendarDate date{year, month, day};
  date_to_day_number(date);
  return date;
}

// "2024-03-05", "-400-02-29": the date's year, month and day.
CalendarDate Convert(const std::string& text) {
  CalendarDate date;
  std::sscanf(text.c_str(), "%d-%d-%d", &date.Year, &date.Month, &date.Day);
  return Convert(date.Year, date.Month, date.Day);
}

TEST(Calendar, PublishedJulianDayNumbers) {
  for (const test::CaseLine& c : test::ReadCases("calendar/data/julian_day_numbers.txt")) {
    const CalendarDate date = Convert(c[0]);
    EXPECT_TRUE(date.Valid != 0 && date.DayNumber == std::stoi(c[1])) << c.where;
  }
}

// The ends of every month of years across six millennia, leap rules
// included: the Swiss Ephemeris says whether each date exists, and its day.
TEST(Calendar, DayNumbersAgreeWithTheSwissEphemeris) {
  std::vector<int32_t> years = {-400, -100, -1, 0, 1600, 1700, 1900, 2000, 2024, 2100, 2400};
  for (int32_t year = -4713; year <= 3000; year += 37) years.push_back(year);
  for (const int32_t year : years) {
    for (int32_t month = 1; month <= 12; ++month) {
      for (const int32_t day : {1, 28, 29, 30, 31}) {
        double jd = -1;
        const bool exists = swe_date_conversion(year, month, day, 12.0, 'g', &jd) == OK;
        const CalendarDate date = Convert(year, month, day);
        EXPECT_EQ(date.Valid != 0 ? date.DayNumber : -1.0, exists ? jd : -1.0) << year << "-" << month << "-" << day;
      }
    }
  }
}

TEST(Calendar, DateTexts) {
  for (const test::CaseLine& c : test::ReadCases("calendar/data/date_texts.txt")) {
    const CalendarDate date = Convert(c[0]);
    EXPECT_EQ(FormatDayNumber(date.DayNumber), c[1]) << c.where;
    EXPECT_EQ(MonthDayYearText(date.DayNumber), c[2]) << c.where;
    EXPECT_EQ(LongDateLabel(date.Year, date.Month, date.Day), c[3]) << c.where;
  }
}

}  // namespace
}  // namespace skyloom
