#include "calendar/birth_place.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace skyloom {

namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// A decimal number with an optional sign and at most one point, digits on
// at least one side of it: no exponents, no "inf", no hexadecimal.
std::optional<double> DecimalDegrees(std::string_view text) {
  text = Trimmed(text);
  size_t at = 0, digits = 0, points = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  for (; at < text.size(); ++at) {
    if (Digit(text[at])) {
      ++digits;
    } else if (text[at] == '.') {
      ++points;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0 || points > 1) return std::nullopt;
  // from_chars takes no leading plus.
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool CountryCode(std::string_view text) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return text.size() == 2 && letter(text[0]) && letter(text[1]);
}

// Four decimals (about ten metres), with a point whatever the locale.
std::string Decimal(double degrees) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, degrees, std::chars_format::fixed, 4);
  return error == std::errc() ? std::string(text, end) : std::string();
}

}  // namespace

PlaceReading ReadPlace(const Atlas& atlas, std::string_view text) {
  PlaceReading r;
  text = Trimmed(text);
  const size_t comma = text.rfind(',');
  if (comma != std::string_view::npos) {
    const std::optional<double> latitude = DecimalDegrees(text.substr(0, comma));
    const std::optional<double> longitude = DecimalDegrees(text.substr(comma + 1));
    if (latitude && longitude) {
      if (std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180) {
        r.kind = PlaceReading::Kind::OutOfRange;
        r.why = "the latitude is -90 to 90 and the longitude -180 to 180 degrees, not " + std::string(text);
        return r;
      }
      r.kind = PlaceReading::Kind::Coordinates;
      r.place = {std::string(text), "", *latitude, *longitude};
      return r;
    }
  }
  std::string_view name = text, country;
  if (comma != std::string_view::npos) {
    name = Trimmed(text.substr(0, comma));
    country = Trimmed(text.substr(comma + 1));
    if (!CountryCode(country)) {
      r.why = "after the place's name and a comma comes its two-letter ISO country code (Paris, FR), not " +
              std::string(country);
      return r;
    }
  }
  if (name.empty()) {
    r.why = "no place named; give a name (Berlin, or Berlin, DE) or coordinates (52.52,13.405)";
    return r;
  }
  std::vector<Place> found = atlas.Find(name, country);
  if (found.size() == 1) {
    const Place& p = found.front();
    r.kind = PlaceReading::Kind::Named;
    r.place = {p.name, p.country, p.latitude, p.longitude};
    r.zone = p.zone;
    return r;
  }
  const std::string named(text);
  if (found.empty()) {
    r.candidates = atlas.Search(name, country);
    if (r.candidates.size() > 10) r.candidates.resize(10);
    r.why = atlas.Unavailable().empty() ? "no place " + named + " in the atlas" : atlas.Unavailable();
    if (!r.candidates.empty()) r.why += "; places with names like it:";
    return r;
  }
  r.kind = PlaceReading::Kind::Ambiguous;
  r.candidates = std::move(found);
  bool countries = false;
  for (const Place& p : r.candidates) countries = countries || p.country != r.candidates.front().country;
  r.why =
      std::to_string(r.candidates.size()) + " places are called " + named + "; give " +
      (countries ? "the country's code (" + std::string(name) + ", " + r.candidates.front().country + ") or " : "") +
      "the coordinates (LAT,LON) with the birth zone:";
  return r;
}

std::vector<Place> SearchPlaces(const Atlas& atlas, std::string_view typed) {
  typed = Trimmed(typed);
  const size_t comma = typed.rfind(',');
  if (comma == std::string_view::npos) return atlas.Search(typed);
  const std::string_view name = Trimmed(typed.substr(0, comma)), country = Trimmed(typed.substr(comma + 1));
  if (name.empty()) return {};
  return atlas.Search(name, CountryCode(country) ? country : std::string_view());
}

std::string PlaceLine(const Place& p) {
  return p.name + " | " + p.region + " | " + p.country + " | " + Decimal(p.latitude) + " | " + Decimal(p.longitude) +
         " | " + p.zone;
}

int32_t LocalMeanTimeSeconds(double longitude) { return static_cast<int32_t>(std::lround(longitude * 240.0)); }

}  // namespace skyloom
