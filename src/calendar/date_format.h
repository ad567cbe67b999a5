// Date texts: numeric dates for reports, written-out dates for titles and
// labels, the month-name tables, and the small cleaners for typed numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace skyloom {

extern std::array<std::string, 13> MonthNames;       // [1] "January" .. [12] "December"
extern std::array<std::string, 13> ShortMonthNames;  // [1] "Jan." .. [12] "Dec."

void InitDateNames();

// Year-month-day with two-digit month and day, the year unpadded (with
// thousands separators beyond +-9999): 2024-03-05, 5-01-01, -500-01-01,
// 12,345-01-31.
std::string FormatDayNumber(int32_t dayNumber);

// "March 5, 2024", "Jan. 15, 2024": full month names of up to five letters.
std::string MonthDayYearText(int32_t dayNumber);

// "January 1, 2009 CE": the long date label under the date boxes.
std::string LongDateLabel(int32_t year, int32_t month, int32_t day);

// "hh:mm" of a minute of the day (0..1439), the separator between.
std::string HourMinuteText(int32_t minuteOfDay, std::string_view separator = ":");

std::string NumberText(int64_t number);
std::string GroupYearDigits(std::string_view text, char separator);
std::string DigitsOnly(std::string_view text);
std::string StripLeading(std::string_view text, std::string_view set);
// The text with A-Z turned into a-z; other bytes as they are.
std::string AsciiLowerCase(std::string text);

}  // namespace skyloom
