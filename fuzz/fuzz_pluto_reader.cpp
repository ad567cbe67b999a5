// Feeds arbitrary bytes to the Pluto data file reader as the file's contents,
// then looks Pluto up whether the file was accepted or not. Some instants
// come from the input, so the fuzzer also steers lookups to the edges of the
// range and to values that are not numbers at all.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "engine/bodies.h"
#include "engine/pluto_table.h"

namespace {

// A file name of this process's own in the temporary folder; the file is
// removed after every input, so an ended run leaves nothing behind.
const std::string& FuzzFileName() {
  static const std::string name = [] {
    std::random_device seed;
    return "skyloom-fuzz-pluto-" + std::to_string(seed()) + "-" + std::to_string(seed()) + ".ptb";
  }();
  return name;
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
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const std::filesystem::path path = folder / FuzzFileName();
  {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    if (std::fclose(file) != 0) std::abort();
  }
  std::string errorText;
  PlutoTable table;
  const bool loaded = table.Load(path.string(), errorText);
  std::error_code ignored;
  std::filesystem::remove(path, ignored);

  // A load either fills the whole table or leaves it empty with a reason.
  if (loaded != errorText.empty()) std::abort();
  if (!loaded && table.Loaded()) std::abort();

  // Lookups must stay inside the table; a loaded table knows every day of
  // its range, and a known position is an angle of the circle.
  const double instants[] = {InstantFrom(data, size, 0), InstantFrom(data, size, size / 2),
                             FirstTableDay - 0.5 + static_cast<double>(size % 1000), LastTableDay + 0.49,
                             FirstTableDay - 0.5};
  for (const double jd : instants) {
    const Position position = table.Longitude(jd);
    const bool inTable = std::floor(jd + 0.5) >= FirstTableDay && std::floor(jd + 0.5) <= LastTableDay;
    if (loaded && inTable && !position.Known()) std::abort();
    if (position.Known() && !(position.longitude >= 0 && position.longitude < TwoPi)) std::abort();
  }
  return 0;
}
