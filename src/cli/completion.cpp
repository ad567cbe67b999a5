#include "cli/completion.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "cli/arguments.h"
#include "engine/bodies.h"
#include "engine/houses.h"
#include "store/chart_store.h"

namespace skyloom::cli {

bool PrintCompletionWords(std::string_view kind) {
  auto say = [](const std::string& word) { std::printf("%s\n", word.c_str()); };
  if (kind == "options") {
    for (const std::string& option : LongOptions()) say(option);
    for (const char* option : {"--chart", "--charts", "--chart-store"}) say(option);
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
    for (const char* mode : {"world", "personal", "places", "charts"}) say(mode);
  } else if (kind == "chart-commands") {
    for (const char* command : {"add", "list", "remove", "import", "export"}) say(command);
  } else if (kind == "charts" || kind == "chart-selections") {
    // The default collection's names (and tags), never creating one.
    const std::string path = DefaultChartStorePath();
    std::vector<std::string> words;
    if (kind == "chart-selections") words.push_back("all");
    if (std::filesystem::exists(path)) {
      try {
        std::set<std::string> tags;
        for (const StoredChart& chart : ChartStore(path).List()) {
          if (kind == "charts") words.push_back(chart.name);
          tags.insert(chart.tags.begin(), chart.tags.end());
        }
        if (kind == "chart-selections")
          for (const std::string& tag : tags) words.push_back("tag:" + tag);
      } catch (const StoreError&) {
        // No words from a collection that cannot be read.
      }
    }
    for (const std::string& word : words) say(word);
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
