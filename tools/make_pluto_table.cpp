// make_pluto_table OUTPUT_PATH
//
// Writes the Pluto data file: Pluto's apparent geocentric longitude at 0h UT
// of every day the program reads, from the Swiss Ephemeris data files,
// rounded to the minute of arc and encoded one record per line, then the
// line with the records' checksum; and beside it the records decoded, as
// the program reads them (OUTPUT_PATH.cache). Each file appears complete or
// not at all:
// it is written beside the target under another name and renamed into place,
// so an interrupted build leaves no half table for the program to trip over.
#include <swephexp.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "engine/bodies.h"
#include "engine/pluto_table.h"
#include "ports/ephemeris.h"

namespace {

using skyloom::FirstTableDay;
using skyloom::PlutoRecordsWritten;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "make_pluto_table: %s\n", message.c_str());
  return 1;
}

// Longitude of day number `day` at 0h UT in degrees, [0, 360).
bool LongitudeAt0h(int32_t day, double& degrees, std::string& error) {
  double xx[6] = {};
  char serr[AS_MAXCH] = {};
  const double jd = day - 0.5;
  const int32 flags = swe_calc_ut(jd, SE_PLUTO, SEFLG_SWIEPH, xx, serr);
  if (flags < 0) {
    error = "Swiss Ephemeris failed at JD " + std::to_string(jd) + ": " + serr;
    return false;
  }
  // Without its data files the library quietly falls back to an analytical
  // theory; a table built that way would not be the one the program promises.
  if ((flags & SEFLG_SWIEPH) == 0) {
    error = "Swiss Ephemeris data files not found (JD " + std::to_string(jd) + "): " + serr;
    return false;
  }
  if (!std::isfinite(xx[0]) || xx[0] < 0 || xx[0] >= 360) {
    error = "Swiss Ephemeris gave longitude " + std::to_string(xx[0]) + " at JD " + std::to_string(jd);
    return false;
  }
  degrees = xx[0];
  return true;
}

// Writes bytes to path beside it under another name, then renames it into
// place; 0, or the failure told.
int WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.c_str(), "wb"));
    if (!file) return Fail("cannot create " + temporary.string() + ": " + std::strerror(errno));
    const bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() && std::fflush(file.get()) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
      const std::string reason = std::strerror(written ? errno : writeError);
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return Fail("cannot write " + temporary.string() + ": " + reason);
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return Fail("cannot rename " + temporary.string() + " to " + path.string() + ": " + ec.message());
  }
  return 0;
}

int Run(const std::filesystem::path& output) {
  swe_set_ephe_path(skyloom::SystemEphemerisFolder().c_str());
  // The full nutation series, as the program computes every other body.
  swe_set_interpolate_nut(0);

  std::vector<std::string> records;
  records.reserve(static_cast<std::size_t>(PlutoRecordsWritten));
  std::string error;
  for (int32_t k = 0; k < PlutoRecordsWritten; ++k) {
    double degrees = 0;
    if (!LongitudeAt0h(FirstTableDay + k, degrees, error)) return Fail(error);
    records.push_back(skyloom::EncodePlutoRecord(k, degrees));
  }
  swe_close();
  std::string text;
  text.reserve(records.size() * 7 + 64);
  for (const std::string& record : records) text += record + '\n';
  // The checksum line last, so that the program can tell this file from a
  // damaged one.
  text += skyloom::PlutoTableTrailer(records) + '\n';

  if (const int failed = WriteWhole(output, text)) return failed;
  // The decoded copy beside it, from the table as the program reads and
  // checks it.
  skyloom::PlutoTable table;
  if (!table.LoadText(output.string(), error)) return Fail("the table just written does not load: " + error);
  const std::string copy = skyloom::PlutoCacheBytes(table, output.string());
  if (copy.empty()) return Fail("cannot read back " + output.string());
  std::filesystem::path cache = output;
  cache += skyloom::PlutoCacheSuffix;
  return WriteWhole(cache, copy);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: make_pluto_table OUTPUT_PATH\n");
    return 2;
  }
  return Run(argv[1]);
}
