// Pluto's daily longitudes, read from the data file "pluto.ptb".
//
// One record per line for every day number from 2305448 on: three characters
// c1 c2 c3 with sixties = code(c1) - 58 - (k mod 55), degrees = code(c2) - 59,
// minutes = code(c3) - 60, where k is the index of the record among the
// file's non-blank lines: the geocentric apparent longitude at 0h UT to the
// nearest minute of arc. Three more characters r1 r2 r3, each of code 58 + a
// base-62 digit, refine it: (r1 r2 r3 in base 62 - 30000) thousandths of an
// arc second are added to those minutes. A record without a valid refinement
// is read to the minute. The last line, "#fnv1a64 " with the FNV-1a hash of
// the records (each with its LF) in 16 hexadecimal digits and their count,
// tells a damaged file from a sound one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/bodies.h"

namespace skyloom {

inline constexpr const char* PlutoFileName = "pluto.ptb";
// Records the program needs: day numbers 2305448 to 2488070.
inline constexpr int32_t PlutoRecordCount = 182623;
// Records the generator writes: one day more, so that the last days
// interpolate between neighbours on both sides.
inline constexpr int32_t PlutoRecordsWritten = PlutoRecordCount + 1;

// The table's records decoded, kept beside its file under the file's name
// with this added: the build writes it (PlutoCacheBytes), and Load takes the
// table from it without reading the records where it was made from the file
// as it stands: the file's size and its last bytes (its checksum line), and
// the copy's own checksum, as they were.
inline constexpr const char* PlutoCacheSuffix = ".cache";

class PlutoTable {
 public:
  // Loads the file at path and checks every record the program needs, the
  // checksum line and that each day follows on from the one before; or,
  // where its decoded copy beside it (PlutoCacheSuffix) was made from the
  // file as it stands and is whole, takes the records from the copy. On
  // failure returns false with the reason in errorText and leaves the table
  // empty, so that no lookup can meet part of a file. Only a regular file of
  // a size a table can have is read.
  bool Load(const std::string& path, std::string& errorText);
  // The same from the file alone, never its copy.
  bool LoadText(const std::string& path, std::string& errorText);
  bool Loaded() const { return !Degrees.empty(); }

  // Longitude in degrees of record k, in [0, 360); negative when record k is
  // missing or cannot be decoded.
  double Entry(int32_t k) const;

  // Position at jd (UT), known for day numbers 2305448 .. 2488069: the
  // cubic through the records of the four days around jd (fewer at the ends
  // of the table).
  Position Longitude(double jd) const;
  // The same with its rate of change in radians a day (0 outside the range).
  Position Longitude(double jd, double& speed) const;

  // Entry k is the longitude of day number 2305448 + k as its record reads
  // (PlutoEntryOf): decoded once, when loaded. (Kept as doubles: a batch
  // of charts reads them millions of times.)
  std::vector<double> Degrees;
};

// Encodes a longitude in degrees as the record of index k, refinement
// included; PlutoTable::Entry reads it back to a thousandth of an arc second.
std::string EncodePlutoRecord(int32_t k, double degrees);
// Longitude in degrees of record k as it stands, in [0, 360); negative when
// it cannot be decoded.
double PlutoEntryOf(std::string_view record, int32_t k);
// The checksum line that ends a file of these records.
std::string PlutoTableTrailer(const std::vector<std::string>& records);

// The decoded copy of a table loaded from a file, kept beside it: the
// table's longitudes, the file's size and how it ends. Empty where the file
// cannot be read.
std::string PlutoCacheBytes(const PlutoTable& table, const std::string& path);

}  // namespace skyloom
