// The places a birth can be given by: cities with their coordinates and the
// tz database name of the zone their clocks keep. The production atlas is
// Debian's geonames library (about 24,000 cities, from GeoNames' data); the
// tests may use an atlas in memory.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skyloom {

struct Place {
  std::string name;      // as the atlas writes it, accents and all ("São Paulo")
  std::string region;    // the first-level division (state, province), may be empty
  std::string country;   // ISO 3166 two-letter code ("DE")
  double latitude = 0;   // degrees, north positive
  double longitude = 0;  // degrees, east positive
  std::string zone;      // tz database name ("Europe/Berlin")
  bool operator==(const Place&) const = default;
};

class Atlas {
 public:
  virtual ~Atlas() = default;
  // The places called exactly `name`, regardless of letter case and
  // accents ("sao paulo" is São Paulo); with a country code (any case) only
  // those of that country. In the atlas's order (the most populous first).
  virtual std::vector<Place> Find(std::string_view name, std::string_view country = {}) const = 0;
  // The places whose name matches a part of a name as one types it
  // ("Pari" finds Paris and Cormeilles-en-Parisis), in the same order; with
  // a country code only those of that country.
  virtual std::vector<Place> Search(std::string_view text, std::string_view country = {}) const = 0;
  // Why the atlas has no places at all (its library cannot be opened), or
  // empty.
  virtual std::string Unavailable() const { return {}; }
};

// The atlas of the geonames library. It holds no state of its own; the
// library reads its cities from data compiled into it, and is opened when a
// place is first asked for.
const Atlas& GeonamesAtlas();

// An atlas of the places given, for the tests: names compared regardless of
// ASCII letter case, a search matching the start of any word of a name.
class MemoryAtlas : public Atlas {
 public:
  explicit MemoryAtlas(std::vector<Place> places) : places_(std::move(places)) {}
  std::vector<Place> Find(std::string_view name, std::string_view country = {}) const override;
  std::vector<Place> Search(std::string_view text, std::string_view country = {}) const override;

 private:
  std::vector<Place> places_;
};

}  // namespace skyloom
