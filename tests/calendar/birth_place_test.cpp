// Birth places: the texts that name one (coordinates, a name, a name with
// its country) and those refused, against an atlas in memory; the atlas of
// the geonames library against its own records read straight from the
// library; local mean time at a few longitudes worked out by hand.
#include "calendar/birth_place.h"

#include <geonames/geonames.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace skyloom {
namespace {

using Kind = PlaceReading::Kind;

const MemoryAtlas& SmallAtlas() {
  static const MemoryAtlas atlas({
      {"Berlin", "Berlin", "DE", 52.52437, 13.41053, "Europe/Berlin"},
      {"Paris", "Île-de-France Region", "FR", 48.85341, 2.3488, "Europe/Paris"},
      {"Paris", "Texas", "US", 33.66094, -95.55551, "America/Chicago"},
      {"Sydney", "New South Wales", "AU", -33.86785, 151.20732, "Australia/Sydney"},
      {"Ashford", "England", "GB", 51.14648, 0.87376, "Europe/London"},
      {"Ashford", "England", "GB", 51.43167, -0.45757, "Europe/London"},
      {"New Berlin", "Wisconsin", "US", 42.9764, -88.10842, "America/Chicago"},
  });
  return atlas;
}

struct TextCase {
  const char* text;
  Kind kind;
  double latitude = 0, longitude = 0;  // Coordinates and Named
  const char* zone = "";               // Named
  size_t candidates = 0;               // Ambiguous and Unknown
  const char* why = "";                // a part of the reason of a refusal
};

const TextCase kTexts[] = {
    // Names, with and without the country's code, in any letter case.
    {"Berlin", Kind::Named, 52.52437, 13.41053, "Europe/Berlin"},
    {"  berlin ,  de ", Kind::Named, 52.52437, 13.41053, "Europe/Berlin"},
    {"Paris, US", Kind::Named, 33.66094, -95.55551, "America/Chicago"},
    {"Paris, fr", Kind::Named, 48.85341, 2.3488, "Europe/Paris"},
    {"Sydney", Kind::Named, -33.86785, 151.20732, "Australia/Sydney"},
    // A name several places carry names none of them.
    {"Paris", Kind::Ambiguous, 0, 0, "", 2, "2 places are called Paris; give the country's code (Paris, FR)"},
    {"PARIS", Kind::Ambiguous, 0, 0, "", 2, "are called PARIS"},
    {"Ashford, GB", Kind::Ambiguous, 0, 0, "", 2, "give the coordinates (LAT,LON) with the birth zone"},
    // Unknown names, with the places whose names begin so.
    {"Berlin, FR", Kind::Unknown, 0, 0, "", 0, "no place Berlin, FR in the atlas"},
    {"Pari", Kind::Unknown, 0, 0, "", 2, "no place Pari in the atlas; places with names like it:"},
    {"Berl", Kind::Unknown, 0, 0, "", 2, "no place Berl"},
    {"Atlantis", Kind::Unknown, 0, 0, "", 0, "no place Atlantis in the atlas"},
    {"Berlin, Germany", Kind::Unknown, 0, 0, "", 0, "two-letter ISO country code (Paris, FR), not Germany"},
    {"", Kind::Unknown, 0, 0, "", 0, "no place named"},
    {", DE", Kind::Unknown, 0, 0, "", 0, "no place named"},
    // Coordinates: north and east positive, signs and spaces allowed.
    {"52.52,13.405", Kind::Coordinates, 52.52, 13.405},
    {"-33.87,151.21", Kind::Coordinates, -33.87, 151.21},
    {" +40.7128 , -74.006 ", Kind::Coordinates, 40.7128, -74.006},
    {".5,-.5", Kind::Coordinates, 0.5, -0.5},
    {"90,180", Kind::Coordinates, 90, 180},
    {"-90,-180", Kind::Coordinates, -90, -180},
    {"0,0", Kind::Coordinates, 0, 0},
    // Out of range.
    {"90.0001,0", Kind::OutOfRange, 0, 0, "", 0, "the latitude is -90 to 90 and the longitude -180 to 180"},
    {"-91,10", Kind::OutOfRange, 0, 0, "", 0, "not -91,10"},
    {"0,180.5", Kind::OutOfRange},
    {"0,-200", Kind::OutOfRange},
    // Not numbers as coordinates take them: a name then, which is refused.
    {"52.52", Kind::Unknown, 0, 0, "", 0, "no place 52.52"},
    {"1e1,2", Kind::Unknown, 0, 0, "", 0, "ISO country code"},
    {"52.5.1,13", Kind::Unknown},
    {"-,13", Kind::Unknown},
    {"inf,0", Kind::Unknown},
};

TEST(BirthPlace, TextsNamePlacesOrAreRefused) {
  for (const TextCase& c : kTexts) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    const PlaceReading r = ReadPlace(SmallAtlas(), c.text);
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.Found(), c.kind == Kind::Named || c.kind == Kind::Coordinates);
    if (r.Found()) {
      EXPECT_DOUBLE_EQ(r.place.latitude, c.latitude);
      EXPECT_DOUBLE_EQ(r.place.longitude, c.longitude);
      EXPECT_EQ(r.zone, c.zone);
      EXPECT_TRUE(r.why.empty());
    } else {
      EXPECT_NE(r.why.find(c.why), std::string::npos) << r.why;
      EXPECT_EQ(r.candidates.size(), c.candidates);
    }
  }
}

// Local mean time: the sun crosses a meridian 360° / 24 h = 15° an hour
// later for each 15° west, so 1° of longitude is 240 s of time.
TEST(BirthPlace, LocalMeanTimeIsFourMinutesToTheDegreeToTheSecond) {
  // longitude × 240 s, to the nearest second: -179.99 × 240 = -43197.6 s,
  // 2.3488 × 240 = 563.712 s (Paris, FR); the CLI's titles show others.
  const std::pair<double, int> cases[] = {{0, 0}, {-179.99, -43198}, {180, 43200}, {2.3488, 564}, {-0.0021, -1}};
  for (const auto& [longitude, seconds] : cases) EXPECT_EQ(LocalMeanTimeSeconds(longitude), seconds) << longitude;
}
// The geonames library's own records, read one by one without the atlas's
// lookup: every city whose name is exactly the one wanted.
std::vector<Place> RecordsNamed(const std::string& name) {
  std::vector<Place> records;
  const gint count = geonames_get_n_cities();
  for (gint k = 0; k < count; ++k) {
    GeonamesCity* city = geonames_get_city(k);
    if (name == geonames_city_get_name(city)) {
      records.push_back({geonames_city_get_name(city), geonames_city_get_state(city),
                         geonames_city_get_country_code(city), geonames_city_get_latitude(city),
                         geonames_city_get_longitude(city), geonames_city_get_timezone(city)});
    }
    geonames_city_free(city);
  }
  return records;
}

TEST(GeonamesAtlas, FindsWhatTheLibraryRecords) {
  struct Case {
    const char* recorded;  // the name as the library writes it
    const char* asked;     // the name as asked
    const char* country;
  };
  const Case cases[] = {
      {"Berlin", "Berlin", ""},       {"Paris", "Paris", ""},
      {"Paris", "PARIS", "fr"},       {"Sydney", "sydney", ""},
      {"São Paulo", "Sao Paulo", ""}, {"Düsseldorf", "DUSSELDORF", "de"},
      {"Bogotá", "bogota", ""},       {"Springfield", "Springfield", ""},
      {"Kyiv", "Kyiv", "UA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    std::vector<Place> records = RecordsNamed(c.recorded);
    std::erase_if(records, [&](const Place& p) {
      return *c.country != 0 && g_ascii_strcasecmp(p.country.c_str(), c.country) != 0;
    });
    ASSERT_FALSE(records.empty());
    std::vector<Place> found = GeonamesAtlas().Find(c.asked, c.country);
    auto order = [](const Place& a, const Place& b) { return a.latitude < b.latitude; };
    std::sort(records.begin(), records.end(), order);
    std::sort(found.begin(), found.end(), order);
    EXPECT_EQ(found, records);
  }
}

// What anyone can look up: the capitals where they are, with their zones.
TEST(GeonamesAtlas, KnowsCapitalsWhereTheyAre) {
  struct Case {
    const char* text;
    double latitude, longitude;
    const char* zone;
  };
  const Case cases[] = {
      {"Berlin", 52.52, 13.40, "Europe/Berlin"},
      {"Paris, FR", 48.86, 2.35, "Europe/Paris"},
      {"Sydney, AU", -33.87, 151.21, "Australia/Sydney"},
      {"Buenos Aires", -34.61, -58.38, "America/Argentina/Buenos_Aires"},
      {"Tokyo", 35.69, 139.69, "Asia/Tokyo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const PlaceReading r = ReadPlace(GeonamesAtlas(), c.text);
    ASSERT_EQ(r.kind, Kind::Named) << r.why;
    EXPECT_NEAR(r.place.latitude, c.latitude, 0.05);
    EXPECT_NEAR(r.place.longitude, c.longitude, 0.05);
    EXPECT_EQ(r.zone, c.zone);
  }
}

TEST(GeonamesAtlas, SearchMatchesAPartOfANameAndFiltersTheCountry) {
  const std::vector<Place> all = GeonamesAtlas().Search("Pari");
  const std::vector<Place> french = GeonamesAtlas().Search("Pari", "fr");
  EXPECT_GT(all.size(), french.size());
  ASSERT_FALSE(french.empty());
  for (const Place& p : french) EXPECT_EQ(p.country, "FR") << p.name;
  EXPECT_TRUE(GeonamesAtlas().Search("").empty());
  EXPECT_TRUE(GeonamesAtlas().Search("Qqxzv").empty());
}

}  // namespace
}  // namespace skyloom
