// Date texts. FormatDayNumber runs once for every day of a transit search,
// so it builds its text with std::to_chars into one string and only takes
// the slower grouping road for years of five digits or more.
#include "calendar/date_format.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "ports/calendar_library.h"

namespace skyloom {

namespace {

using NameTable = std::array<std::string_view, 13>;

constexpr NameTable kMonthNames = {"",     "January", "February",  "March",   "April",    "May",     "June",
                                   "July", "August",  "September", "October", "November", "December"};
constexpr NameTable kShortMonthNames = {"",     "Jan.", "Feb.",  "Mar.", "Apr.", "May", "June",
                                        "July", "Aug.", "Sept.", "Oct.", "Nov.", "Dec."};

std::array<std::string, 13> MakeTable(const NameTable& names) {
  std::array<std::string, 13> table;
  for (std::size_t i = 0; i < names.size(); ++i) table[i] = std::string(names[i]);
  return table;
}

// Month names of at most this many letters are written out in full by
// MonthDayYearText; longer ones are abbreviated.
constexpr std::size_t kLongestFullMonthWord = 5;

bool IsMonth(int32_t month) { return month >= 1 && month <= 12; }

CalendarDate DateOfDayNumber(int32_t dayNumber) {
  CalendarDate date;
  date.DayNumber = dayNumber;
  date.Calendar = 'G';
  day_number_to_date(date);
  return date;
}

// Appends value (0..99) as two digits.
void AppendTwoDigits(std::string& text, int32_t value) {
  text += static_cast<char>('0' + value / 10);
  text += static_cast<char>('0' + value % 10);
}

void AppendNumber(std::string& text, int64_t number) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, number);
  text.append(digits, result.ptr);
}

}  // namespace

// Filled here as well as by InitDateNames, so that a date shown before the
// start-up has run (or in a test) never meets an empty table.
std::array<std::string, 13> MonthNames = MakeTable(kMonthNames);
std::array<std::string, 13> ShortMonthNames = MakeTable(kShortMonthNames);

void InitDateNames() {
  MonthNames = MakeTable(kMonthNames);
  ShortMonthNames = MakeTable(kShortMonthNames);
}

std::string FormatDayNumber(int32_t dayNumber) {
  const CalendarDate date = DateOfDayNumber(dayNumber);
  char yearDigits[24];
  const auto converted = std::to_chars(yearDigits, yearDigits + sizeof yearDigits, date.Year);
  std::string text(yearDigits, static_cast<std::size_t>(converted.ptr - yearDigits));
  if (date.Year > 9999 || date.Year < -9999) text = GroupYearDigits(text, ',');
  text += '-';
  AppendTwoDigits(text, date.Month);
  text += '-';
  AppendTwoDigits(text, date.Day);
  return text;
}

std::string MonthDayYearText(int32_t dayNumber) {
  const CalendarDate date = DateOfDayNumber(dayNumber);
  const std::string& fullName = MonthNames[static_cast<std::size_t>(date.Month)];
  std::string text =
      fullName.size() <= kLongestFullMonthWord ? fullName : ShortMonthNames[static_cast<std::size_t>(date.Month)];
  text += ' ';
  AppendNumber(text, date.Day);
  text += ", ";
  AppendNumber(text, date.Year);
  return text;
}

std::string LongDateLabel(int32_t year, int32_t month, int32_t day) {
  // Callers label only dates the calendar accepted; a month out of range
  // still must not index past the table, so it shows as its number.
  std::string text = IsMonth(month) ? MonthNames[static_cast<std::size_t>(month)] : NumberText(month);
  text += ' ';
  AppendNumber(text, day);
  text += ", ";
  AppendNumber(text, year);
  text += " CE";
  return text;
}

std::string HourMinuteText(int32_t minuteOfDay, std::string_view separator) {
  std::string text;
  AppendTwoDigits(text, minuteOfDay / 60);
  text += separator;
  AppendTwoDigits(text, minuteOfDay % 60);
  return text;
}

std::string NumberText(int64_t number) {
  std::string text;
  AppendNumber(text, number);
  return text;
}

std::string GroupYearDigits(std::string_view text, char separator) {
  if (text.empty()) return std::string();
  // group_thousands reads up to a NUL, which a string_view need not have.
  const std::string number(text);
  char buffer[20];
  std::memset(buffer, ' ', sizeof buffer);
  group_thousands(number.c_str(), static_cast<unsigned char>(separator), buffer);
  return std::string(buffer, std::find(buffer, buffer + sizeof buffer, '\0'));
}

std::string DigitsOnly(std::string_view text) {
  std::string digits;
  for (const char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

std::string StripLeading(std::string_view text, std::string_view set) {
  if (text.empty()) return std::string();
  if (set.empty()) return std::string(text);
  const std::size_t first = text.find_first_not_of(set);
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string AsciiLowerCase(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace skyloom
