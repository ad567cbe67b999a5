// The calendar against values that owe nothing to it: the Swiss Ephemeris's
// swe_date_conversion (Gregorian) and published Julian day numbers. The
// program reckons in the proleptic Gregorian calendar with astronomical
// years: the reform of 1582 is not applied, so the day before 1582-10-15 is
// 1582-10-14, not the Julian 1582-10-04.
#include <gtest/gtest.h>
#include <swephexp.h>

#include <array>
#include <cstdint>
#include <vector>

#include "calendar/date_format.h"
#include "ports/calendar_library.h"

namespace skyloom {
namespace {

CalendarDate Convert(int32_t year, int32_t month, int32_t day) {
  CalendarDate date{year, month, day};
  date_to_day_number(date);
  return date;
}

TEST(Calendar, PublishedJulianDayNumbers) {
  const std::array<int32_t, 4> known[] = {
      {2000, 1, 1, 2451545},    // J2000.0 at noon
      {1970, 1, 1, 2440588},    // the Unix epoch, JD 2440587.5
      {1858, 11, 17, 2400001},  // modified Julian day 0, JD 2400000.5
      {1582, 10, 15, 2299161},  // the first day of the reformed calendar
      {1582, 10, 14, 2299160},  // the day before, the Julian calendar's 1582-10-04
      {1582, 10, 10, 2299156},  // a day the reform skipped
      {-4713, 11, 24, 0},       // JD 0, 1 January 4713 BC of the Julian calendar
  };
  for (const auto& [year, month, day, dayNumber] : known) {
    const CalendarDate date = Convert(year, month, day);
    EXPECT_TRUE(date.Valid != 0 && date.DayNumber == dayNumber) << year << "-" << month << "-" << day;
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
  struct Text {
    int32_t year, month, day;
    const char *numeric, *written, *label;
  };
  const Text texts[] = {
      {2024, 3, 5, "2024-03-05", "March 5, 2024", "March 5, 2024 CE"},
      {5, 1, 1, "5-01-01", "Jan. 1, 5", "January 1, 5 CE"},
      {2024, 5, 1, "2024-05-01", "May 1, 2024", "May 1, 2024 CE"},
      {1999, 6, 21, "1999-06-21", "June 21, 1999", "June 21, 1999 CE"},
      {1999, 9, 30, "1999-09-30", "Sept. 30, 1999", "September 30, 1999 CE"},
      {-400, 2, 29, "-400-02-29", "Feb. 29, -400", "February 29, -400 CE"},
      {12345, 8, 31, "12,345-08-31", "Aug. 31, 12345", "August 31, 12345 CE"},
  };
  for (const Text& t : texts) {
    const int32_t dayNumber = Convert(t.year, t.month, t.day).DayNumber;
    EXPECT_EQ(FormatDayNumber(dayNumber), t.numeric);
    EXPECT_EQ(MonthDayYearText(dayNumber), t.written);
    EXPECT_EQ(LongDateLabel(t.year, t.month, t.day), t.label);
  }
}

}  // namespace
}  // namespace skyloom
