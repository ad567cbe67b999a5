// Birth places against an atlas in memory; the geonames library's atlas
// against its own records read straight from the library.
#include "calendar/birth_place.h"

#include <geonames/geonames.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/case_file.h"

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

const char* const kKindNames[] = {"Coordinates", "Named", "Unknown", "Ambiguous", "OutOfRange"};

TEST(BirthPlace, TextsNamePlacesOrAreRefused) {
  for (const test::CaseLine& c : test::ReadCases("calendar/data/place_texts.txt")) {
    SCOPED_TRACE(c.where);
    const PlaceReading r = ReadPlace(SmallAtlas(), c[0].substr(1, c[0].size() - 2));
    EXPECT_EQ(kKindNames[static_cast<int>(r.kind)], c[1]);
    EXPECT_EQ(r.Found(), c[1] == "Named" || c[1] == "Coordinates");
    if (r.Found()) {
      EXPECT_DOUBLE_EQ(r.place.latitude, std::stod(c[2]));
      EXPECT_DOUBLE_EQ(r.place.longitude, std::stod(c[3]));
      EXPECT_EQ(r.zone, c.fields.size() > 4 ? c[4] : "");
      EXPECT_TRUE(r.why.empty());
    } else {
      EXPECT_NE(r.why.find(c.fields.size() > 3 ? c[3] : ""), std::string::npos) << r.why;
      EXPECT_EQ(r.candidates.size(), std::stoul(c[2]));
    }
  }
}

// An atlas whose library cannot be opened says so, not that no place has
// the name; coordinates need no atlas.
TEST(BirthPlace, AnAtlasThatCannotBeOpenedSaysSo) {
  struct Closed : MemoryAtlas {
    Closed() : MemoryAtlas(SmallAtlas()) {}
    std::string Unavailable() const override { return "the atlas of birth places cannot be opened: gone"; }
  } closed;
  const PlaceReading named = ReadPlace(closed, "Nowhere");
  EXPECT_FALSE(named.Found());
  EXPECT_EQ(named.why, "the atlas of birth places cannot be opened: gone");
  EXPECT_TRUE(ReadPlace(closed, "52.52,13.405").Found());
}

// Every city of the library's records whose name is exactly the one wanted.
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
  for (const test::CaseLine& c : test::ReadCases("calendar/data/atlas_names.txt")) {
    SCOPED_TRACE(c.where);
    const std::string country = c[2] == "-" ? "" : c[2];
    std::vector<Place> records = RecordsNamed(c[0]);
    std::erase_if(records, [&](const Place& p) {
      return !country.empty() && g_ascii_strcasecmp(p.country.c_str(), country.c_str()) != 0;
    });
    ASSERT_FALSE(records.empty());
    std::vector<Place> found = GeonamesAtlas().Find(c[1], country);
    auto order = [](const Place& a, const Place& b) { return a.latitude < b.latitude; };
    std::sort(records.begin(), records.end(), order);
    std::sort(found.begin(), found.end(), order);
    EXPECT_EQ(found, records);
  }
}

TEST(GeonamesAtlas, KnowsCapitalsWhereTheyAre) {
  for (const test::CaseLine& c : test::ReadCases("calendar/data/capitals.txt")) {
    SCOPED_TRACE(c.where);
    const PlaceReading r = ReadPlace(GeonamesAtlas(), c[0]);
    ASSERT_EQ(r.kind, Kind::Named) << r.why;
    EXPECT_NEAR(r.place.latitude, std::stod(c[1]), 0.05);
    EXPECT_NEAR(r.place.longitude, std::stod(c[2]), 0.05);
    EXPECT_EQ(r.zone, c[3]);
  }
}

}  // namespace
}  // namespace skyloom
