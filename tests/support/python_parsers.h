// Reads the program's exports back with parsers that owe nothing to it:
// Python's csv and json modules and the icalendar package (Debian's
// python3-icalendar). A small Python script turns what they read into lines
// that tests compare with the report or with the results the files came from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/run_state.h"

namespace skyloom::test {

struct ParsedExport {
  int status = -1;    // the script's exit status; 0 when the parser read the file
  std::string error;  // its standard error
  std::vector<std::string> lines;
};

// A Python 3 that can import icalendar (Debian's /usr/bin/python3 first, then
// python3 on the PATH); empty when there is none.
const std::string& PythonWithICalendar();

// kind "csv" or "json": one line per row of the report, the aspect and the
// cells of columns 1 to 8 as the report writes them (dates with "*" and "r",
// the exact time with the zone's text, the closest approach as 0°30'),
// rebuilt from the parsed fields and separated by tabs. A line starting
// "MISMATCH" or "TYPE" tells of fields that contradict each other or have
// the wrong kind of value.
// kind "ics": one line per event: "EVENT", UID, start, end (ISO 8601 as
// Python writes dates and date-times), summary, description and DTSTAMP; a
// line "CALENDAR" with VERSION, PRODID and CALSCALE first, and "ERROR" lines
// for anything the parser complained about.
// Texts come with backslash, tab, CR and LF written as \\, \t, \r and \n.
ParsedExport ParseExport(const std::string& kind, const std::string& path);

// Writes text as ParseExport's lines show it.
std::string Escaped(std::string_view text);

// The line ParseExport gives for a row of the report: the report's own cell
// texts written from the row's data.
std::string ReportLine(const std::string& aspect, const TransitRowData& row);

// Splits a line at its tabs.
std::vector<std::string> Fields(const std::string& line);

}  // namespace skyloom::test
