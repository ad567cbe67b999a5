#include "cli/arguments.h"

#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string_view>
#include <vector>

#include "calendar/birth_place.h"
#include "calendar/birth_zone.h"
#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "engine/bodies.h"
#include "report/files.h"
#include "report/program.h"
#include "runs/ordered_work.h"

namespace skyloom::cli {

const char* const kUsage =
    "Usage: skyloom-cli world|personal BODY1 BODY2 --start YYYY-MM-DD --end YYYY-MM-DD\n"
    "                   [--orbs OUTER,MIDDLE,INNER] [--aspects major|all|NAME,...] [--zone ZONE]\n"
    "                   [--birth YYYY-MM-DD --birth-time HH:MM --birth-zone ZONE] [--sidereal]\n"
    "                   [--show-all outer|inner|every] [--search ASPECT [--keep-dates]]\n"
    "                   [--stations] [--ingresses] [--with-moon]\n"
    "                   [--birth-place PLACE] [--houses SYSTEM] [--house-ingresses]\n"
    "                   [--eclipses] [--lunations] [--void-of-course] [--progressed|--directed]\n"
    "                   [--html FILE] [--ics FILE] [--csv FILE] [--json FILE]\n"
    "                   [--timeline FILE.svg|FILE.png] [--jobs N]\n"
    "                   [--chart NAME | --charts all|tag:TAG] [--chart-store FILE]\n";

const char* const kHelp =
    "Computes astrological transits as the Skyloom window does and prints the report.\n"
    "\n"
    "world BODY1 BODY2      two moving bodies: BODY1 the inner (Sun .. Neptune, or the\n"
    "                       Moon), BODY2 the outer (Mercury .. Pluto).\n"
    "personal BODY1 BODY2   BODY1 the transiting body (Sun .. Pluto, or the Moon), BODY2 the\n"
    "                       natal body (Sun .. Pluto, Moon) at the birth given with --birth.\n"
    "                       The Moon as the moving body crosses 12 to 15 degrees a day: a\n"
    "                       year to one natal body has about a hundred transits, several\n"
    "                       may fall on one day, and a middle or inner orb entered and left\n"
    "                       between two midnights shows that day as both its dates. Its\n"
    "                       outer orb must be at least 9 degrees, wider than its motion in a\n"
    "                       day, so that each pass holds a midnight.\n"
    "                       Bodies by their English names, in any letter case.\n"
    "                       Besides these, \"North Node\" (true node), \"Mean Node\" and\n"
    "                       Chiron may be either body in both modes (a world pair with one\n"
    "                       of them is taken in the order given; the two nodes are never\n"
    "                       paired). Chiron is known from 0675-01-04 only.\n"
    "                       In personal mode BODY2 may also be a point of the natal chart\n"
    "                       at the birth place (--birth-place needed): Ascendant,\n"
    "                       Midheaven, or a house cusp \"Cusp 2\" .. \"Cusp 12\" (also Cusp2)\n"
    "                       of the --houses system. The Midheaven is always the MC; in the\n"
    "                       equal and whole-sign systems Cusp 10 is their tenth cusp.\n"
    "--start, --end DATE    the period, both days included: YYYY-MM-DD exactly (four-digit\n"
    "                       year, no sign; years 1 to 2799, Pluto and the Moon 1600 to\n"
    "                       2099); at least 3 days apart.\n"
    "--orbs O,M,I           outer, middle and inner orb in whole degrees (default 10,5,2);\n"
    "                       each at least 2 smaller than the one before, in a Show-all\n"
    "                       series too. The three orbs apply to every aspect alike.\n"
    "--aspects SET          the aspects looked for: 'major' (the default: conjunction 0,\n"
    "                       opposition 180, square 90, trine 120, sextile 60), 'all' (the\n"
    "                       major ones and semisextile 30, semisquare 45, quintile 72,\n"
    "                       sesquiquadrate 135, biquintile 144, quincunx 150), or some of\n"
    "                       these eleven named, comma-separated. Aspects closer together\n"
    "                       than two outer orbs can both hold on one day: each transit is\n"
    "                       reported on its own. The report's column shows\n"
    "                       \"Sesquiquad.\"; the files give the full name.\n"
    "--zone ZONE            zone of the results: a fixed offset from the window's list\n"
    "                       (GMT, GMT+5:30, GMT-8:00, ...), one of the North American\n"
    "                       abbreviations such as EST/CDT (a fixed offset too), a tz\n"
    "                       database name such as Europe/Berlin (its summer time and\n"
    "                       history included: each date and minute is local time then,\n"
    "                       and a day runs from one local midnight to the next, 23 or 25\n"
    "                       hours where the clocks change), or 'local', this machine's\n"
    "                       zone by its name (the default; a machine whose zone has no\n"
    "                       name is taken at its present offset, with a note).\n"
    "--birth DATE           birth date (personal mode), YYYY-MM-DD.\n"
    "--birth-time HH:MM     local birth time, any minute from 00:00 to 23:59 (use 12:00 if\n"
    "                       not known).\n"
    "--birth-zone ZONE      zone of the birth time: an offset from the list (use GMT if not\n"
    "                       known), or a tz database name such as Europe/Berlin,\n"
    "                       America/New_York or Asia/Kolkata. A name gives the offset the\n"
    "                       zone kept at the birth time, daylight-saving time and historic\n"
    "                       changes included, to the second before standard time (local\n"
    "                       mean time: Europe/Berlin in 1890 is GMT+0:53:28), and the\n"
    "                       report's title shows it:\n"
    "                       \"14:30 Europe/Berlin (GMT+2:00)\". A time that the zone repeated\n"
    "                       (clocks set back) or skipped (clocks set forward) that day is\n"
    "                       refused with both readings named: give the offset instead.\n"
    "                       LMT: the local mean time of the birth place (--birth-place),\n"
    "                       the clock of its meridian, four minutes to the degree of\n"
    "                       longitude, to the second: \"LMT (GMT+0:53:37)\" at 13.405 east.\n"
    "--birth-place PLACE    where the birth was: LAT,LON in decimal degrees, north and east\n"
    "                       positive (52.52,13.405; -33.87,151.21), or a city of the atlas\n"
    "                       (about 24,000 cities of the geonames library) by its name, with\n"
    "                       its ISO country code after a comma where the name is not\n"
    "                       enough: Berlin, \"Paris, FR\". A city gives its zone when\n"
    "                       --birth-zone is not given; coordinates need --birth-zone. A name\n"
    "                       that several cities carry is refused with each of them listed.\n"
    "--sidereal             sidereal instead of tropical zodiac (personal mode).\n"
    "--houses SYSTEM        the house system of the natal cusps (personal mode): placidus\n"
    "                       (the default), koch, regiomontanus, campanus, porphyry, equal\n"
    "                       or whole-sign; sidereal with --sidereal as the bodies are.\n"
    "                       Placidus and Koch have no cusps inside the polar circles: a\n"
    "                       run that needs their cusps there is refused (exit status 1),\n"
    "                       naming the systems that hold there.\n"
    "--house-ingresses      after the transits, a table of the transiting body's entries\n"
    "                       into the natal houses (--birth-place needed): the house entered,\n"
    "                       local date and minute, and whether the body moves retrograde.\n"
    "                       They go into --ics, --csv and --json as records of their own\n"
    "                       (house_ingress).\n"
    "--show-all outer|inner|every\n"
    "                       the Show-all series: 'outer' pairs BODY2 with every other body\n"
    "                       (world) or runs every transiting body to natal BODY2 (personal);\n"
    "                       'inner' runs BODY1 to every natal body (personal only); 'every'\n"
    "                       runs every transiting body to every natal body, the whole chart:\n"
    "                       for each transiting body in list order (Sun .. Pluto) its\n"
    "                       'inner' series, one report after the other (personal only);\n"
    "                       with --birth-place the natal Ascendant and Midheaven follow\n"
    "                       the Moon in each.\n"
    "--with-moon            with --show-all every: the transiting Moon's series after\n"
    "                       Pluto's (its outer orb at least 9 degrees).\n"
    "--search ASPECT        the first complete transit of ASPECT (any of the eleven aspects\n"
    "                       of --aspects) after the end date, with the outer orb as the\n"
    "                       search orb (the middle and inner orb follow from it, told on\n"
    "                       standard error when --orbs gave others); the new dates are told\n"
    "                       on standard error unless --keep-dates is given. The report\n"
    "                       shows that aspect's transit only.\n"
    "--stations             after the transits, a table of the stations of the moving\n"
    "                       bodies (both in world mode, the transiting one in personal mode)\n"
    "                       in the period: retrograde or direct, local date and minute, and\n"
    "                       the position in the zodiac. Sun, Moon and Mean Node never station.\n"
    "--ingresses            then a table of the same bodies' sign ingresses in the run's\n"
    "                       zodiac: the sign entered, local date and minute, and whether the\n"
    "                       body moves retrograde. Both go into --ics, --csv and --json as\n"
    "                       records of their own, and stations onto the timeline.\n"
    "--eclipses             after the transits (and stations and ingresses), a table of the\n"
    "                       solar and lunar eclipses in the period: kind (total, annular,\n"
    "                       hybrid or partial solar; total, partial or penumbral lunar),\n"
    "                       local date and minute of greatest eclipse, the eclipsed body's\n"
    "                       position; in personal mode the natal bodies (and, with\n"
    "                       --birth-place, the Ascendant and Midheaven) it aspects within\n"
    "                       the outer orb.\n"
    "--lunations            then a table of the new and full Moons: local date and minute,\n"
    "                       the Moon's position, and in personal mode the natal points\n"
    "                       they aspect within the outer orb.\n"
    "--void-of-course       then a table of the Moon's void-of-course spells: from its last\n"
    "                       exact major aspect to a body from Sun to Pluto in a sign until\n"
    "                       it enters the next sign, beginning and end to the minute.\n"
    "                       All three go into --ics, --csv and --json as records of their\n"
    "                       own (eclipse, lunation, void_of_course).\n"
    "--progressed           personal mode with the moving body secondary-progressed: its\n"
    "                       position a day after birth for each year of life (365.2422\n"
    "                       days). Orb dates are the dates of the progressed aspect; the\n"
    "                       exact column the local date and minute it becomes exact.\n"
    "--directed             personal mode with the moving body solar-arc directed: its\n"
    "                       natal position moved by the progressed Sun's arc.\n"
    "--html FILE            also write the report as HTML tables into FILE (in a series one\n"
    "                       table for each run).\n"
    "--ics FILE             also write the transits as iCalendar events into FILE: an event\n"
    "                       over each transit's outer orb, from the minute the pair entered\n"
    "                       it to the minute it left (the period's first or last midnight\n"
    "                       where it was already or still in orb), and a one-minute event at\n"
    "                       each exact aspect (in UTC). Importing the file of a new run of\n"
    "                       the same period updates these events instead of doubling them.\n"
    "--csv FILE             also write one CSV record per row of the report into FILE:\n"
    "                       dates as YYYY-MM-DD, exact times in UTC and in the results zone,\n"
    "                       closest approaches in decimal degrees; after these, each orb\n"
    "                       entry and exit also to the minute it happened, in UTC and in\n"
    "                       the results zone.\n"
    "--json FILE            also write the same records as a JSON document into FILE.\n"
    "--timeline FILE        also draw the transits as a timeline of their orbs, as the\n"
    "                       window's timeline shows it, into FILE (.svg or .png); of a\n"
    "                       whole chart at most 10 years, of another series at most 100.\n"
    "--jobs N               compute the runs of a Show-all series on N threads, and a run\n"
    "                       of two years or more in stretches on up to N (default: as many as\n"
    "                       the machine has cores; 1: everything on one thread).\n"
    "                       The report and the files are the same for any N.\n"
    "--chart NAME           the birth data of a chart of the collection, in place of --birth,\n"
    "                       --birth-time, --birth-zone and --birth-place.\n"
    "--charts all|tag:TAG   the personal run (or the series) for every chart of the\n"
    "                       collection, or those with the tag, one report after another.\n"
    "--chart-store FILE     the chart collection to use (default:\n"
    "                       $XDG_DATA_HOME/skyloom/charts.sqlite). skyloom-cli charts --help\n"
    "                       tells how charts are added, listed, removed, imported, exported.\n"
    "--version              print the program's version and stop.\n"
    "\n"
    "Files hold every transit of the run, or of the whole series. A file is named by its\n"
    "bytes as given, and one file only once however it is spelled (through a link, say).\n"
    "A file is written whole into a temporary beside it that then takes its place; one\n"
    "that may not be written (read-only), or whose folder takes no new file, is left as\n"
    "it was. A link is followed to the file it names; a file of several names (hard\n"
    "links) is written in place once its whole text stands ready. With FILE - one of the\n"
    "files (at most one) goes to standard output in place of the report; --timeline -\n"
    "draws SVG.\n"
    "\n"
    "The report goes to standard output as each transit is finished, however long the\n"
    "period; each message the window would show goes to standard error as \"title: text\".\n"
    "skyloom-cli places NAME[, COUNTRY] lists the atlas's cities whose names match NAME,\n"
    "one a line: NAME | REGION | COUNTRY | LAT | LON | ZONE (exit status 1 with none).\n"
    "\n"
    "Exit status:\n"
    "  0  everything asked was done;\n"
    "  1  a check refused the inputs (nothing is run, no file written), the birth time\n"
    "     fell in an hour the birth zone repeated or skipped, or a check cut a Show-all\n"
    "     series short (what ran is printed and written);\n"
    "  2  unusable arguments, refused before any run;\n"
    "  3  a file, or standard output, could not be written (told once as\n"
    "     \"skyloom-cli: cannot write FILE: reason\"), its reader gone early included\n"
    "     (the other files are still written); a file that cannot be opened is told\n"
    "     before the run, and nothing is run.\n"
    "\n"
    "Examples:\n"
    "  skyloom-cli world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT\n"
    "  skyloom-cli personal Saturn Sun --start 2024-01-01 --end 2024-12-31 \\\n"
    "      --birth 1970-03-15 --birth-time 14:37 --birth-zone Europe/Berlin --zone GMT\n"
    "  skyloom-cli world Mars Jupiter --start 2025-01-01 --end 2025-01-31 --search opposition\n"
    "  skyloom-cli personal Saturn Sun --start 2024-01-01 --end 2024-12-31 \\\n"
    "      --birth 1890-03-15 --birth-time 06:00 --birth-place \"Paris, FR\" --birth-zone LMT\n"
    "  skyloom-cli personal Saturn Ascendant --start 2024-01-01 --end 2024-12-31 \\\n"
    "      --birth 1970-03-15 --birth-time 14:37 --birth-place Berlin --house-ingresses\n"
    "  skyloom-cli places Springfield\n";

namespace {

// The longest periods --timeline draws for a series, in calendar years.
constexpr int kTimelineChartYears = 10;
constexpr int kTimelineSeriesYears = 100;

[[noreturn]] void Unusable(const std::string& why) { throw UnusableArguments(why); }

std::string Lower(std::string text) { return AsciiLowerCase(std::move(text)); }

// A place text that names no birth place: why, and the places it may have
// meant one a line, as "skyloom-cli places" lists them. The usage would
// only push them out of sight.
[[noreturn]] void UnusablePlace(const PlaceReading& reading) {
  std::string text = "--birth-place: " + reading.why;
  for (const Place& p : reading.candidates) text += "\n" + PlaceLine(p);
  throw UnusableArguments(text, /*withUsage=*/false);
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct DateParts {
  int year = 0, month = 0, day = 0;
  EnteredDate entered;
};

// YYYY-MM-DD and nothing else. Month and day are tested against their
// widest ranges here; whether the day exists in that month is a check of
// the run's, with its own message.
DateParts StrictDate(const std::string& option, const std::string& text) {
  const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' && AllDigits(text.substr(0, 4)) &&
                      AllDigits(text.substr(5, 2)) && AllDigits(text.substr(8, 2));
  DateParts d;
  if (shaped) {
    d.year = std::stoi(text.substr(0, 4));
    d.month = std::stoi(text.substr(5, 2));
    d.day = std::stoi(text.substr(8, 2));
    // As a date box keeps it once left: the year without leading zeros.
    d.entered = {StripLeading(text.substr(0, 4), "0"), text.substr(5, 2), text.substr(8, 2)};
  }
  if (!shaped || d.year == 0 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31)
    Unusable(option + " takes a date as YYYY-MM-DD (year 0001 or later, month 01 to 12, day 01 to 31), not " + text);
  return d;
}

std::array<int16_t, 3> StrictOrbs(const std::string& text) {
  std::array<int16_t, 3> orbs{};
  size_t from = 0;
  for (size_t k = 0; k < 3; ++k) {
    const size_t comma = k < 2 ? text.find(',', from) : text.size();
    const std::string part = comma == std::string::npos ? std::string() : text.substr(from, comma - from);
    if (part.size() > 2 || !AllDigits(part)) Unusable("--orbs takes three whole degrees, such as 10,5,2, not " + text);
    orbs[k] = static_cast<int16_t>(std::stoi(part));
    if (orbs[k] < 1 || orbs[k] > 15) Unusable("orbs are 1 to 15 degrees, not " + text);
    from = comma + 1;
  }
  return orbs;
}

bool EndsWithLower(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && Lower(text.substr(text.size() - suffix.size())) == suffix;
}

bool DayExists(const DateParts& d) {
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  return d.day <= kDays[d.month - 1] && !(d.month == 2 && d.day == 29 && !leap);
}

// The bodies each of the window's lists offers, in list order.
std::vector<BodyIndex> ListBodies(bool world, int list) {
  const BodyIndex first = world && list == 1 ? Mercury : Sun;
  const BodyIndex last = world ? (list == 0 ? Neptune : Pluto) : (list == 0 ? Pluto : Moon);
  std::vector<BodyIndex> bodies;
  for (BodyIndex b = first; b <= last; ++b) bodies.push_back(b);
  return bodies;
}

// ---------------------------------------------------------------------------
// The natal chart's points and houses.

// A natal point by its name: the natal body of a personal run only, the
// moving bodies having no houses of their own. 0 for a name of no point.
BodyIndex ChoosePoint(bool world, int list, const std::string& name) {
  const BodyIndex point = NatalPointByName(name);
  if (point != 0 && (world || list != 1))
    Unusable(BodyName(point) +
             " is a point of the natal chart: it can only be the natal body (BODY2) of a personal run");
  return point;
}

// --houses and --house-ingresses into the request: personal mode only.
void ReadHouses(RunRequest& r, bool world, bool systemGiven, const std::string& system, bool ingresses) {
  if (world && (systemGiven || ingresses)) Unusable("--houses and --house-ingresses belong to personal mode");
  if (systemGiven) {
    const std::optional<HouseSystem> chosen = HouseSystemByName(system);
    if (!chosen) {
      std::string names;
      for (int k = 0; k < HouseSystemCount; ++k)
        names += (k > 0 ? ", " : "") + HouseSystemName(static_cast<HouseSystem>(k));
      Unusable("--houses takes one of " + names + ", not " + system);
    }
    r.houses = *chosen;
  }
  r.houseIngresses = ingresses;
}

// ---------------------------------------------------------------------------

// A body by its name as the window's list for its role offers it, or one of
// the command line's own (the nodes and Chiron), in either role.
BodyIndex ChooseBody(bool world, int list, const std::string& name, const char* role) {
  if (const BodyIndex point = ChoosePoint(world, list, name)) return point;
  const std::vector<BodyIndex> offered = ListBodies(world, list);
  for (const BodyIndex b : offered)
    if (Lower(BodyNames[b]) == Lower(name)) return b;
  const BodyIndex extra = BodyByName(name);
  if (extra > LastWindowBody) return extra;
  // The window moves no Moon; the command line takes it as the moving body
  // (the transiting one, or the first of a world pair).
  if (extra == Moon && list == 0) return Moon;
  std::string entries;
  for (const BodyIndex b : offered) entries += BodyNames[b] + ", ";
  if (list == 0) entries += BodyNames[Moon] + ", ";
  Unusable(name + " is not offered as the " + role + "; choose one of " + entries + BodyNames[NorthNode] + ", " +
           BodyNames[MeanNode] + ", " + BodyNames[Chiron]);
}

// The zone lists of the window: a zone is found by its text, in the lists as
// they read; showing the North American abbreviations (for a zone given by
// one) changes how both lists read.
// Why a zone is neither in the list nor in the tz database.
std::string ZoneNotFound(const std::string& name, const std::string& why) {
  // An offset beyond the list is no misspelt name: the database's nearest
  // spellings (Etc/GMT+10 is ten hours west) would only mislead.
  const std::string lower = Lower(name);
  if ((lower.rfind("gmt", 0) == 0 || lower.rfind("utc", 0) == 0) && lower.size() > 3 &&
      (lower[3] == '+' || lower[3] == '-'))
    return "no zone " + name + " in the list, whose offsets run from " + TimezoneText(FirstZonePosition, false) +
           " to " + TimezoneText(LastZonePosition, false) + "; beyond them, give the place's tz database name";
  // The list was looked in before the database.
  const std::string none = "no zone " + name + " in the time zone database";
  if (why.compare(0, none.size(), none) != 0) return why;
  return "no zone " + name + " in the list or in the time zone database" + why.substr(none.size());
}

struct ZoneLists {
  bool abbreviations = false;
  int16_t Find(const std::string& text) {
    int16_t position = FindIn(text);
    if (position < 0 && !abbreviations) {
      for (int16_t p = FirstZonePosition; p < TimezoneEntryCount; ++p) {
        if (Lower(TimezoneText(p, true)) == Lower(text)) {
          abbreviations = true;
          return FindIn(text);
        }
      }
    }
    return position;
  }
  Zone ZoneAt(int16_t position) const {
    return Zone::Fixed(ZoneMinutesOfPosition(position) * 60, TimezoneText(position, abbreviations));
  }

 private:
  int16_t FindIn(const std::string& text) const {
    for (int16_t p = FirstZonePosition; p < TimezoneEntryCount; ++p)
      if (Lower(TimezoneText(p, abbreviations)) == Lower(text)) return p;
    return -1;
  }
};

enum OptionId {
  kStart = 1000,
  kEnd,
  kOrbs,
  kZone,
  kBirth,
  kBirthTime,
  kBirthZone,
  kSidereal,
  kShowAll,
  kSearch,
  kKeepDates,
  kStations,
  kIngresses,
  kHtml,
  kIcs,
  kCsv,
  kJson,
  kTimeline,
  kHelpOption,
  kVersionOption,
  kBirthPlace,
  kHouses,
  kHouseIngresses,
  kAspects,
  kWithMoon,
  kJobs,
  kEclipses,
  kLunations,
  kVoidOfCourse,
  kProgressed,
  kDirected
};

const option kOptions[] = {{"start", required_argument, nullptr, kStart},
                           {"end", required_argument, nullptr, kEnd},
                           {"orbs", required_argument, nullptr, kOrbs},
                           {"zone", required_argument, nullptr, kZone},
                           {"birth", required_argument, nullptr, kBirth},
                           {"birth-time", required_argument, nullptr, kBirthTime},
                           {"birth-zone", required_argument, nullptr, kBirthZone},
                           {"sidereal", no_argument, nullptr, kSidereal},
                           {"show-all", required_argument, nullptr, kShowAll},
                           {"search", required_argument, nullptr, kSearch},
                           {"keep-dates", no_argument, nullptr, kKeepDates},
                           {"stations", no_argument, nullptr, kStations},
                           {"ingresses", no_argument, nullptr, kIngresses},
                           {"html", required_argument, nullptr, kHtml},
                           {"ics", required_argument, nullptr, kIcs},
                           {"csv", required_argument, nullptr, kCsv},
                           {"json", required_argument, nullptr, kJson},
                           {"timeline", required_argument, nullptr, kTimeline},
                           {"help", no_argument, nullptr, kHelpOption},
                           {"version", no_argument, nullptr, kVersionOption},
                           {"birth-place", required_argument, nullptr, kBirthPlace},
                           {"houses", required_argument, nullptr, kHouses},
                           {"house-ingresses", no_argument, nullptr, kHouseIngresses},
                           {"aspects", required_argument, nullptr, kAspects},
                           {"with-moon", no_argument, nullptr, kWithMoon},
                           {"jobs", required_argument, nullptr, kJobs},
                           {"eclipses", no_argument, nullptr, kEclipses},
                           {"lunations", no_argument, nullptr, kLunations},
                           {"void-of-course", no_argument, nullptr, kVoidOfCourse},
                           {"progressed", no_argument, nullptr, kProgressed},
                           {"directed", no_argument, nullptr, kDirected},
                           {nullptr, 0, nullptr, 0}};

constexpr int kFileIds[] = {kHtml, kIcs, kCsv, kJson, kTimeline};

// --aspects: major, all, or aspects by name, comma-separated.
AspectSet StrictAspects(const std::string& text) {
  const std::string lower = Lower(text);
  if (lower == "major") return AspectSet::Major();
  if (lower == "all") return AspectSet::All();
  AspectSet set;
  size_t from = 0;
  for (;;) {
    const size_t comma = lower.find(',', from);
    const std::string name = lower.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    const AspectIndex aspect = AspectByName(name);
    if (aspect == 0) {
      std::string entries;
      for (AspectIndex k = 1; k <= AspectCount; ++k) entries += (k > 1 ? ", " : "") + Lower(AspectName(k));
      Unusable("--aspects takes major, all or aspects named from " + entries + ", not " + text);
    }
    set.Add(aspect);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return set;
}

}  // namespace

int TellUnusable(const UnusableArguments& refusal) {
  std::fprintf(stderr, "skyloom-cli: %s\n%s", refusal.what(), refusal.WithUsage() ? kUsage : "");
  return kUnusable;
}

int PrintHelp() {
  errno = 0;
  std::fputs(kUsage, stdout);
  std::fputs("\n", stdout);
  std::fputs(kHelp, stdout);
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return kDone;
  std::fprintf(stderr, "skyloom-cli: cannot write standard output: %s\n", std::strerror(errno != 0 ? errno : EIO));
  return kNotWritten;
}

int PrintVersion() {
  errno = 0;
  std::printf("skyloom-cli (%s) %d.%d\n", ProgramTitle, ProgramVersionMajor, ProgramVersionMinor);
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return kDone;
  std::fprintf(stderr, "skyloom-cli: cannot write standard output: %s\n", std::strerror(errno != 0 ? errno : EIO));
  return kNotWritten;
}

std::vector<std::string> LongOptions() {
  std::vector<std::string> names;
  for (const option& o : kOptions)
    if (o.name != nullptr) names.push_back(std::string("--") + o.name);
  return names;
}

Arguments ParseArguments(int argc, char** argv, const Atlas& atlas) {
  // getopt keeps its place in globals: the charts of a batch are read on
  // several threads, one at a time here.
  static std::mutex reading;
  const std::lock_guard<std::mutex> lock(reading);
  std::vector<std::string> positional;
  std::set<int> seen;
  std::map<int, std::string> values;
  opterr = 0;
  // getopt keeps a pointer into the last argv it read; a call with optind 0
  // on an empty argv starts it afresh for this one.
  static char program[] = "skyloom-cli";
  static char* const empty[] = {program, nullptr};
  optind = 0;
  getopt_long(1, empty, "+h", kOptions, nullptr);
  optind = 1;
  // "+" keeps getopt from reordering: words that are not options are the
  // mode and the bodies wherever they stand, which the loop collects itself.
  int index = -1;
  while (optind < argc) {
    const std::string word = argv[optind];
    // Words that are not options of ours are the mode and the bodies,
    // wherever they stand; a word of one dash is no option either.
    if (word == "--") Unusable("unknown option --");
    if (word.rfind("--", 0) != 0 && word != "-h") {
      positional.push_back(word);
      ++optind;
      continue;
    }
    index = -1;
    const int before = optind;
    const int id = getopt_long(argc, argv, "+h", kOptions, &index);
    if (id == -1) break;
    const std::string typed = argv[before];
    if (id == 'h' || id == kHelpOption) {
      if (typed != "-h" && typed != "--help") Unusable("unknown option " + typed);
      Arguments help;
      help.help = true;
      return help;
    }
    if (id == kVersionOption && typed == "--version") {
      Arguments version;
      version.version = true;
      return version;
    }
    if (id == '?' || id == ':') {
      // An option getopt does not know, or one missing its value.
      const std::string name = typed.substr(0, typed.find('='));
      for (const option& o : kOptions)
        if (o.name != nullptr && name == std::string("--") + o.name && o.has_arg == required_argument)
          Unusable(name + " needs a value");
      Unusable("unknown option " + name);
    }
    // Options are spelled out whole, never shortened.
    const std::string name = typed.substr(0, typed.find('='));
    if (name != std::string("--") + kOptions[index].name) Unusable("unknown option " + name);
    if (!seen.insert(id).second) Unusable(name + " is given twice");
    if (kOptions[index].has_arg == required_argument) {
      const std::string value = optarg != nullptr ? optarg : "";
      const bool file = std::find(std::begin(kFileIds), std::end(kFileIds), id) != std::end(kFileIds);
      // A file option followed by another option has no file: the option is
      // not taken as the name of a file to write over.
      if (file && value.rfind("--", 0) == 0 && typed.find('=') == std::string::npos)
        Unusable(name + " needs a file name, not " + value);
      values[id] = value;
    } else {
      values[id] = "";
    }
  }

  if (positional.size() != 3) Unusable("expected the mode and two bodies");
  const std::string mode = Lower(positional[0]);
  if (mode != "world" && mode != "personal") Unusable("the mode is world or personal, not " + positional[0]);
  const bool world = mode == "world";
  auto has = [&](int id) { return values.count(id) != 0; };
  if (!has(kStart) || !has(kEnd)) Unusable("--start and --end are needed");
  const DateParts start = StrictDate("--start", values[kStart]);
  const DateParts end = StrictDate("--end", values[kEnd]);
  std::optional<DateParts> birth;
  if (has(kBirth)) birth = StrictDate("--birth", values[kBirth]);
  std::optional<int16_t> birthHour, birthMinute;
  if (has(kBirthTime)) {
    const std::string& t = values[kBirthTime];
    const bool shaped = t.size() == 5 && t[2] == ':' && AllDigits(t.substr(0, 2)) && AllDigits(t.substr(3, 2));
    if (!shaped || std::stoi(t.substr(0, 2)) > 23 || std::stoi(t.substr(3, 2)) > 59)
      Unusable("--birth-time takes HH:MM from 00:00 to 23:59, not " + t);
    birthHour = static_cast<int16_t>(std::stoi(t.substr(0, 2)));
    birthMinute = static_cast<int16_t>(std::stoi(t.substr(3, 2)));
  }
  std::optional<std::string> showAll, search;
  if (has(kShowAll)) showAll = Lower(values[kShowAll]);
  if (has(kSearch)) search = Lower(values[kSearch]);
  if (showAll && *showAll != "outer" && *showAll != "inner" && *showAll != "every")
    Unusable("--show-all takes outer, inner or every");
  if (showAll && search) Unusable("--show-all and --search cannot be combined");
  if (has(kKeepDates) && !search) Unusable("--keep-dates goes with --search");
  if (world && (birth || has(kBirthTime) || has(kBirthZone) || has(kBirthPlace) || has(kSidereal)))
    Unusable("birth data and --sidereal belong to personal mode");
  if (world && showAll && *showAll != "outer") Unusable("--show-all " + *showAll + " is for personal mode");
  if (has(kWithMoon) && (!showAll || *showAll != "every")) Unusable("--with-moon goes with --show-all every");

  Arguments a;
  if (has(kJobs)) {
    // More threads than the machine has cores would only take turns.
    const std::string& jobs = values[kJobs];
    if (jobs.empty() || jobs.size() > 4 || !AllDigits(jobs) || std::stoi(jobs) < 1)
      Unusable("--jobs takes a number of threads from 1, not " + jobs);
    a.jobs = std::min(static_cast<unsigned>(std::stoi(jobs)), WorkerCount(0));
  }
  RunRequest& r = a.request;
  std::optional<std::string>* files[] = {&r.files.html, &r.files.ics, &r.files.csv, &r.files.json, &r.files.timeline};
  // The same file is refused however it is spelled: by another path, through
  // a link, or by another of its names (a hard link).
  std::vector<std::pair<std::string, std::optional<FileIdentity>>> named;
  int toStandardOutput = 0;
  for (size_t k = 0; k < std::size(kFileIds); ++k) {
    if (!has(kFileIds[k])) continue;
    const std::string& path = values[kFileIds[k]];
    const std::string option = std::string("--") + kOptions[kHtml - kStart + static_cast<int>(k)].name;
    if (path.empty()) Unusable(option + " needs a file name");
    if (path == "-") {
      ++toStandardOutput;
    } else {
      const std::optional<FileIdentity> identity = IdentityOf(path);
      for (const auto& [earlier, earlierIdentity] : named) {
        if (earlier == path) Unusable("two files are named " + path);
        if (identity && identity == earlierIdentity) Unusable("two files are named " + earlier + " and " + path);
      }
      named.emplace_back(path, identity);
    }
    *files[k] = path;
  }
  if (toStandardOutput > 1) Unusable("only one file can go to standard output");
  r.crossingMinutes = r.files.ics || r.files.csv || r.files.json;
  const std::optional<std::string>& timeline = r.files.timeline;
#ifndef SKYLOOM_TIMELINE
  if (timeline) Unusable("this build has no timeline (it was built without Qt)");
#endif
  if (timeline && *timeline != "-" && !EndsWithLower(*timeline, ".svg") && !EndsWithLower(*timeline, ".png"))
    Unusable("--timeline draws .svg or .png files, not " + *timeline);
  // The timeline is drawn from every transit of every run at once, which a
  // long series would hold by the hundred megabytes (and draw past reading).
  if (timeline && showAll) {
    const int years = end.year - start.year + 1;
    const int most = *showAll == "every" ? kTimelineChartYears : kTimelineSeriesYears;
    if (years > most)
      Unusable("--timeline draws at most " + std::to_string(kTimelineChartYears) +
               " years of a whole chart (--show-all every) and " + std::to_string(kTimelineSeriesYears) +
               " years of another series, not " + std::to_string(years));
  }

  r.mode = world ? RunMode::World : RunMode::Personal;
  r.first = ChooseBody(world, 0, positional[1], world ? "inner planet" : "transiting planet");
  r.second = ChooseBody(world, 1, positional[2], world ? "outer planet" : "natal planet");
  r.start = start.entered;
  r.end = end.entered;
  if (has(kOrbs)) r.orbs = StrictOrbs(values[kOrbs]);
  if (has(kAspects)) r.aspects = StrictAspects(values[kAspects]);
  a.orbsGiven = has(kOrbs);

  // The results zone first: showing the abbreviations changes how both
  // lists read. A zone not in the list is a tz database name, or the
  // machine's own zone by its name (the default).
  ZoneLists lists;
  int16_t resultPosition = -1;
  std::optional<Zone> namedResults;
  if (has(kZone)) resultPosition = lists.Find(values[kZone]);
  if (resultPosition < 0) {
    if (!has(kZone) || Lower(values[kZone]) == "local") {
      std::string note;
      namedResults = Zone::Local(&note);
      if (!note.empty()) a.notes.push_back(note);
    } else {
      std::string why;
      namedResults = Zone::Named(values[kZone], &why);
      if (!namedResults) Unusable("--zone: " + ZoneNotFound(values[kZone], why));
    }
  }
  if (birth) r.birth.date = birth->entered;
  r.birth.hour = birthHour;
  r.birth.minute = birthMinute;
  std::optional<PlaceReading> place;
  if (has(kBirthPlace)) {
    place = ReadPlace(atlas, values[kBirthPlace]);
    if (!place->Found()) UnusablePlace(*place);
    r.birth.place = place->place;
    if (!has(kBirthZone)) {
      // A place of the atlas keeps the clocks of its tz zone, read as
      // --birth-zone reads the name; coordinates name no zone.
      if (place->kind != PlaceReading::Kind::Named)
        Unusable(
            "--birth-place: coordinates give no zone; give --birth-zone too (LMT for the place's local mean time)");
      values[kBirthZone] = place->zone;
    }
  }
  // Local mean time: the clock of the birth place's meridian, to the second.
  const bool meanTime = has(kBirthZone) && Lower(values[kBirthZone]) == "lmt";
  if (meanTime) {
    if (!place) Unusable("--birth-zone LMT needs --birth-place: local mean time is the time of the place's meridian");
    const int32_t seconds = LocalMeanTimeSeconds(place->place.longitude);
    r.birth.zone = Zone::Fixed(seconds, "LMT (" + OffsetText(seconds) + ")");
  }
  int16_t birthPosition = -1;
  if (has(kBirthZone) && !meanTime) {
    const std::string& name = values[kBirthZone];
    birthPosition = lists.Find(name);
    if (birthPosition < 0) {
      // A tz database name: the offset the zone kept at the birth time, to
      // the second, which the title shows beside the name.
      std::string why;
      const std::optional<Zone> zone = Zone::Named(name, &why);
      if (!zone) Unusable("--birth-zone: " + ZoneNotFound(name, why));
      // Without a whole, existing birth date and time there is nothing to
      // convert; the checks ask for them before they look at the zone.
      if (birth && birthHour && DayExists(*birth)) {
        BirthZoneReading reading =
            ReadBirthZone(name, *zone, birth->year, birth->month, birth->day, *birthHour, *birthMinute);
        if (reading.zone) {
          r.birth.zone = std::move(reading.zone);
        } else {
          a.ambiguousBirth = std::move(reading.ambiguity);
        }
      }
    }
  }
  if (has(kSidereal)) r.zodiac = Zodiac::Sidereal;
  if (search) {
    AspectIndex aspect = 0;
    std::string entries;
    for (AspectIndex k = 1; k <= AspectCount; ++k) {
      const std::string aspectName = AsciiLowerCase(AspectName(k));
      if (aspectName == *search) aspect = k;
      entries += (k > 1 ? ", " : "") + aspectName;
    }
    if (aspect == 0) Unusable("no aspect " + *search + "; choose one of " + entries);
    r.search = aspect;
    r.keepDates = has(kKeepDates);
  }
  if (showAll)
    r.series = *showAll == "outer" ? SeriesKind::Outer : *showAll == "inner" ? SeriesKind::Inner : SeriesKind::Every;
  r.withMoon = has(kWithMoon);
  r.stations = has(kStations);
  r.ingresses = has(kIngresses);
  r.eclipses = has(kEclipses);
  r.lunations = has(kLunations);
  r.voidOfCourse = has(kVoidOfCourse);
  if (has(kProgressed) || has(kDirected)) {
    if (world) Unusable("--progressed and --directed belong to personal mode");
    if (has(kProgressed) && has(kDirected)) Unusable("--progressed and --directed exclude each other");
    if (search) Unusable("--search looks for transits only, not with --progressed or --directed");
    r.progression = has(kProgressed) ? ProgressionKind::Progressed : ProgressionKind::Directed;
  }
  const bool systemGiven = has(kHouses), houseIngresses = has(kHouseIngresses);
  ReadHouses(r, world, systemGiven, systemGiven ? values[kHouses] : std::string(), houseIngresses);
  // The zones read as the lists read once every choice has been made.
  r.zone = namedResults ? *namedResults : lists.ZoneAt(resultPosition);
  if (birthPosition >= 0) r.birth.zone = lists.ZoneAt(birthPosition);
  return a;
}

bool PlacesCommand(int argc, char** argv) { return argc >= 2 && std::string_view(argv[1]) == "places"; }

int ListPlaces(int argc, char** argv, const Atlas& atlas) {
  // The words of the query as one name, so that New York needs no quotes.
  std::string query;
  for (int k = 2; k < argc; ++k) query += (k > 2 ? " " : "") + std::string(argv[k]);
  if (query.substr(0, query.find(',')).find_first_not_of(' ') == std::string::npos) {
    std::fprintf(stderr, "skyloom-cli: places needs a name to look up: skyloom-cli places NAME[, COUNTRY]\n");
    return kUnusable;
  }
  const std::vector<Place> found = SearchPlaces(atlas, query);
  if (found.empty()) {
    std::fprintf(stderr, "skyloom-cli: no place in the atlas matches %s\n", query.c_str());
    return kRefused;
  }
  errno = 0;
  for (const Place& p : found) std::fprintf(stdout, "%s\n", PlaceLine(p).c_str());
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return kDone;
  std::fprintf(stderr, "skyloom-cli: cannot write standard output: %s\n", std::strerror(errno != 0 ? errno : EIO));
  return kNotWritten;
}

}  // namespace skyloom::cli
