// Whole outputs of runs through the window's own commands, against the files
// kept beside this runner: the report as the output box holds it, the HTML
// table, and the iCalendar, CSV and JSON exports. See README.md here for how
// to rewrite the files on purpose.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "report/exports.h"
#include "support/cli_runner.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

enum class Command { Start, ShowAllOuter, ShowAllInner, Search };

// Zone list positions: 24 is Greenwich, each step half an hour.
constexpr int16_t kGmt = 24, kPlus530 = 35, kMinus5 = 14, kPlus1130 = 47, kMinus1130 = 1;

struct GoldenRun {
  const char* name;
  bool world;
  int16_t first, second;  // positions in the two body lists
  const char* start;
  const char* end;
  std::array<int16_t, 3> orbs{10, 5, 2};
  int16_t zone = kGmt;
  const char* birth = nullptr;  // personal runs: YYYY-MM-DD, 12:00 Greenwich time
  bool sidereal = false;
  Command command = Command::Start;
  const char* searchAspect = nullptr;
  const char* stopAt = nullptr;  // Stop is pressed when the run reaches this day
  bool html = false;
  bool exports = true;  // a full output box's hundreds of rows say nothing more there
};

// Between them: both modes, five zones, a triple pass, a closest approach,
// the 15-degree switch of the outer orb, a pair in orb on the first day, no
// transits, a Show-all series in each mode, a Search, the sidereal zodiac, a
// stopped run and a full output box.
// clang-format off
const GoldenRun kRuns[] = {
    {"world_jupiter_saturn_2020", true, 4, 4, "2020-01-01", "2020-12-31", {10, 5, 2}, kGmt, nullptr, false,
     Command::Start, nullptr, nullptr, true},
    {"world_sun_mars_orb_switch", true, 0, 2, "2021-01-01", "2021-03-31", {15, 13, 11}, kPlus530},
    {"world_in_orb_on_the_first_day", true, 4, 4, "2020-12-10", "2021-01-31", {10, 5, 2}, kMinus5},
    {"world_sun_mercury_fast", true, 0, 0, "2020-01-01", "2021-12-31", {10, 5, 2}, kPlus1130, nullptr, false,
     Command::Start, nullptr, nullptr, true},
    {"world_no_transits", true, 6, 6, "2020-03-01", "2020-03-31"},
    {"personal_saturn_triple_pass", false, 5, 0, "2019-12-01", "2021-03-31", {10, 5, 2}, kGmt, "1990-01-18"},
    {"personal_saturn_closest_approach", false, 5, 0, "2019-12-01", "2021-03-31", {10, 5, 2}, kMinus1130,
     "1990-01-23", false, Command::Start, nullptr, nullptr, true},
    {"personal_jupiter_moon_sidereal", false, 4, 9, "2024-01-01", "2024-12-31", {10, 5, 2}, kMinus1130,
     "1985-07-04", true},
    {"world_show_all_jupiter", true, 3, 3, "2020-01-01", "2020-06-30", {10, 5, 2}, kGmt, nullptr, false,
     Command::ShowAllOuter},
    {"personal_show_all_mars", false, 3, 0, "2024-01-01", "2024-12-31", {10, 5, 2}, kPlus1130, "1985-07-04", false,
     Command::ShowAllInner},
    {"world_search_opposition", true, 3, 3, "2025-01-01", "2025-01-31", {10, 5, 2}, kGmt, nullptr, false,
     Command::Search, "opposition"},
    {"world_stopped", true, 4, 4, "1950-01-01", "2049-12-31", {10, 5, 2}, kGmt, nullptr, false, Command::Start,
     nullptr, "1990-06-01"},
    {"world_full_output_box", true, 0, 0, "1600-01-01", "2799-12-31", {10, 5, 2}, kGmt, nullptr, false,
     Command::Start, nullptr, nullptr, false, false},
};
// clang-format on

void PrintTo(const GoldenRun& run, std::ostream* out) { *out << run.name; }

fs::path GoldenFolder() { return SKYLOOM_GOLDEN_DIR; }
bool Rewriting() { return std::getenv("SKYLOOM_REWRITE_GOLDEN") != nullptr; }

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Compares one output with its file, or writes the file when rewriting.
void ExpectGolden(const std::string& name, const std::string& got) {
  const fs::path path = GoldenFolder() / name;
  if (Rewriting()) {
    std::ofstream(path, std::ios::binary) << got;
    return;
  }
  ASSERT_TRUE(fs::exists(path)) << path << " is missing: see tests/golden/README.md";
  const std::string want = Read(path);
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

void Perform(FormFixture& f, const GoldenRun& run, const fs::path& html) {
  if (run.world) {
    test::World(f, run.first, run.second);
  } else {
    test::Personal(f, run.first, run.second, "1990");
    TypeDate(f, 2, run.birth);
    if (run.sidereal) f.window.SetValue(C(ControlName::optSidereal), 1);
  }
  TypeDate(f, 0, run.start);
  TypeDate(f, 1, run.end);
  for (int16_t k = 0; k < 3; ++k) f.Choose(C(ControlName::cboOrbs, k), static_cast<int16_t>(run.orbs[k] - 1));
  f.Choose(C(ControlName::cboTimezone, 0), run.zone);
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
    case Command::Start: f.Press(C(ControlName::cmdStart)); break;
    case Command::ShowAllOuter: f.Press(C(ControlName::cmdShowAll, 0)); break;
    case Command::ShowAllInner: f.Press(C(ControlName::cmdShowAll, 1)); break;
    case Command::Search:
      f.Choose(C(ControlName::cboSearchAspect), ListPosition(f, C(ControlName::cboSearchAspect), run.searchAspect));
      f.Press(C(ControlName::cmdSearch));
      break;
  }
}

class Golden : public ::testing::TestWithParam<GoldenRun> {};

TEST_P(Golden, WholeOutputsAsKept) {
  const GoldenRun& run = GetParam();
  const fs::path html = test::CliScratch() / (std::string(run.name) + ".html");
  FormFixture f;
  Perform(f, run, html);
  ASSERT_GT(f.state.Runs.RunsStarted(), 0) << f.LastMessage().text;
  const std::string name = run.name;
  ExpectGolden(name + ".txt", f.Output());
  if (run.html) ExpectGolden(name + ".html", Read(html));
  if (!run.exports) return;
  ExpectGolden(name + ".ics", WriteICalendar(f.state.Runs.Results()));
  ExpectGolden(name + ".csv", WriteCsv(f.state.Runs.Results()));
  ExpectGolden(name + ".json", WriteJson(f.state.Runs.Results()));
}

INSTANTIATE_TEST_SUITE_P(Runs, Golden, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<GoldenRun>& info) { return std::string(info.param.name); });

// The command line's own report of a personal run with a named birth zone,
// as it streams it to standard output.
TEST(GoldenCli, PersonalRunWithANamedBirthZone) {
  const test::CliResult r = test::RunCli(
      "personal Mars Sun --start 2024-01-01 --end 2024-12-31 --birth 1985-07-04 --birth-time 14:37 "
      "--birth-zone Europe/Berlin --zone GMT+1:00 --csv -");
  EXPECT_EQ(r.status, 0) << r.err;
  ExpectGolden("cli_personal_named_zone.csv", r.out);
  const test::CliResult report = test::RunCli(
      "personal Mars Sun --start 2024-01-01 --end 2024-12-31 --birth 1985-07-04 --birth-time 14:37 "
      "--birth-zone Europe/Berlin --zone GMT+1:00");
  EXPECT_EQ(report.status, 0) << report.err;
  ExpectGolden("cli_personal_named_zone.txt", report.out);
}

}  // namespace
}  // namespace skyloom
