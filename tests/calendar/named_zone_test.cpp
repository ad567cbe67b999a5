// Local time and Universal Time in fixed zones; named zones against Python's
// zoneinfo (zone_reference.txt, written by make_zone_reference.py from the
// same tz database): every change of eleven zones from 1850 to 2799.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calendar/zone.h"
#include "ports/time_zone_database.h"
#include "support/case_file.h"
#include "support/worst_error.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kDay = 2459288;  // 2021-03-14

// Zones west and east of Greenwich, and one whose offset has seconds.
constexpr std::pair<int32_t, const char*> kZones[] = {
    {-41400, "GMT-11:30"}, {0, "GMT"}, {19800, "GMT+5:30"}, {41400, "GMT+11:30"}, {1172, "LMT+0:19:32"}};

// Seconds after the local midnight starting kDay, and the local minute
// from that midnight they round to.
constexpr std::pair<double, int32_t> kMinutes[] = {
    {-31, -1}, {-29, 0}, {0, 0}, {29, 0}, {31, 1}, {45000, 750}, {86369, 1439}, {86371, 1440}, {86400 + 91, 1442}};

TEST(Zone, NearestLocalMinuteAroundDayBoundaries) {
  for (const auto& [offset, text] : kZones) {
    const Zone zone = Zone::Fixed(offset, text);
    const Instant midnight = LocalMidnight(kDay, zone);
    EXPECT_NEAR(midnight.ut, kDay - 0.5 - offset / 86400.0, 1e-9) << text;
    for (const auto& [seconds, minutes] : kMinutes) {
      SCOPED_TRACE(std::string(text) + " " + std::to_string(seconds));
      const LocalMinute local = ToLocalMinute(midnight + seconds / 86400.0, zone);
      const int32_t dayOffset = minutes >= 0 ? minutes / 1440 : -1;
      EXPECT_EQ(local.day, kDay + dayOffset);
      EXPECT_EQ(local.minuteOfDay, minutes - dayOffset * 1440);
      EXPECT_EQ(local.offsetSeconds, offset);
      EXPECT_NEAR(InstantOf(local) - midnight, minutes * 60.0 / 86400, 1e-9);
      if (seconds >= 0 && seconds < 86400) {
        EXPECT_NEAR(FromLocal(kDay, int32_t(seconds), zone) - midnight, seconds / 86400, 1e-9);
      }
      // Unrounded, the instant's own day.
      EXPECT_EQ(LocalDay(midnight + seconds / 86400.0, zone), kDay + (seconds < 0 ? -1 : seconds >= 86400));
    }
  }
}

constexpr double kUnixEpoch = 2440587.5;
constexpr int64_t kUnixEpochDay = 2440588;

Instant At(int64_t unixSeconds) { return Instant{kUnixEpoch + unixSeconds / 86400.0}; }

struct Change {
  std::string zone;
  int64_t at = 0;
  int32_t before = 0, after = 0;
  std::string abbreviationBefore, abbreviationAfter;
  int64_t probe = 0;  // local seconds since 1970-01-01 00:00
  char reading = 'U';
};

std::vector<Change> ReferenceChanges() {
  std::ifstream in(fs::path(SKYLOOM_TEST_DIR) / "calendar" / "zone_reference.txt");
  std::vector<Change> changes;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    Change c;
    if (!line.starts_with('#') && fields >> c.zone >> c.at >> c.before >> c.after >> c.abbreviationBefore >>
                                      c.abbreviationAfter >> c.probe >> c.reading)
      changes.push_back(c);
  }
  return changes;
}

TEST(NamedZone, EveryChangeAsZoneinfoReadsIt) {
  const std::vector<Change> changes = ReferenceChanges();
  ASSERT_GT(changes.size(), 5000u);
  test::WorstError offsets("offsets of named zones against zoneinfo, 1850-2799", "s");
  std::map<std::string, int> perZone, afterListed;
  const Change* previous = nullptr;
  for (const Change& c : changes) {
    const std::optional<Zone> zone = Zone::Named(c.zone);
    ASSERT_TRUE(zone) << c.zone;
    const std::string where = c.zone + " at " + std::to_string(c.at);
    offsets.Note(zone->OffsetSecondsAt(At(c.at - 1)) - c.before, 0, where + " - 1 s");
    offsets.Note(zone->OffsetSecondsAt(At(c.at)) - c.after, 0, where);
    EXPECT_EQ(zone->AbbreviationAt(At(c.at - 1)), c.abbreviationBefore) << where;
    EXPECT_EQ(zone->AbbreviationAt(At(c.at)), c.abbreviationAfter) << where;
    if (previous != nullptr && previous->zone == c.zone)
      offsets.Note(zone->OffsetSecondsAt(At((previous->at + c.at) / 2)) - previous->after, 0, where + " (between)");

    const int64_t day = kUnixEpochDay + (c.probe >= 0 ? c.probe / 86400 : -((-c.probe + 86399) / 86400));
    const int64_t ofDay = c.probe - (day - kUnixEpochDay) * 86400;
    const LocalReading reading = zone->ReadLocal(static_cast<int32_t>(day), ofDay);
    EXPECT_EQ(static_cast<size_t>(reading.kind), std::string_view("URS").find(c.reading))
        << where << " local " << c.probe;
    if (reading.kind != LocalReading::Kind::Unique) {
      EXPECT_EQ(reading.offsetSeconds, c.before) << where;
      EXPECT_EQ(reading.laterOffsetSeconds, c.after) << where;
      EXPECT_EQ(reading.abbreviation, c.abbreviationBefore) << where;
      EXPECT_NEAR(reading.change.ut, At(c.at).ut, 1e-9) << where;
    }
    ++perZone[c.zone];
    if (c.at > 2145916800) ++afterListed[c.zone];  // after 2038-01-01, where the files' lists end
    previous = &c;
  }
  // Those that keep daylight saving time keep it to 2799.
  EXPECT_EQ(perZone.size(), 11u);
  for (const char* name : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Europe/Dublin", "America/Nuuk",
                           "Asia/Jerusalem", "America/Santiago"})
    EXPECT_GE(afterListed[name], 2 * 760) << name;
}

// Before its first change a zone keeps its local mean time back to year 1.
TEST(NamedZone, LocalMeanTimeBeforeTheFirstChange) {
  for (const test::CaseLine& c : test::ReadCases("calendar/data/local_mean_time.txt")) {
    const Zone zone = *Zone::Named(c[0]);
    for (const double jd : {1721425.5 /* 0001-01-01 */, 2000000.5, 2378496.5 /* 1800-01-01 */}) {
      EXPECT_EQ(zone.OffsetSecondsAt(Instant{jd}), std::stoi(c[1])) << c.where << " " << jd;
      EXPECT_EQ(zone.AbbreviationAt(Instant{jd}), c[2]) << c.where;
      const LocalReading reading = zone.ReadLocal(static_cast<int32_t>(jd + 0.5), 12 * 3600);
      EXPECT_EQ(reading.kind, LocalReading::Kind::Unique) << c.where;
      EXPECT_EQ(reading.offsetSeconds, std::stoi(c[1])) << c.where;
    }
  }
  // Amsterdam's own time in 1930 (+0:19:32, its local mean time made law).
  EXPECT_EQ(Zone::Named("Europe/Amsterdam")->OffsetSecondsAt(Instant{2426097.5}), 1172);
}

// The day a zone's clocks change is 23 or 25 hours long; minutes in the
// repeated hour keep their own offset.
TEST(NamedZone, DaysAndMinutesAcrossTheChanges) {
  const Zone berlin = *Zone::Named("Europe/Berlin");
  // 2024-03-31 and 2024-10-27, and the same Sundays of 2400 (the footer rule's): their hours.
  for (const auto& [day, hours] :
       {std::pair{2460401, 23.0}, {2460611, 25.0}, {2460400, 24.0}, {2460612, 24.0}, {2597727, 23.0}, {2597944, 25.0}})
    EXPECT_NEAR((LocalMidnight(day + 1, berlin) - LocalMidnight(day, berlin)) * 24, hours, 1e-6) << day;
  // 2024-10-27 00:30 UT is 02:30 CEST, 01:30 UT is 02:30 CET.
  const Instant first{2460611 - 0.5 + 0.5 / 24}, second{2460611 - 0.5 + 1.5 / 24};
  for (const auto& [at, offset] : {std::pair{first, 7200}, {second, 3600}}) {
    const LocalMinute local = ToLocalMinute(at, berlin);
    EXPECT_EQ(local.minuteOfDay, 150) << offset;
    EXPECT_EQ(local.offsetSeconds, offset);
    EXPECT_NEAR(InstantOf(local).ut, at.ut, 1e-9) << offset;
  }
  // A birth in the repeated hour or the skipped one reads with the earlier offset.
  EXPECT_NEAR(FromLocal(2460611, 9000, berlin).ut, first.ut, 1e-9);
  EXPECT_NEAR(FromLocal(2460401, 9000, berlin).ut, 2460401 - 0.5 + 1.5 / 24, 1e-9);
  // Asia/Beirut skipped midnight on 2024-03-31: that day starts at the change.
  const Zone beirut = *Zone::Named("Asia/Beirut");
  EXPECT_EQ(beirut.ReadLocal(2460401, 0).kind, LocalReading::Kind::Skipped);
  EXPECT_NEAR(LocalMidnight(2460401, beirut).ut, 2460401 - 0.5 - 2.0 / 24, 1e-9);
  EXPECT_EQ(LocalDay(LocalMidnight(2460401, beirut), beirut), 2460401);
  EXPECT_EQ(LocalDay(LocalMidnight(2460401, beirut) - 1e-6, beirut), 2460400);
}

TEST(NamedZone, NamesTheDatabaseDoesNotKnow) {
  for (const char* name : {"Europe/Berln", "Berlin", "../../etc/passwd", "/usr/share/zoneinfo/UTC", "", "localtime",
                           "Europe/", "zone.tab"}) {
    std::string why;
    EXPECT_FALSE(Zone::Named(name, &why)) << name;
    EXPECT_EQ(why.rfind(std::string("no zone ") + name + " in the time zone database", 0), 0u) << why;
  }
  std::string why;
  Zone::Named("Europe/Berln", &why);
  EXPECT_EQ(why,
            "no zone Europe/Berln in the time zone database; nearest: Europe/Berlin, Europe/Dublin, Europe/Jersey");
  EXPECT_EQ(NearestZoneNames("kolkata", 1), std::vector<std::string>{"Asia/Kolkata"});
  // Named zones are equal by name, never to a fixed zone of the same text.
  EXPECT_EQ(*Zone::Named("Asia/Tokyo"), *Zone::Named("Asia/Tokyo"));
  EXPECT_NE(*Zone::Named("Asia/Tokyo"), *Zone::Named("Asia/Seoul"));
  EXPECT_NE(*Zone::Named("UTC"), Zone::Fixed(0, "UTC"));
}

// The rule after a zone's listed changes, as POSIX writes it.
TEST(NamedZone, FooterRules) {
  ZoneFooterRule rule;
  ASSERT_TRUE(ParseZoneFooter("<+0530>-5:30", rule));
  EXPECT_FALSE(rule.hasDaylight);
  for (const char* bad : {"", "CE", "CET", "CET-1CEST", "CET-1CEST,M3.5.0", "CET-1CEST,M13.5.0,M10.5.0",
                          "CET-1CEST,M3.6.0,M10.5.0", "<+05-5", "CET-1CEST,M3.5.0/200,M10.5.0", "CET-1 "})
    EXPECT_FALSE(ParseZoneFooter(bad, rule)) << bad;
  // All year on daylight time: the rule's end and next start meet.
  ASSERT_TRUE(ParseZoneFooter("EST5EDT,0/0,J365/25", rule));
  const ZoneRules summer("summer", {}, {}, {{-18000, false, "EST"}}, rule);
  for (const int64_t at : {4102444800LL /* 2100-01-01 */, 4118083200LL, 4133894400LL + 3600})
    EXPECT_EQ(summer.PeriodAt(at).offsetSeconds, -14400) << at;
}

// Files that are no zone files, or cut short, are refused, never read past their end.
TEST(NamedZone, DamagedFiles) {
  std::string bytes;
  {
    std::ifstream in(fs::path(ZoneInfoFolder()) / "Europe/Berlin", std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ASSERT_GT(bytes.size(), 100u);
  std::string why;
  ASSERT_TRUE(ParseZoneFile("Europe/Berlin", bytes, why));
  for (const size_t cut : {size_t{0}, size_t{3}, size_t{43}, size_t{44}, size_t{60}, bytes.size() / 2}) {
    EXPECT_FALSE(ParseZoneFile("cut", bytes.substr(0, cut), why)) << cut;
    EXPECT_EQ(why, "the file of zone cut is not a zone file");
  }
  std::string wrong = bytes;
  wrong[0] = 'X';
  EXPECT_FALSE(ParseZoneFile("wrong", wrong, why));
}

}  // namespace
}  // namespace skyloom
