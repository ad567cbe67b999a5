// Whole outputs of runs through the window's own commands, against the files
// kept beside this runner: the report as the output box holds it, the HTML
// table, and for a few runs the iCalendar, CSV and JSON exports. See
// README.md here for how to rewrite the files on purpose.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "calendar/time_zones.h"
#include "engine/bodies.h"
#include "report/exports.h"
#include "support/cli_runner.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

enum class Mode { World, Personal };
using enum Mode;

enum class Command { Start, ShowAllOuter, ShowAllInner, Search };
using enum Command;

// Which exports of a run's results are kept as files. The exporters are
// the same for every run, so a few runs hold them; the rest keep their
// reports only.
enum Exports : unsigned { NoExports = 0, Ics = 1, Csv = 2, Json = 4, AllExports = Ics | Csv | Json };
constexpr Exports operator|(Exports a, Exports b) { return static_cast<Exports>(unsigned{a} | unsigned{b}); }

struct GoldenRun {
  const char* name;
  Mode mode = World;
  BodyIndex first = 0, second = 0;  // world: the two bodies; personal: transiting and natal
  const char* start = nullptr;
  const char* end = nullptr;
  std::array<int16_t, 3> orbs{10, 5, 2};
  const char* zone = "GMT";     // as the results zone list shows it without abbreviations
  const char* birth = nullptr;  // personal runs: YYYY-MM-DD, 12:00 Greenwich time
  bool sidereal = false;
  Command command = Start;
  const char* searchAspect = nullptr;
  const char* stopAt = nullptr;  // Stop is pressed when the run reaches this day
  bool html = false;
  Exports exports = NoExports;
};

// Between them: both modes, five zones, a triple pass, a closest approach,
// the 15-degree switch of the outer orb, a pair in orb on the first day, no
// transits, a Show-all series in each mode, a Search, the sidereal zodiac, a
// stopped run and a full output box (one run, and a series). The exports kept: a world run with an
// exact aspect and a personal one with a closest approach, each kind in full;
// the calendar and JSON of no transits at all; the CSV of a series.
// clang-format off
const GoldenRun kRuns[] = {
    {.name = "world_jupiter_saturn_2020", .mode = World, .first = Jupiter, .second = Saturn,
     .start = "2020-01-01", .end = "2020-12-31", .html = true, .exports = AllExports},
    {.name = "world_sun_mars_orb_switch", .mode = World, .first = Sun, .second = Mars,
     .start = "2021-01-01", .end = "2021-03-31", .orbs = {15, 13, 11}, .zone = "GMT+5:30"},
    {.name = "world_in_orb_on_the_first_day", .mode = World, .first = Jupiter, .second = Saturn,
     .start = "2020-12-10", .end = "2021-01-31", .zone = "GMT-5:00"},
    {.name = "world_sun_mercury_fast", .mode = World, .first = Sun, .second = Mercury,
     .start = "2020-01-01", .end = "2021-12-31", .zone = "GMT+11:30", .html = true},
    {.name = "world_no_transits", .mode = World, .first = Uranus, .second = Neptune,
     .start = "2020-03-01", .end = "2020-03-31", .exports = Ics | Json},
    {.name = "personal_saturn_triple_pass", .mode = Personal, .first = Saturn, .second = Sun,
     .start = "2019-12-01", .end = "2021-03-31", .birth = "1990-01-18"},
    {.name = "personal_saturn_closest_approach", .mode = Personal, .first = Saturn, .second = Sun,
     .start = "2019-12-01", .end = "2021-03-31", .zone = "GMT-11:30", .birth = "1990-01-23", .html = true,
     .exports = AllExports},
    {.name = "personal_jupiter_moon_sidereal", .mode = Personal, .first = Jupiter, .second = Moon,
     .start = "2024-01-01", .end = "2024-12-31", .zone = "GMT-11:30", .birth = "1985-07-04", .sidereal = true},
    {.name = "world_show_all_jupiter", .mode = World, .first = Mars, .second = Jupiter,
     .start = "2020-01-01", .end = "2020-06-30", .command = ShowAllOuter},
    {.name = "personal_show_all_mars", .mode = Personal, .first = Mars, .second = Sun,
     .start = "2024-01-01", .end = "2024-12-31", .zone = "GMT+11:30", .birth = "1985-07-04",
     .command = ShowAllInner, .exports = Csv},
    {.name = "world_search_opposition", .mode = World, .first = Mars, .second = Jupiter,
     .start = "2025-01-01", .end = "2025-01-31", .command = Search, .searchAspect = "opposition"},
    {.name = "world_stopped", .mode = World, .first = Jupiter, .second = Saturn,
     .start = "1950-01-01", .end = "2049-12-31", .stopAt = "1990-06-01"},
    {.name = "world_full_output_box", .mode = World, .first = Sun, .second = Mercury,
     .start = "1600-01-01", .end = "2799-12-31"},
    {.name = "world_show_all_full_output_box", .mode = World, .first = Sun, .second = Neptune,
     .start = "1600-01-01", .end = "2099-12-31", .command = ShowAllOuter},
};
// clang-format on

void PrintTo(const GoldenRun& run, std::ostream* out) { *out << run.name; }

// The files a run keeps, by extension.
std::vector<std::string> KeptExtensions(const GoldenRun& run) {
  std::vector<std::string> kept{".txt"};
  if (run.html) kept.push_back(".html");
  if (run.exports & Ics) kept.push_back(".ics");
  if (run.exports & Csv) kept.push_back(".csv");
  if (run.exports & Json) kept.push_back(".json");
  return kept;
}

fs::path GoldenFolder() { return SKYLOOM_GOLDEN_DIR; }
bool Rewriting() { return std::getenv("SKYLOOM_REWRITE_GOLDEN") != nullptr; }

// Compares one output with its file, or writes the file when rewriting.
void ExpectGolden(const std::string& name, const std::string& got) {
  const fs::path path = GoldenFolder() / name;
  if (Rewriting()) {
    std::ofstream(path, std::ios::binary) << got;
    return;
  }
  ASSERT_TRUE(fs::exists(path)) << path << " is missing: see tests/golden/README.md";
  const std::string want = test::Slurp(path);
  if (want == got) return;
  // Point at the first line that differs rather than print both whole.
  std::istringstream a(want), b(got);
  std::string la, lb;
  int line = 1;
  while (std::getline(a, la) && std::getline(b, lb) && la == lb) ++line;
  ADD_FAILURE() << name << " differs from line " << line << ":\n  want: " << la << "\n  got:  " << lb;
}

void TypeDate(FormFixture& f, int16_t date, const std::string& text) {
  f.EnterDate(date, text.substr(0, 4), text.substr(5, 2), text.substr(8, 2));
}

int16_t ListPosition(FormFixture& f, Control list, const std::string& item) {
  for (int16_t i = 0; i < f.window.ListCount(list); ++i)
    if (f.window.ListItem(list, i) == item) return i;
  return -1;
}

// The window's lists start with the Sun, except a world run's second list,
// which starts with Mercury.
int16_t BodyPosition(Mode mode, int16_t list, BodyIndex body) {
  return static_cast<int16_t>(body - (mode == World && list == 1 ? Mercury : Sun));
}

// The position of a zone's text in the zone lists, or -1.
int16_t ZonePosition(const std::string& text) {
  for (int16_t p = FirstZonePosition; p <= LastZonePosition; ++p)
    if (TimezoneText(p, false) == text) return p;
  return -1;
}

// Sets the run up and gives its command; fails at the first input that
// the window does not take as the row means it.
void Perform(FormFixture& f, const GoldenRun& run, const fs::path& html) {
  const int16_t first = BodyPosition(run.mode, 0, run.first), second = BodyPosition(run.mode, 1, run.second);
  if (run.mode == World) {
    test::World(f, first, second);
  } else {
    test::Personal(f, first, second, "1990");
    TypeDate(f, 2, run.birth);
    if (run.sidereal) f.window.SetValue(C(ControlName::optSidereal), 1);
  }
  for (int16_t list = 0; list < 2; ++list) {
    const Control c = C(ControlName::cboPlanet, list);
    ASSERT_EQ(f.window.ListItem(c, f.window.ListIndex(c)), BodyName(list == 0 ? run.first : run.second))
        << "list " << list;
  }
  TypeDate(f, 0, run.start);
  TypeDate(f, 1, run.end);
  for (int16_t k = 0; k < 3; ++k) f.Choose(C(ControlName::cboOrbs, k), static_cast<int16_t>(run.orbs[k] - 1));
  const int16_t zone = ZonePosition(run.zone);
  ASSERT_GE(zone, 0) << "no zone " << run.zone;
  f.Choose(C(ControlName::cboTimezone, 0), zone);
  if (run.html) {
    f.window.SetValue(C(ControlName::chkOutputAsHTML), 1);
    f.window.QueueFileName(html.string());
    f.Press(C(ControlName::cmdFile));
  }
  if (run.stopAt) {
    f.window.SetPendingEventsHook([&f, stopAt = std::string(run.stopAt)] {
      if (f.state.CurrentDayText == stopAt && f.window.Text(C(ControlName::cmdStart)) == "Stop")
        f.Press(C(ControlName::cmdStart));
    });
  }
  switch (run.command) {
    case Start: f.Press(C(ControlName::cmdStart)); break;
    case ShowAllOuter: f.Press(C(ControlName::cmdShowAll, 0)); break;
    case ShowAllInner: f.Press(C(ControlName::cmdShowAll, 1)); break;
    case Search: {
      const int16_t aspect = ListPosition(f, C(ControlName::cboSearchAspect), run.searchAspect);
      ASSERT_GE(aspect, 0) << "no aspect " << run.searchAspect;
      f.Choose(C(ControlName::cboSearchAspect), aspect);
      f.Press(C(ControlName::cmdSearch));
      break;
    }
  }
}

class Golden : public ::testing::TestWithParam<GoldenRun> {};

TEST_P(Golden, WholeOutputsAsKept) {
  const GoldenRun& run = GetParam();
  const fs::path html = test::CliScratch() / (std::string(run.name) + ".html");
  FormFixture f;
  ASSERT_NO_FATAL_FAILURE(Perform(f, run, html));
  ASSERT_GT(f.state.Runs.RunsStarted(), 0) << f.LastMessage().text;
  const std::string name = run.name;
  ExpectGolden(name + ".txt", f.Output());
  if (run.html) ExpectGolden(name + ".html", test::Slurp(html));
  // Written at a fixed time: 2026-12-07 00:00 UTC.
  if (run.exports & Ics) ExpectGolden(name + ".ics", WriteICalendar(f.state.Runs.Results(), {}, 1796601600));
  if (run.exports & Csv) ExpectGolden(name + ".csv", WriteCsv(f.state.Runs.Results()));
  if (run.exports & Json) ExpectGolden(name + ".json", WriteJson(f.state.Runs.Results()));
}

INSTANTIATE_TEST_SUITE_P(Runs, Golden, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<GoldenRun>& info) { return std::string(info.param.name); });

// What skyloom-cli prints to standard output, byte for byte, written at a
// fixed time. The events after the transits: Mercury's 7 stations and 14
// ingresses of 2024 and Jupiter's 1 and 1, with the instants swetest gives
// (Mercury retrograde 2024-08-05 04:56 UT at 154.1 degrees, into Virgo
// 2024-09-09 06:50 UT); a personal run's only of the transiting body.
// Mars through Berlin's Placidus houses 9 to 12 by swetest's cusps
// (275.23, 292.49, 314.21, 350.03). The calendars in zones at both ends of
// the list hold the same exact events, their UIDs included.
const std::string kMercury = "world Mercury Jupiter --orbs 10,6,3 --start 2024-01-01 --end 2024-12-31 --zone GMT+5:30 ";
const std::string kHouses =
    "personal Mars Sun --start 2024-01-01 --end 2024-06-30 --zone GMT --birth 1990-01-01 --birth-time 12:00 "
    "--birth-zone GMT --birth-place 52.52,13.405 --house-ingresses ";
const std::string kNamedZone =
    "personal Mars Sun --start 2024-01-01 --end 2024-12-31 --birth 1985-07-04 --birth-time 14:37 "
    "--birth-zone Europe/Berlin --zone GMT+1:00 ";
const std::string kSunMars = "world Sun Mars --start 2020-01-01 --end 2021-12-31 --zone GMT --orbs 15,13,11 --aspects ";
const std::string kMarsJupiter = "world Mars Jupiter --orbs 12,6,2 --start 2020-01-01 --end 2021-12-31 --zone ";
// A closest approach, then an exact pass in the evening west of
// Greenwich, a day before its UTC date.
const std::string kEvening =
    "personal Saturn Sun --start 2019-12-01 --end 2021-03-31 --birth-zone GMT --birth 1990-01-22 --birth-time 17:50 "
    "--zone EST/CDT ";
const struct {
  const char* file;
  std::string arguments;
} kCliRuns[] = {
    {"cli_personal_named_zone.csv", kNamedZone + "--csv -"},
    {"cli_personal_named_zone.txt", kNamedZone},
    {"cli_stations_ingresses.txt", kMercury + "--stations --ingresses"},
    {"cli_stations_ingresses.csv", kMercury + "--stations --ingresses --csv -"},
    {"cli_stations_ingresses.json", kMercury + "--stations --ingresses --json -"},
    {"cli_stations_ingresses.ics", kMercury + "--stations --ingresses --ics -"},
    {"cli_personal_stations.txt",
     "personal Chiron Mercury --start 2024-01-01 --end 2024-12-31 --zone GMT --birth 1970-03-15 --birth-time 12:00 "
     "--birth-zone GMT --stations"},
    {"cli_house_ingresses.txt", kHouses},
    {"cli_house_ingresses.csv", kHouses + "--csv -"},
    {"cli_house_ingresses.json", kHouses + "--json -"},
    {"cli_house_ingresses.ics", kHouses + "--ics -"},
    {"cli_sun_mars_all.txt", kSunMars + "all"},
    {"cli_sun_mars_all.csv", kSunMars + "all --csv -"},
    {"cli_sun_mars_major.csv", kSunMars + "major --csv -"},
    {"cli_sun_mars_chosen.csv", kSunMars + "sesquiquadrate,SQUARE,semisquare --csv -"},
    {"cli_calendar_east.ics", kMarsJupiter + "GMT+11:30 --ics -"},
    {"cli_calendar_west.ics", kMarsJupiter + "GMT-11:30 --ics -"},
    {"cli_calendar_still_in_orb.ics",
     "world Venus Saturn --orbs 12,6,2 --start 2021-01-01 --end 2021-06-30 --zone GMT+5:30 --ics -"},
    {"cli_exact_west_a_day_early.csv", kEvening + "--csv -"},
    {"cli_exact_west_a_day_early.json", kEvening + "--json -"},
    {"cli_places_paris.txt", "places Paris"},
    {"cli_places_sydney.txt", "places 'Sydney, AU'"},
    {"cli_help.txt", "--help"},
    // A year's eclipses, lunations and void-of-course spells after a world
    // run's transits west of Greenwich; a personal command's eclipses and
    // lunations with their natal contacts as JSON records in a named zone
    // east of it.
    {"cli_world_forecast_2024.txt",
     "world Jupiter Saturn --start 2024-01-01 --end 2024-12-31 --zone GMT-5:00 --eclipses --lunations "
     "--void-of-course"},
    {"cli_personal_forecast.json",
     "personal Saturn Sun --start 2024-03-20 --end 2024-04-30 --birth 1985-07-04 --birth-time 14:37 "
     "--birth-place Berlin --zone Asia/Kolkata --eclipses --lunations --json -"},
};

TEST(GoldenCli, StandardOutputAsKept) {
  for (const auto& run : kCliRuns) {
    const test::CliResult r = test::RunCli(run.arguments, "SOURCE_DATE_EPOCH=1796601600");
    EXPECT_EQ(r.status, 0) << run.file << "\n" << r.err;
    ExpectGolden(run.file, r.out);
  }
}

// Every file kept here belongs to a run above: one left behind when a run
// stops keeping it would never be compared again.
TEST(GoldenFiles, EachBelongsToARun) {
  std::set<std::string> expected{"README.md", "golden_test.cpp"};
  for (const auto& run : kCliRuns) expected.insert(run.file);
  for (const GoldenRun& run : kRuns)
    for (const std::string& extension : KeptExtensions(run)) expected.insert(run.name + extension);
  std::set<std::string> present;
  for (const fs::directory_entry& entry : fs::directory_iterator(GoldenFolder()))
    present.insert(entry.path().filename().string());
  for (const std::string& name : present) EXPECT_TRUE(expected.count(name)) << name << " belongs to no run";
}

}  // namespace
}  // namespace skyloom
