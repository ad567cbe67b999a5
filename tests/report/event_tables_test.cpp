// The tables of sky events and of the forecast: their columns hold their
// place whatever a cell holds.
#include <gtest/gtest.h>

#include <string>

#include "calendar/date_format.h"
#include "report/forecast_report.h"
#include "report/sky_event_report.h"
#include "support/cli_runner.h"

namespace skyloom {
namespace {

// Counted in characters: "°" is two bytes and one character.
size_t Characters(const std::string& text) {
  size_t n = 0;
  for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// The natal contacts start in the same column for every position, the
// widest ("29°59' Sagittarius") included, so that the table stays a table.
TEST(ForecastReport, ContactsColumnHoldsItsPlaceForEveryPosition) {
  InitDateNames();
  const double degree = TwoPi / 360.0;
  const double longitudes[] = {0.5, 29.99, 269.99, 279.5, 339.0};  // Aries .. Pisces, 1 and 2 digits
  ForecastList list;
  list.lunationsAsked = list.personal = true;
  list.firstDay = list.lastDay = 2460321;
  list.zone = Zone::Fixed(0, "GMT");
  for (const double l : longitudes) {
    Lunation& lunation = list.lunations.emplace_back();
    lunation.at.local.day = 2460321;
    lunation.longitude = l * degree;
    lunation.contacts = {{Sun, Opposition, 7.72 * degree}};
  }
  const std::string tables = ForecastTables(list);
  size_t column = 0, rows = 0;
  for (size_t at = 0; (at = tables.find("new Moon", at)) != std::string::npos; ++at) {
    const std::string line = tables.substr(at, tables.find("\r\n", at) - at);
    const size_t contact = line.find("| opposition natal Sun 7°43'");
    ASSERT_NE(contact, std::string::npos) << line;
    const size_t here = Characters(line.substr(0, contact));
    if (rows++ == 0) column = here;
    EXPECT_EQ(here, column) << line;
  }
  EXPECT_EQ(rows, 5u) << tables;
}

// The time column is 18 characters: a zone name that leaves no room for the
// column's border gives way to the offset then in force, and the title
// names the zone; shorter names and the fixed zones stay in the cells.
TEST(SkyEventReport, TimeCellsOfNamedZones) {
  InitDateNames();
  const struct {
    Zone zone;
    int32_t offset;
    const char* cell;
    const char* titleEnd;
  } cases[] = {
      {*Zone::Named("Europe/Berlin"), 7200, "| 00:14 GMT+2:00    | ", "(tropical), times in Europe/Berlin\r\n"},
      {*Zone::Named("Europe/Amsterdam"), 1172, "| 00:14 GMT+0:19:32 | ", "times in Europe/Amsterdam\r\n"},
      {*Zone::Named("Asia/Tokyo"), 32400, "| 00:14 Asia/Tokyo  | ", "(tropical)\r\n"},
      {*Zone::Named("Etc/GMT-14"), 50400, "| 00:14 Etc/GMT-14  | ", "(tropical)\r\n"},
      {Zone::Fixed(-36000, "AKST/HADT"), -36000, "| 00:14 AKST/HADT   | ", "(tropical)\r\n"},
  };
  for (const auto& c : cases) {
    SkyEventList list;
    list.stationsAsked = true;
    list.firstDay = 2460311;
    list.lastDay = 2460676;
    list.zone = c.zone;
    SkyEvent& station = list.stations.emplace_back();
    station.body = Mercury;
    station.day = 2460403;
    station.minuteOfDay = 14;
    station.offsetSeconds = c.offset;
    station.retrograde = true;
    const std::string tables = SkyEventTables(list);
    EXPECT_EQ(test::Count(tables, c.cell), 1u) << tables;
    EXPECT_EQ(test::Count(tables, c.titleEnd), 1u) << tables;
  }
}

}  // namespace
}  // namespace skyloom
