// Calendar arithmetic: proleptic Gregorian dates and Julian day numbers, the
// machine's time zone, and digit grouping. Years are astronomical (year 0 is
// 1 BC; negative years allowed).
#pragma once

#include <cstdint>

namespace skyloom {

// The record handed to the calendar functions. Calendar holds a one-letter
// code's character; the program always uses 'G' (Gregorian).
struct CalendarDate {
  int32_t Year = 0;
  int32_t Month = 0;
  int32_t Day = 0;
  int32_t Calendar = 'G';
  int32_t DayNumber = 0;
  int32_t Valid = 0;
};

// Splits a Julian day (UT) into the calendar date in which that moment falls.
// calendarCode is a one-character text ("A": automatic, Gregorian here).
// year, month and day receive the date; dayOfWeek 0 Sunday .. 6 Saturday.
// Returns the day number of that date. Instants too far out for a 32-bit
// day number are clamped to the nearest one that fits.
int32_t julian_day(double jd, const char* calendarCode, int32_t& year, int32_t& month, int32_t& day,
                   int32_t& dayOfWeek);

// Julian day number of Year, Month, Day; sets Valid (and DayNumber) to say
// whether the date exists. Any 32-bit inputs either convert exactly or come
// back with Valid = 0 and a day number of 0.
int32_t date_to_day_number(CalendarDate& date);

// Year, Month and Day of DayNumber. Every 32-bit day number converts.
int32_t day_number_to_date(CalendarDate& date);

// The machine's current bias in seconds: local time plus the bias gives
// Greenwich time (so a zone east of Greenwich has a negative bias).
int32_t local_timezone();

// Writes number (digits with an optional leading '-') grouped in threes with
// the separator into buffer (20 characters), ending in a NUL. A text that
// does not fit is cut so that the NUL always lands inside the buffer.
void group_thousands(const char* number, int32_t separatorCode, char* buffer);

}  // namespace skyloom
