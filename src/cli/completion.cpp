#include "cli/completion.h"

#include <cstdio>
#include <set>
#include <string>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "cli/arguments.h"
#include "engine/bodies.h"
#include "engine/houses.h"

namespace skyloom::cli {

bool PrintCompletionWords(std::string_view kind) {
  auto say = [](const std::string& word) { std::printf("%s\n", word.c_str()); };
  if (kind == "options") {
    for (const std::string& option : LongOptions()) say(option);
  } else if (kind == "bodies") {
    for (BodyIndex b = Sun; b <= LastBody; ++b) say(BodyNames[b]);
  } else if (kind == "natal-points") {
    for (BodyIndex b = Ascendant; b <= Cusp12; ++b) say(BodyName(b));
  } else if (kind == "aspects") {
    for (AspectIndex a = 1; a <= AspectCount; ++a) say(AsciiLowerCase(AspectName(a)));
  } else if (kind == "aspect-sets") {
    for (const char* set : {"major", "all"}) say(set);
    for (AspectIndex a = 1; a <= AspectCount; ++a) say(AsciiLowerCase(AspectName(a)));
  } else if (kind == "houses") {
    for (int k = 0; k < HouseSystemCount; ++k) say(HouseSystemName(static_cast<HouseSystem>(k)));
  } else if (kind == "series") {
    for (const char* series : {"outer", "inner", "every"}) say(series);
  } else if (kind == "modes") {
    for (const char* mode : {"world", "personal", "places"}) say(mode);
  } else if (kind == "zones") {
    // The lists' fixed offsets and abbreviations; tz database names come
    // from the system's database, which the completion reads itself.
    std::set<std::string> zones;
    for (bool abbreviations : {false, true})
      for (int16_t p = FirstZonePosition; p < TimezoneEntryCount; ++p) zones.insert(TimezoneText(p, abbreviations));
    for (const std::string& zone : zones) say(zone);
  } else {
    return false;
  }
  return std::fflush(stdout) == 0;
}

}  // namespace skyloom::cli
