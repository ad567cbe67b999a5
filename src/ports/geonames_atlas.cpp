// Types and prototypes only: the library itself is opened when a place is
// first asked for. Most runs ask for none, and loading it (glib and gio
// start up with it) costs every process several milliseconds.
#include <dlfcn.h>
#include <geonames/geonames.h>

#include <memory>
#include <string>
#include <type_traits>

#include "ports/atlas.h"

namespace skyloom {

namespace {

// What the atlas calls of the library and of glib, which comes with it.
struct Library {
  decltype(&g_free) free = nullptr;
  decltype(&g_str_to_ascii) toAscii = nullptr;
  decltype(&g_ascii_strdown) lower = nullptr;
  decltype(&g_ascii_strcasecmp) compare = nullptr;
  decltype(&g_error_free) freeError = nullptr;
  decltype(&geonames_query_cities_sync) query = nullptr;
  decltype(&geonames_get_city) city = nullptr;
  decltype(&geonames_city_free) freeCity = nullptr;
  decltype(&geonames_city_get_name) name = nullptr;
  decltype(&geonames_city_get_state) state = nullptr;
  decltype(&geonames_city_get_country_code) country = nullptr;
  decltype(&geonames_city_get_latitude) latitude = nullptr;
  decltype(&geonames_city_get_longitude) longitude = nullptr;
  decltype(&geonames_city_get_timezone) zone = nullptr;
  // Why it cannot be used, or empty.
  std::string unavailable;
};

const Library& TheLibrary() {
  static const Library library = [] {
    constexpr const char* kFile = "libgeonames.so.0";
    Library l;
    void* handle = dlopen(kFile, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* why = dlerror();
      l.unavailable = "the atlas of birth places cannot be opened: " + std::string(why != nullptr ? why : kFile);
      return l;
    }
    auto take = [&](auto& function, const char* symbol) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, symbol));
      if (function == nullptr && l.unavailable.empty())
        l.unavailable = std::string("the atlas of birth places cannot be used: ") + kFile + " has no " + symbol;
    };
    take(l.free, "g_free");
    take(l.toAscii, "g_str_to_ascii");
    take(l.lower, "g_ascii_strdown");
    take(l.compare, "g_ascii_strcasecmp");
    take(l.freeError, "g_error_free");
    take(l.query, "geonames_query_cities_sync");
    take(l.city, "geonames_get_city");
    take(l.freeCity, "geonames_city_free");
    take(l.name, "geonames_city_get_name");
    take(l.state, "geonames_city_get_state");
    take(l.country, "geonames_city_get_country_code");
    take(l.latitude, "geonames_city_get_latitude");
    take(l.longitude, "geonames_city_get_longitude");
    take(l.zone, "geonames_city_get_timezone");
    return l;
  }();
  return library;
}

struct GFreeDeleter {
  void operator()(void* p) const { TheLibrary().free(p); }
};
template <typename T>
using GOwned = std::unique_ptr<T, GFreeDeleter>;

struct CityDeleter {
  void operator()(GeonamesCity* city) const { TheLibrary().freeCity(city); }
};

std::string Text(const gchar* text) { return text != nullptr ? std::string(text) : std::string(); }

// A name as it is compared: accents dropped the way glib transliterates to
// ASCII in the C locale ("São" is "Sao"), then ASCII letters lowered.
std::string Folded(std::string_view name) {
  const std::string owned(name);
  GOwned<gchar> ascii(TheLibrary().toAscii(owned.c_str(), "C"));
  GOwned<gchar> lower(TheLibrary().lower(ascii.get(), -1));
  return lower.get();
}

bool SameCountry(const std::string& code, std::string_view wanted) {
  return wanted.empty() || TheLibrary().compare(code.c_str(), std::string(wanted).c_str()) == 0;
}

class Geonames : public Atlas {
 public:
  std::vector<Place> Find(std::string_view name, std::string_view country) const override {
    if (!Unavailable().empty()) return {};
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
    if (query.find_first_not_of(' ') == std::string::npos || !Unavailable().empty()) return found;
    const Library& l = TheLibrary();
    guint length = 0;
    GError* error = nullptr;
    GOwned<gint> indices(l.query(query.c_str(), GEONAMES_QUERY_DEFAULT, &length, nullptr, &error));
    if (error != nullptr) {
      l.freeError(error);
      return found;
    }
    for (guint k = 0; k < length; ++k) {
      const std::unique_ptr<GeonamesCity, CityDeleter> city(l.city(indices.get()[k]));
      if (city == nullptr) continue;
      Place place{Text(l.name(city.get())), Text(l.state(city.get())), Text(l.country(city.get())),
                  l.latitude(city.get()),   l.longitude(city.get()),   Text(l.zone(city.get()))};
      if (SameCountry(place.country, country)) found.push_back(std::move(place));
    }
    return found;
  }

  std::string Unavailable() const override { return TheLibrary().unavailable; }
};

}  // namespace

const Atlas& GeonamesAtlas() {
  static const Geonames atlas;
  return atlas;
}

}  // namespace skyloom
