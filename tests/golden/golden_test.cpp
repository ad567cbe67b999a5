// Whole outputs of runs through the window's own commands against the files
// beside this runner (README.md tells how to rewrite them on purpose).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/bodies.h"
#include "report/exports.h"
#include "support/cli_cases.h"
#include "support/cli_runner.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
using enum ControlName;
using test::FormFixture;

// A run of tests/golden/runs.txt, which says what each field holds.
struct GoldenRun {
  std::string name, where, mode, first, second, start, end;
  std::map<std::string, std::string> options;  // of the rest: "key=value", or "key" with ""
  std::string Option(const std::string& key, const std::string& otherwise = "") const {
    return options.contains(key) ? options.at(key) : otherwise;
  }
  bool Keeps(const std::string& kind) const { return std::ranges::count(test::Split(Option("keeps"), ','), kind) > 0; }
};

std::vector<GoldenRun> GoldenRuns() {
  std::vector<GoldenRun> runs;
  for (const test::CaseLine& line : test::ReadCases("golden/runs.txt")) {
    GoldenRun run;
    run.name = line[0], run.where = line.where;
    std::istringstream(line[1]) >> run.mode >> run.first >> run.second;
    std::istringstream(line[2]) >> run.start >> run.end;
    std::istringstream rest(line[3]);
    for (std::string option; rest >> option;) {
      const size_t equals = option.find('=');
      run.options[option.substr(0, equals)] = equals == std::string::npos ? "" : option.substr(equals + 1);
    }
    runs.push_back(run);
  }
  return runs;
}

void PrintTo(const GoldenRun& run, std::ostream* out) { *out << run.where; }

// Compares one output with its file, or writes the file when rewriting.
void ExpectGolden(const std::string& name, const std::string& got) {
  const fs::path path = fs::path(SKYLOOM_GOLDEN_DIR) / name;
  if (std::getenv("SKYLOOM_REWRITE_GOLDEN") != nullptr) {
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
int16_t BodyPosition(bool world, int16_t list, const std::string& body) {
  return static_cast<int16_t>(BodyByName(body) - (world && list == 1 ? Mercury : Sun));
}

// Sets the run up and gives its command; fails at the first input that
// the window does not take as the row means it.
void Perform(FormFixture& f, const GoldenRun& run, const fs::path& html) {
  const bool world = run.mode == "World";
  const int16_t first = BodyPosition(world, 0, run.first), second = BodyPosition(world, 1, run.second);
  if (world) {
    test::World(f, first, second);
  } else {
    test::Personal(f, first, second, "1990");
    TypeDate(f, 2, run.Option("birth"));
    if (run.options.contains("sidereal")) f.window.SetValue(Ctl(optSidereal), 1);
  }
  for (int16_t list = 0; list < 2; ++list) {
    const Control c = Ctl(cboPlanet, list);
    ASSERT_EQ(f.window.ListItem(c, f.window.ListIndex(c)), list == 0 ? run.first : run.second) << "list " << list;
  }
  TypeDate(f, 0, run.start);
  TypeDate(f, 1, run.end);
  const std::vector<std::string> orbs = test::Split(run.Option("orbs", "10,5,2"), ',');
  for (int16_t k = 0; k < 3; ++k) f.Choose(Ctl(cboOrbs, k), static_cast<int16_t>(std::stoi(orbs.at(k)) - 1));
  const int16_t zone = ListPosition(f, Ctl(cboTimezone, 0), run.Option("zone", "GMT"));
  ASSERT_GE(zone, 0) << "no zone " << run.Option("zone");
  f.Choose(Ctl(cboTimezone, 0), zone);
  if (run.Keeps("html")) {
    f.window.SetValue(Ctl(chkOutputAsHTML), 1);
    f.window.QueueFileName(html.string());
    f.Press(Ctl(cmdFile));
  }
  if (run.options.contains("stop")) {
    f.window.SetPendingEventsHook([&f, stopAt = run.Option("stop")] {
      if (f.state.CurrentDayText == stopAt && f.window.Text(Ctl(cmdStart)) == "Stop") f.Press(Ctl(cmdStart));
    });
  }
  const std::string command = run.Option("command", "Start");
  if (command == "Search") {
    const int16_t aspect = ListPosition(f, Ctl(cboSearchAspect), run.Option("search"));
    ASSERT_GE(aspect, 0) << "no aspect " << run.Option("search");
    f.Choose(Ctl(cboSearchAspect), aspect);
  }
  const std::map<std::string, Control> commands{{"Start", Ctl(cmdStart)},
                                                {"ShowAllOuter", Ctl(cmdShowAll, 0)},
                                                {"ShowAllInner", Ctl(cmdShowAll, 1)},
                                                {"Search", Ctl(cmdSearch)}};
  ASSERT_TRUE(commands.contains(command)) << run.where << ": no command " << command;
  f.Press(commands.at(command));
}

class Golden : public ::testing::TestWithParam<GoldenRun> {};

TEST_P(Golden, WholeOutputsAsKept) {
  const GoldenRun& run = GetParam();
  const fs::path html = test::CliScratch() / (run.name + ".html");
  FormFixture f;
  ASSERT_NO_FATAL_FAILURE(Perform(f, run, html));
  ASSERT_GT(f.state.Runs.RunsStarted(), 0) << f.LastMessage().text;
  ExpectGolden(run.name + ".txt", f.Output());
  if (run.Keeps("html")) ExpectGolden(run.name + ".html", test::Slurp(html));
  // Written at a fixed time: 2026-12-07 00:00 UTC.
  if (run.Keeps("ics")) ExpectGolden(run.name + ".ics", WriteICalendar(f.state.Runs.Results(), {}, 1796601600));
  if (run.Keeps("csv")) ExpectGolden(run.name + ".csv", WriteCsv(f.state.Runs.Results()));
  if (run.Keeps("json")) ExpectGolden(run.name + ".json", WriteJson(f.state.Runs.Results()));
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

}  // namespace
}  // namespace skyloom
