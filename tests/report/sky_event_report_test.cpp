#include "report/sky_event_report.h"

#include <gtest/gtest.h>

#include <string>

#include "calendar/date_format.h"
#include "support/cli_runner.h"

namespace skyloom {
namespace {

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
    SkyEvent station;
    station.body = Mercury;
    station.day = 2460403;
    station.minuteOfDay = 14;
    station.offsetSeconds = c.offset;
    station.retrograde = true;
    list.stations.push_back(station);
    const std::string tables = SkyEventTables(list);
    EXPECT_EQ(test::Count(tables, c.cell), 1u) << tables;
    EXPECT_EQ(test::Count(tables, c.titleEnd), 1u) << tables;
  }
}

}  // namespace
}  // namespace skyloom
