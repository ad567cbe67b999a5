// The system's tz database (Debian's tzdata): a zone's offsets from
// Universal Time through its whole history, read from its compiled file in
// the zoneinfo folder. The file lists the zone's changes up to some year
// (2037 at most) and ends with the rule that holds after them (a POSIX TZ
// text such as "CET-1CEST,M3.5.0,M10.5.0/3"), which is applied here for
// every later year. Before the first change the zone kept its local mean
// time, which the file gives to the second.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace skyloom {

// Seconds since 1970-01-01 00:00 UT, leap seconds not counted.
using UnixSeconds = int64_t;

inline constexpr UnixSeconds kTimeBegins = INT64_MIN;
inline constexpr UnixSeconds kTimeEnds = INT64_MAX;

// A stretch of time over which a zone kept one offset: from begin (included)
// to end (not included); kTimeBegins and kTimeEnds stand for no bound.
struct ZonePeriod {
  UnixSeconds begin = kTimeBegins, end = kTimeEnds;
  int32_t offsetSeconds = 0;  // east of Greenwich
  bool daylight = false;
  std::string abbreviation;  // "CEST", "LMT", "+0530"
};

// The rule of the years after the last listed change.
struct ZoneFooterRule {
  struct Day {
    enum class Form { JulianNoLeap, ZeroBased, MonthWeekDay } form = Form::MonthWeekDay;
    int32_t day = 0;                           // JulianNoLeap 1..365, ZeroBased 0..365
    int32_t month = 0, week = 0, weekday = 0;  // MonthWeekDay: week 5 is the last
    int32_t seconds = 7200;                    // the local time of the change, may be negative or beyond a day
  };
  bool present = false;
  int32_t standardOffset = 0;  // seconds east of Greenwich
  std::string standardAbbreviation;
  bool hasDaylight = false;
  int32_t daylightOffset = 0;
  std::string daylightAbbreviation;
  Day start, end;  // daylight time starts and ends, in the local time then in force
};

// Reads a POSIX TZ text; false if it is not one.
bool ParseZoneFooter(const std::string& text, ZoneFooterRule& rule);

class ZoneRules {
 public:
  struct Type {
    int32_t offsetSeconds = 0;
    bool daylight = false;
    std::string abbreviation;
  };
  ZoneRules(std::string name, std::vector<UnixSeconds> changes, std::vector<uint8_t> typeAfter, std::vector<Type> types,
            ZoneFooterRule footer);

  const std::string& Name() const { return name_; }
  // The period holding the instant.
  ZonePeriod PeriodAt(UnixSeconds at) const;

 private:
  ZonePeriod FooterPeriodAt(UnixSeconds at) const;

  std::string name_;
  std::vector<UnixSeconds> changes_;  // in time order
  std::vector<uint8_t> typeAfter_;    // the type in force from each change on
  std::vector<Type> types_;           // types_[0] holds before the first change
  ZoneFooterRule footer_;
};

// The zoneinfo folder: $TZDIR, else /usr/share/zoneinfo.
std::string ZoneInfoFolder();

// The zone of that name (Europe/Berlin, America/New_York, UTC), read once
// and kept; nullptr when there is none or its file cannot be read, with
// why.
std::shared_ptr<const ZoneRules> LoadZoneRules(const std::string& name, std::string& why);

// The rules of a compiled zone file's bytes; nullptr, with why, if they are
// not one.
std::shared_ptr<const ZoneRules> ParseZoneFile(const std::string& name, const std::string& bytes, std::string& why);

// Every zone name of the database, sorted; empty when the folder cannot be
// read.
std::vector<std::string> ZoneNames();

// The machine's own zone by its database name: the TZ environment variable,
// else the zone file /etc/localtime links to, else /etc/timezone; empty
// when none of them names a zone of the database.
std::string MachineZoneName();

}  // namespace skyloom
