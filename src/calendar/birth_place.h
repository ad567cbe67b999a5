// Where someone was born, as a text names it: coordinates in decimal
// degrees ("52.52,13.405") or a place of the atlas by its name, with its
// country's ISO code when the name alone is not enough ("Paris, FR"). And
// local mean time, the clock of a place's own meridian.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ports/atlas.h"

namespace skyloom {

struct BirthPlace {
  // The atlas's name of the place, or the coordinates as they were given.
  std::string name;
  std::string country;   // ISO code of an atlas place, empty for coordinates
  double latitude = 0;   // degrees, north positive
  double longitude = 0;  // degrees, east positive
  bool operator==(const BirthPlace&) const = default;
};

struct PlaceReading {
  enum class Kind { Coordinates, Named, Unknown, Ambiguous, OutOfRange };
  Kind kind = Kind::Unknown;
  BirthPlace place;               // Coordinates and Named
  std::string zone;               // Named: the tz database name of the place's clocks
  std::vector<Place> candidates;  // Ambiguous: every place of the name; Unknown: places it may have meant
  // Unknown, Ambiguous, OutOfRange: why the text names no birth place, in
  // one sentence (the candidates are told by the caller, one a line).
  std::string why;
  bool Found() const { return kind == Kind::Coordinates || kind == Kind::Named; }
};

// What a place text names. Coordinates are two decimal numbers with an
// optional sign, latitude first, separated by a comma; anything else is a
// name, with an ISO country code after a last comma. A name that more than
// one place carries names none of them.
PlaceReading ReadPlace(const Atlas& atlas, std::string_view text);

// The places whose names match a text as it is typed or looked up
// ("Pari", "Paris, FR"): a whole country code after a last comma keeps only
// that country's; the text before it is matched as the atlas matches.
std::vector<Place> SearchPlaces(const Atlas& atlas, std::string_view typed);

// "Paris | Île-de-France Region | FR | 48.8534 | 2.3488 | Europe/Paris":
// one place as the listings write it, coordinates to four decimals.
std::string PlaceLine(const Place& place);

// The offset of local mean time at a longitude (east positive) from
// Universal Time: four minutes of time to the degree, rounded to the
// nearest second (halves away from Greenwich).
int32_t LocalMeanTimeSeconds(double longitude);

}  // namespace skyloom
