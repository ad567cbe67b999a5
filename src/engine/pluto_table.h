// Pluto's daily longitudes, read from the data file "pluto.ptb".
//
// One record per line for every day number from 2305448 on: three characters
// c1 c2 c3 with sixties = code(c1) - 58 - (k mod 55), degrees = code(c2) - 59,
// minutes = code(c3) - 60, where k is the index of the record among the
// file's non-blank lines. Each gives the geocentric apparent longitude at 0h UT.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skyloom {

class Window;

inline constexpr const char* PlutoFileName = "pluto.ptb";
// Records the program needs: day numbers 2305448 to 2488070.
inline constexpr int32_t PlutoRecordCount = 182623;

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

// Longitude in degrees of record k; negative when record k is missing or
// cannot be decoded.
double PlutoTableEntry(int32_t k);

// Longitude in radians at jd (UT), interpolated between the daily records,
// or -99 / -100 outside day numbers 2305448 .. 2488069.
double PlutoLongitude(double jd);

// Encodes a longitude (whole minutes of arc, 0 .. 21599) as the record of
// index k; the inverse of PlutoTableEntry.
std::string EncodePlutoRecord(int32_t k, int32_t minutesOfArc);

}  // namespace skyloom
