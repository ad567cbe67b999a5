// Prints the geocentric longitudes of the ten bodies at 0h UT today: a quick
// look that the ephemeris, the Pluto table and the tables are in place.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "calendar/date_format.h"
#include "engine/bodies.h"
#include "engine/pluto_table.h"
#include "engine/positions.h"

int main() {
  using namespace skyloom;
  InitDateNames();
  InitAstroTables();
  std::string error;
  const bool pluto = ReadPlutoData(nullptr, PlutoFileName, error);
  if (!pluto) std::fprintf(stderr, "Pluto data not available: %s\n", error.c_str());

  const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
  const int32_t dayNumber = static_cast<int32_t>(today.time_since_epoch().count()) + 2440588;
  std::printf("Geocentric apparent longitudes at 0h UT on %s\n", FormatDayNumber(dayNumber).c_str());
  static const char* const kSigns[] = {"Aries", "Taurus", "Gemini", "Cancer", "Leo", "Virgo",
                                       "Libra", "Scorpio", "Sagittarius", "Capricorn", "Aquarius", "Pisces"};
  for (BodyIndex body = Sun; body <= Moon; ++body) {
    if (body == Pluto && !pluto) continue;
    const double jd = dayNumber - 0.5;
    const double longitude = BodyLongitude(body, jd);
    if (longitude < 0) {
      std::printf("%-8s out of range\n", BodyNames[body].c_str());
      continue;
    }
    const double degrees = longitude * 360.0 / TwoPi;
    const int sign = static_cast<int>(degrees / 30.0) % 12;
    const double inSign = degrees - sign * 30.0;
    const int whole = static_cast<int>(inSign);
    const int minutes = static_cast<int>((inSign - whole) * 60.0);
    std::printf("%-8s %10.4f°  %2d°%02d' %-11s%s\n", BodyNames[body].c_str(), degrees, whole, minutes,
                kSigns[sign], IsRetrograde(body, jd) ? " r" : "");
  }
  return 0;
}
