#include <geonames/geonames.h>

#include <memory>
#include <string>

#include "ports/atlas.h"

namespace skyloom {

namespace {

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
template <typename T>
using GOwned = std::unique_ptr<T, GFreeDeleter>;

struct CityDeleter {
  void operator()(GeonamesCity* city) const { geonames_city_free(city); }
};

std::string Text(const gchar* text) { return text != nullptr ? std::string(text) : std::string(); }

// A name as it is compared: accents dropped the way glib transliterates to
// ASCII in the C locale ("São" is "Sao"), then ASCII letters lowered.
std::string Folded(std::string_view name) {
  const std::string owned(name);
  GOwned<gchar> ascii(g_str_to_ascii(owned.c_str(), "C"));
  GOwned<gchar> lower(g_ascii_strdown(ascii.get(), -1));
  return lower.get();
}

bool SameCountry(const std::string& code, std::string_view wanted) {
  return wanted.empty() || g_ascii_strcasecmp(code.c_str(), std::string(wanted).c_str()) == 0;
}

class Geonames : public Atlas {
 public:
  std::vector<Place> Find(std::string_view name, std::string_view country) const override {
    const std::string folded = Folded(name);
    std::vector<Place> found;
    for (Place& place : Search(name, country))
      if (Folded(place.name) == folded) found.push_back(std::move(place));
    return found;
  }

  std::vector<Place> Search(std::string_view text, std::string_view country) const override {
    const std::string query(text);
    std::vector<Place> found;
    // The library finds nothing for a blank query, and an empty one is no
    // name anyone typed.
    if (query.find_first_not_of(' ') == std::string::npos) return found;
    guint length = 0;
    GError* error = nullptr;
    GOwned<gint> indices(geonames_query_cities_sync(query.c_str(), GEONAMES_QUERY_DEFAULT, &length, nullptr, &error));
    if (error != nullptr) {
      g_error_free(error);
      return found;
    }
    for (guint k = 0; k < length; ++k) {
      const std::unique_ptr<GeonamesCity, CityDeleter> city(geonames_get_city(indices.get()[k]));
      if (city == nullptr) continue;
      Place place{Text(geonames_city_get_name(city.get())),         Text(geonames_city_get_state(city.get())),
                  Text(geonames_city_get_country_code(city.get())), geonames_city_get_latitude(city.get()),
                  geonames_city_get_longitude(city.get()),          Text(geonames_city_get_timezone(city.get()))};
      if (SameCountry(place.country, country)) found.push_back(std::move(place));
    }
    return found;
  }
};

}  // namespace

const Atlas& GeonamesAtlas() {
  static const Geonames atlas;
  return atlas;
}

}  // namespace skyloom
