// Whole outputs of runs through the window's own commands, against the files
// kept beside this runner: the report as the output box holds it, the HTML
// table, and for a few runs the iCalendar, CSV and JSON exports. See
// README.md here for how to rewrite the files on purpose.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "calendar/time_zones.h"
#include "engine/bodies.h"
#include "report/exports.h"
#include "support/cli_cases.h"
#include "support/cli_runner.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

// A run of tests/golden/runs.txt, which says what each field holds.
struct GoldenRun {
  std::string name, where;
  bool world = true;
  BodyIndex first = 0, second = 0;  // world: the two bodies; personal: transiting and natal
  std::string start, end, zone = "GMT", birth, command = "Start", searchAspect, stopAt;
  std::array<int16_t, 3> orbs{10, 5, 2};
  bool sidereal = false;
  std::vector<std::string> kept{".txt"};
  bool Keeps(const std::string& extension) const { return std::ranges::count(kept, extension) > 0; }
};

std::vector<GoldenRun> GoldenRuns() {
  std::vector<GoldenRun> runs;
  for (const test::CaseLine& line : test::ReadCases("golden/runs.txt")) {
    GoldenRun run;
    run.name = line[0], run.where = line.where;
    std::istringstream bodies(line[1]), period(line[2]), rest(line[3]);
    std::string mode, first, second;
    bodies >> mode >> first >> second;
    period >> run.start >> run.end;
    run.world = mode == "World";
    run.first = BodyByName(first), run.second = BodyByName(second);
    const std::map<std::string, std::string*> texts{{"zone", &run.zone},
                                                    {"birth", &run.birth},
                                                    {"command", &run.command},
                                                    {"search", &run.searchAspect},
                                                    {"stop", &run.stopAt}};
    for (std::string option; rest >> option;) {
      const size_t equals = std::min(option.find('='), option.size());
      const std::string key = option.substr(0, equals), value = option.substr(std::min(equals + 1, option.size()));
      if (texts.contains(key)) *texts.at(key) = value;
      if (key == "orbs")
        for (size_t k = 0; k < 3; ++k) run.orbs[k] = static_cast<int16_t>(std::stoi(test::Split(value, ',').at(k)));
      if (key == "keeps")
        for (const std::string& kind : test::Split(value, ',')) run.kept.push_back("." + kind);
      run.sidereal = run.sidereal || key == "sidereal";
    }
    runs.push_back(run);
  }
  return runs;
}

void PrintTo(const GoldenRun& run, std::ostream* out) { *out << run.where; }

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
int16_t BodyPosition(bool world, int16_t list, BodyIndex body) {
  return static_cast<int16_t>(body - (world && list == 1 ? Mercury : Sun));
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
  const int16_t first = BodyPosition(run.world, 0, run.first), second = BodyPosition(run.world, 1, run.second);
  if (run.world) {
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
  if (run.Keeps(".html")) {
    f.window.SetValue(C(ControlName::chkOutputAsHTML), 1);
    f.window.QueueFileName(html.string());
    f.Press(C(ControlName::cmdFile));
  }
  if (!run.stopAt.empty()) {
    f.window.SetPendingEventsHook([&f, stopAt = run.stopAt] {
      if (f.state.CurrentDayText == stopAt && f.window.Text(C(ControlName::cmdStart)) == "Stop")
        f.Press(C(ControlName::cmdStart));
    });
  }
  if (run.command == "Search") {
    const int16_t aspect = ListPosition(f, C(ControlName::cboSearchAspect), run.searchAspect);
    ASSERT_GE(aspect, 0) << "no aspect " << run.searchAspect;
    f.Choose(C(ControlName::cboSearchAspect), aspect);
  }
  const std::map<std::string, Control> commands{{"Start", C(ControlName::cmdStart)},
                                                {"ShowAllOuter", C(ControlName::cmdShowAll, 0)},
                                                {"ShowAllInner", C(ControlName::cmdShowAll, 1)},
                                                {"Search", C(ControlName::cmdSearch)}};
  ASSERT_TRUE(commands.contains(run.command)) << run.where << ": no command " << run.command;
  f.Press(commands.at(run.command));
}

class Golden : public ::testing::TestWithParam<GoldenRun> {};

TEST_P(Golden, WholeOutputsAsKept) {
  const GoldenRun& run = GetParam();
  const fs::path html = test::CliScratch() / (run.name + ".html");
  FormFixture f;
  ASSERT_NO_FATAL_FAILURE(Perform(f, run, html));
  ASSERT_GT(f.state.Runs.RunsStarted(), 0) << f.LastMessage().text;
  ExpectGolden(run.name + ".txt", f.Output());
  if (run.Keeps(".html")) ExpectGolden(run.name + ".html", test::Slurp(html));
  // Written at a fixed time: 2026-12-07 00:00 UTC.
  if (run.Keeps(".ics")) ExpectGolden(run.name + ".ics", WriteICalendar(f.state.Runs.Results(), {}, 1796601600));
  if (run.Keeps(".csv")) ExpectGolden(run.name + ".csv", WriteCsv(f.state.Runs.Results()));
  if (run.Keeps(".json")) ExpectGolden(run.name + ".json", WriteJson(f.state.Runs.Results()));
}

INSTANTIATE_TEST_SUITE_P(Runs, Golden, ::testing::ValuesIn(GoldenRuns()),
                         [](const ::testing::TestParamInfo<GoldenRun>& info) { return info.param.name; });

class GoldenCli : public ::testing::TestWithParam<test::CaseLine> {};

TEST_P(GoldenCli, StandardOutputAsKept) {
  const test::CaseLine& run = GetParam();
  const test::CliResult r = test::RunCli(run[1], "SOURCE_DATE_EPOCH=1796601600");
  EXPECT_EQ(r.status, 0) << run.where << "\n" << r.err;
  ExpectGolden(run[0], r.out);
}

INSTANTIATE_TEST_SUITE_P(Runs, GoldenCli, ::testing::ValuesIn(test::ReadCliCases("golden/cli_runs.txt")),
                         [](const ::testing::TestParamInfo<test::CaseLine>& info) {
                           return test::CaseName(info.param);
                         });

// Every file kept here belongs to a run above: one left behind when a run
// stops keeping it would never be compared again.
TEST(GoldenFiles, EachBelongsToARun) {
  std::set<std::string> expected{"README.md", "golden_test.cpp", "runs.txt", "cli_runs.txt"};
  for (const test::CaseLine& run : test::ReadCliCases("golden/cli_runs.txt")) expected.insert(run[0]);
  for (const GoldenRun& run : GoldenRuns())
    for (const std::string& extension : run.kept) expected.insert(run.name + extension);
  std::set<std::string> present;
  for (const fs::directory_entry& entry : fs::directory_iterator(GoldenFolder()))
    present.insert(entry.path().filename().string());
  for (const std::string& name : present) EXPECT_TRUE(expected.count(name)) << name << " belongs to no run";
}

}  // namespace
}  // namespace skyloom
