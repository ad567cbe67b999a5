#include "calendar/date_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "ports/calendar_library.h"

namespace skyloom {
namespace {

int32_t DayNumberOf(int32_t year, int32_t month, int32_t day) {
  CalendarDate date;
  date.Year = year;
  date.Month = month;
  date.Day = day;
  date_to_day_number(date);
  EXPECT_NE(date.Valid, 0) << year << "-" << month << "-" << day;
  return date.DayNumber;
}

const std::array<std::string, 13> kWantMonthNames = {"",        "January",  "February", "March",  "April",
                                                     "May",     "June",     "July",     "August", "September",
                                                     "October", "November", "December"};
const std::array<std::string, 13> kWantShortMonthNames = {
    "", "Jan.", "Feb.", "Mar.", "Apr.", "May", "June", "July", "Aug.", "Sept.", "Oct.", "Nov.", "Dec."};

// The tables must be usable even before the start-up fills them (this runs
// ahead of the InitDateNames test below).
TEST(DateFormat, NameTablesAreFilledBeforeInitDateNames) {
  EXPECT_EQ(MonthNames, kWantMonthNames);
  EXPECT_EQ(ShortMonthNames, kWantShortMonthNames);
}

TEST(DateFormat, InitDateNamesRestoresTheTables) {
  MonthNames[9] = "x";
  ShortMonthNames[5] = "May.";
  InitDateNames();
  EXPECT_EQ(MonthNames, kWantMonthNames);
  EXPECT_EQ(ShortMonthNames, kWantShortMonthNames);
  EXPECT_EQ(ShortMonthNames[9], "Sept.");
  EXPECT_EQ(ShortMonthNames[6], "June");
}

TEST(DateFormat, FormatDayNumberWritesYearMonthDay) {
  const struct {
    int32_t dayNumber;
    const char* want;
  } kCases[] = {
      {2460375, "2024-03-05"},
      {DayNumberOf(5, 1, 1), "5-01-01"},
      {DayNumberOf(-500, 1, 1), "-500-01-01"},
      {DayNumberOf(987, 11, 2), "987-11-02"},
      {DayNumberOf(0, 12, 31), "0-12-31"},
      {DayNumberOf(-1, 1, 1), "-1-01-01"},
      {5373484, "9999-12-31"},
      {5373485, "10,000-01-01"},
      {DayNumberOf(-9999, 1, 1), "-9999-01-01"},
      {DayNumberOf(-10000, 12, 31), "-10,000-12-31"},
      {DayNumberOf(12345, 1, 31), "12,345-01-31"},
      {DayNumberOf(-123456, 7, 4), "-123,456-07-04"},
      // The ends of the 32-bit day numbers (dates from the day-number formula
      // of Fliegel and Van Flandern, evaluated with Python integers).
      {std::numeric_limits<int32_t>::max(), "5,874,898-06-03"},
      {std::numeric_limits<int32_t>::min(), "-5,884,323-05-15"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(FormatDayNumber(c.dayNumber, 2, "-", ",", false), c.want) << c.dayNumber;
  EXPECT_EQ(FormatDayNumber(2460375), "2024-03-05");  // the defaults are the program's choice
}

TEST(DateFormat, FormatDayNumberOtherChoices) {
  const int32_t day = DayNumberOf(12345, 1, 31);
  EXPECT_EQ(FormatDayNumber(day, 0, "/", ","), "01/31/12,345");
  EXPECT_EQ(FormatDayNumber(day, 1, ".", "."), "31.01.12.345");
  EXPECT_EQ(FormatDayNumber(day, 2, "-", ""), "12345-01-31");
  EXPECT_EQ(FormatDayNumber(day, 7, "-", ","), "12,345-01-31");
  EXPECT_EQ(FormatDayNumber(2460375, 2, "-", ",", true), "2024-03-05 CE");
}

TEST(DateFormat, MonthDayYearTextWritesShortNamesInFullAndAbbreviatesLongOnes) {
  const struct {
    int32_t dayNumber;
    const char* want;
  } kCases[] = {
      {2460375, "March 5, 2024"},
      {2460311, "Jan. 1, 2024"},
      {DayNumberOf(2024, 2, 29), "Feb. 29, 2024"},
      {DayNumberOf(1970, 3, 15), "March 15, 1970"},
      {DayNumberOf(2024, 4, 10), "April 10, 2024"},
      {DayNumberOf(2024, 5, 1), "May 1, 2024"},
      {DayNumberOf(2024, 6, 21), "June 21, 2024"},
      {DayNumberOf(2024, 7, 4), "July 4, 2024"},
      {DayNumberOf(2024, 8, 31), "Aug. 31, 2024"},
      {DayNumberOf(2024, 9, 30), "Sept. 30, 2024"},
      {DayNumberOf(2024, 10, 1), "Oct. 1, 2024"},
      {DayNumberOf(2024, 11, 5), "Nov. 5, 2024"},
      {DayNumberOf(2024, 12, 31), "Dec. 31, 2024"},
      {DayNumberOf(-500, 1, 1), "Jan. 1, -500"},
      {DayNumberOf(12345, 1, 31), "Jan. 31, 12345"},  // no thousands separator here
  };
  for (const auto& c : kCases) EXPECT_EQ(MonthDayYearText(c.dayNumber), c.want) << c.dayNumber;
}

TEST(DateFormat, LongDateLabel) {
  EXPECT_EQ(LongDateLabel(2009, 1, 1), "January 1, 2009 CE");
  EXPECT_EQ(LongDateLabel(2024, 9, 30), "September 30, 2024 CE");
  EXPECT_EQ(LongDateLabel(5, 12, 25), "December 25, 5 CE");
  EXPECT_EQ(LongDateLabel(-500, 3, 1), "March 1, -500 CE");
  EXPECT_EQ(LongDateLabel(12345, 5, 9), "May 9, 12345 CE");
  // Not a month: shown as its number rather than read from beyond the table.
  EXPECT_EQ(LongDateLabel(2024, 13, 1), "13 1, 2024 CE");
  EXPECT_EQ(LongDateLabel(2024, std::numeric_limits<int32_t>::min(), 1), "-2147483648 1, 2024 CE");
}

TEST(DateFormat, NumberText) {
  EXPECT_EQ(NumberText(0), "0");
  EXPECT_EQ(NumberText(15), "15");
  EXPECT_EQ(NumberText(-7), "-7");
  EXPECT_EQ(NumberText(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(NumberText(std::numeric_limits<int64_t>::max()), "9223372036854775807");
}

TEST(DateFormat, GroupYearDigits) {
  EXPECT_EQ(GroupYearDigits("", ','), "");
  EXPECT_EQ(GroupYearDigits("12345", ','), "12,345");
  EXPECT_EQ(GroupYearDigits("-5884323", ','), "-5,884,323");
  EXPECT_EQ(GroupYearDigits("1234", ','), "1,234");
  // A view into a longer text must stop where the view stops.
  const std::string_view part = std::string_view("123456789").substr(0, 5);
  EXPECT_EQ(GroupYearDigits(part, ','), "12,345");
  // The grouping has room for 19 characters and cuts the rest.
  EXPECT_EQ(GroupYearDigits(std::string(40, '1'), ','), "1,111,111,111,111,1");
}

TEST(DateFormat, DigitsOnlyKeepsDecimalDigitsAndDropsSigns) {
  const struct {
    std::string_view text;
    const char* want;
  } kCases[] = {
      {"2024", "2024"}, {"-500", "500"}, {"+12", "12"},   {"1,234", "1234"}, {" 0 4 2 ", "042"},
      {"", ""},         {"abc", ""},     {"12-3", "123"}, {"\xd9\xa3", ""},  // Arabic-Indic three
  };
  for (const auto& c : kCases) EXPECT_EQ(DigitsOnly(c.text), c.want) << c.text;
  EXPECT_EQ(DigitsOnly(std::string_view("1\0002", 3)), "12");
}

TEST(DateFormat, StripLeading) {
  const struct {
    std::string_view text;
    std::string_view set;
    const char* want;
  } kCases[] = {
      {"0042", "0", "42"},   {"000", "0", ""},      {"", "0", ""},
      {"42", "0", "42"},     {"4200", "0", "4200"}, {"0042", "", "0042"},
      {"  x y", " ", "x y"}, {"0 0 7", "0 ", "7"},  {"", "", ""},
  };
  for (const auto& c : kCases) EXPECT_EQ(StripLeading(c.text, c.set), c.want) << c.text << " / " << c.set;
}

}  // namespace
}  // namespace skyloom
