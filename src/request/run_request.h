// What a user asks of the program, as one plain value: the window reads its
// controls into one, the command line its arguments. Nothing in it is a
// list position, an item's data or a caption: bodies by identity, orbs in
// degrees, zones as zone values, dates as they were entered.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "calendar/birth_place.h"
#include "calendar/zone.h"
#include "engine/bodies.h"
#include "engine/houses.h"
#include "engine/positions.h"
#include "engine/progressions.h"

namespace skyloom {

enum class RunMode { World, Personal };

// The Show-all series: Outer pairs the second body with every other (world)
// or runs every transiting body to the natal body (personal); Inner runs the
// transiting body to every natal body; Every is the whole natal chart.
enum class SeriesKind { None, Outer, Inner, Every };

// A date as it was entered: the digits of its year, month and day, each
// empty when not given. Whether it is a date at all is for the checks.
struct EnteredDate {
  std::string year, month, day;
  static EnteredDate Of(int32_t year, int32_t month, int32_t day) {
    return {std::to_string(year), std::to_string(month), std::to_string(day)};
  }
  bool operator==(const EnteredDate&) const = default;
};

struct BirthData {
  EnteredDate date;
  std::optional<int16_t> hour;    // 0 .. 23
  std::optional<int16_t> minute;  // 0 .. 59; none with an hour: the full hour
  std::optional<Zone> zone;       // the zone of the birth time
  std::optional<BirthPlace> place;
  // Or, for the zone, a tz database name as typed that the birth time is to
  // be read in: the checks read it (refusing a name the database does not
  // know, and a time the zone repeated or skipped) and give the zone of its
  // offset then.
  std::string zoneName;
  bool operator==(const BirthData&) const = default;
};

// Files a run writes besides its report. An HTML file asked for without a
// name holds the empty text (the window's "Output as HTML" with no file).
struct RunFiles {
  std::optional<std::string> html, ics, csv, json, timeline;
  bool operator==(const RunFiles&) const = default;
};

struct RunRequest {
  RunMode mode = RunMode::World;
  // World: inner and outer body; personal: transiting and natal body, the
  // latter also a natal point (Ascendant, a cusp). 0: none chosen (a world
  // run takes Pluto for a missing inner body).
  BodyIndex first = 0, second = 0;
  EnteredDate start, end;
  std::array<int16_t, 3> orbs{10, 5, 2};  // outer, middle, inner, whole degrees; 0: none chosen
  // The aspects a run looks for, all with the same three orbs. The Search
  // looks for its own aspect only.
  AspectSet aspects = AspectSet::Major();
  std::optional<Zone> zone;  // the zone of every result date and minute
  // Or a tz database name, as typed, for it; the checks find its zone.
  std::string zoneName;
  BirthData birth;                   // personal runs
  Zodiac zodiac = Zodiac::Tropical;  // personal runs may ask for sidereal
  SeriesKind series = SeriesKind::None;
  // The whole chart (Every) also runs the transiting Moon, after Pluto.
  bool withMoon = false;
  // The Search: the first whole transit of this aspect after the end date,
  // with the outer orb as the search orb; keepDates leaves the entered
  // period as it was.
  std::optional<AspectIndex> search;
  bool keepDates = false;
  bool stations = false, ingresses = false;  // tables after the transits
  // Personal runs at a birth place: the house system of the natal cusps,
  // and the table of the transiting body's entries into the natal houses.
  HouseSystem houses = HouseSystem::Placidus;
  bool houseIngresses = false;
  // Tables after the transits: the eclipses, the new and full Moons, and
  // the Moon's void-of-course spells of the period.
  bool eclipses = false, lunations = false, voidOfCourse = false;
  // How a personal run's moving body moves: through the sky, secondary
  // progressed, or solar-arc directed.
  ProgressionKind progression = ProgressionKind::Transit;
  RunFiles files;
  // Whether an orb entry or exit needs the minute the pair crossed the orb:
  // the iCalendar, CSV and JSON files show it, the report only the day. The
  // window can export a run after it ends, so it always wants them.
  bool crossingMinutes = true;
  // The collection's chart a run of a batch is of, named in its titles;
  // empty for every other run.
  std::string chart;

  bool World() const { return mode == RunMode::World; }
  bool operator==(const RunRequest&) const = default;
};

}  // namespace skyloom
