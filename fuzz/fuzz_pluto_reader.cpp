// Feeds the Pluto data file reader arbitrary bytes (first byte even) or a
// sound table with the input's edits (first byte odd), which reach the checks
// of the file as a whole: an edited table loads only under a checksum line
// written again and with every day following on. Lookups at instants from
// the input too, NaN included.
#include <unistd.h>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/bodies.h"
#include "engine/pluto_table.h"
#include "fuzz_check.h"

namespace {

// A file of this process's own, removed after every input.
std::string FuzzFileName() { return "skyloom-fuzz-pluto-" + std::to_string(::getpid()) + ".ptb"; }

// A sound table: smooth longitudes that cross the seam, with the checksum line.
const std::vector<std::string>& SoundRecords() {
  static const std::vector<std::string> records = [] {
    std::vector<std::string> made;
    for (int32_t k = 0; k < skyloom::PlutoRecordsWritten; ++k)
      made.push_back(skyloom::EncodePlutoRecord(k, std::fmod(k * 0.0301, 360.0)));
    return made;
  }();
  return records;
}

std::string FileOf(const std::vector<std::string>& records, const std::string& trailer) {
  std::string text;
  for (const std::string& record : records) text += record + '\n';
  return text + trailer + '\n';
}

// Input after the first byte, 5 bytes an edit: the record (3 bytes, modulo
// the count), the place in it (modulo 6) and the byte put there.
std::vector<std::string> Edited(const uint8_t* data, std::size_t size) {
  std::vector<std::string> records = SoundRecords();
  for (std::size_t at = 1; at + 5 <= size; at += 5) {
    const uint32_t k = (uint32_t{data[at]} << 16 | uint32_t{data[at + 1]} << 8 | data[at + 2]) % records.size();
    records[k][data[at + 3] % 6] = static_cast<char>(data[at + 4]);
  }
  return records;
}

double InstantFrom(const uint8_t* data, std::size_t size, std::size_t at) {
  if (size < sizeof(double)) return 2451545.0;
  double jd = 0;
  std::memcpy(&jd, data + (at % (size - sizeof(double) + 1)), sizeof jd);
  return jd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace skyloom;
  const std::filesystem::path path = std::filesystem::temp_directory_path() / FuzzFileName();
  const bool edits = size > 0 && data[0] % 2 == 1;
  // Every other edited table gets its checksum line written again.
  const bool newTrailer = edits && data[0] % 4 == 3;
  std::vector<std::string> records;
  std::string text;
  if (edits) {
    records = Edited(data, size);
    text = FileOf(records, PlutoTableTrailer(newTrailer ? records : SoundRecords()));
  } else {
    text.assign(reinterpret_cast<const char*>(data), size);
  }
  std::ofstream file(path, std::ios::binary);
  FUZZ_CHECK(file.write(text.data(), static_cast<std::streamsize>(text.size())) && (file.close(), !file.fail()));
  std::string errorText;
  PlutoTable table;
  const bool loaded = table.Load(path.string(), errorText);
  std::error_code ignored;
  std::filesystem::remove(path, ignored);

  // A load either fills the whole table or leaves it empty with a reason.
  FUZZ_CHECK(loaded == errorText.empty() && (loaded || !table.Loaded()));
  // Raw input, 2048 bytes at most, is far too short to hold a table.
  FUZZ_CHECK(!loaded || edits);
  if (loaded && edits) {
    // Edits under the old checksum line are only accepted when they changed nothing.
    FUZZ_CHECK(newTrailer || records == SoundRecords());
    // A table that loads moves on smoothly: no day jumps.
    for (int32_t k = 1; k < PlutoRecordCount; ++k) {
      double step = table.Entry(k) - table.Entry(k - 1);
      if (step > 180) step -= 360;
      if (step < -180) step += 360;
      FUZZ_CHECK(std::fabs(step) <= 0.06);
    }
  }

  // Lookups must stay inside the table; a loaded table knows every day of
  // its range, and a known position is an angle of the circle.
  const double instants[] = {InstantFrom(data, size, 0), InstantFrom(data, size, size / 2),
                             FirstTableDay - 0.5 + static_cast<double>(size % 1000), LastTableDay + 0.49,
                             FirstTableDay - 0.5};
  for (const double jd : instants) {
    const Position position = table.Longitude(jd);
    const bool inTable = std::floor(jd + 0.5) >= FirstTableDay && std::floor(jd + 0.5) <= LastTableDay;
    FUZZ_CHECK(!loaded || !inTable || position.Known());
    FUZZ_CHECK(!position.Known() || (position.longitude >= 0 && position.longitude < TwoPi));
  }
  return 0;
}
