// Pluto's daily longitudes, read from the data file "pluto.ptb".
//
// One record per line for every day number from 2305448 on: three characters
// c1 c2 c3 with sixties = code(c1) - 58 - (k mod 55), degrees = code(c2) - 59,
// minutes = code(c3) - 60, where k is the index of the record among the
// file's non-blank lines: the geocentric apparent longitude at 0h UT to the
// nearest minute of arc. Three more characters r1 r2 r3, each of code 58 + a
// base-62 digit, refine it: (r1 r2 r3 in base 62 - 30000) thousandths of an
// arc second are added to those minutes. A record without a valid refinement
// is read to the minute.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skyloom {

class Window;

inline constexpr const char* PlutoFileName = "pluto.ptb";
// Records the program needs: day numbers 2305448 to 2488070.
inline constexpr int32_t PlutoRecordCount = 182623;
// Records the generator writes: one day more, so that the last days
// interpolate between neighbours on both sides.
inline constexpr int32_t PlutoRecordsWritten = PlutoRecordCount + 1;

// Entry k is the record of day number 2305448 + k.
extern std::vector<std::string> PlutoTable;

// Reads a text file line by line into target from firstIndex on, optionally
// skipping blank lines and trimming blanks, after skipping headerLines lines.
// Accepts LF and CR LF line ends. On failure errorText holds the system's
// description and errorNumber its code.
void ReadLinesToArray(const std::string& path, std::vector<std::string>& target, int16_t firstIndex,
                      bool skipBlank, bool trim, int32_t& count, std::string& errorText,
                      int32_t& errorNumber, int16_t headerLines);

// Loads DataFolder + fileName into PlutoTable and checks every record the
// program needs. On failure shows the "Read Pluto Data" message (when a
// window is given) and returns false.
bool ReadPlutoData(Window* window, const std::string& fileName, std::string& errorText);

// Longitude in degrees of record k, in [0, 360); negative when record k is
// missing or cannot be decoded.
double PlutoTableEntry(int32_t k);

// Longitude in radians at jd (UT), or -99 / -100 outside day numbers
// 2305448 .. 2488069: the cubic through the records of the four days around
// jd (fewer at the ends of the table).
double PlutoLongitude(double jd);
// The same with its rate of change in radians a day (0 outside the range).
double PlutoLongitude(double jd, double& speed);

// Encodes a longitude in degrees as the record of index k, refinement
// included; PlutoTableEntry reads it back to a thousandth of an arc second.
std::string EncodePlutoRecord(int32_t k, double degrees);

}  // namespace skyloom
