// The Options menu's forecast tables and moving bodies: what reaches a
// run's request, what a saved state keeps, and the tables and files a
// window run gives beside the command line's.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "calendar/time_zones.h"
#include "ports/memory_settings_store.h"
#include "runs/output_box.h"
#include "state/saved_state.h"
#include "support/cli_runner.h"
#include "support/form_fixture.h"
#include "ui/window_run.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::FormFixture;

MainFormServices StoreServices(SettingsStore& store) {
  return {{},
          [&store](FormState& state) { return SaveProgramState(state, store); },
          [&store](FormState& state) { return RestoreProgramState(state, store); }};
}

struct OptionCase {
  const char* name;
  std::function<void(RunOptions&)> choose;
  std::function<bool(const RunRequest&)> asked;
};

const OptionCase kOptionCases[] = {
    {"eclipses", [](RunOptions& o) { o.eclipses = true; }, [](const RunRequest& r) { return r.eclipses; }},
    {"lunations", [](RunOptions& o) { o.lunations = true; }, [](const RunRequest& r) { return r.lunations; }},
    {"void of course", [](RunOptions& o) { o.voidOfCourse = true; },
     [](const RunRequest& r) { return r.voidOfCourse; }},
    {"progressed", [](RunOptions& o) { o.progression = ProgressionKind::Progressed; },
     [](const RunRequest& r) { return r.progression == ProgressionKind::Progressed; }},
    {"directed", [](RunOptions& o) { o.progression = ProgressionKind::Directed; },
     [](const RunRequest& r) { return r.progression == ProgressionKind::Directed; }},
};

// Each choice reaches a personal run's request alone, and comes back from a
// saved state after the menus were set otherwise.
TEST(ForecastOptions, EachReachesTheRequestAndSurvivesSaveAndRestore) {
  for (const OptionCase& c : kOptionCases) {
    MemorySettingsStore store;
    FormFixture f(StoreServices(store));
    test::Personal(f, 3, 0, "1980");
    const RunRequest plain = RequestFromWindow(f.state, WindowCommand::Start);
    EXPECT_FALSE(c.asked(plain)) << c.name;
    c.choose(f.state.Options);
    const RunOptions chosen = f.state.Options;
    RunRequest asked = RequestFromWindow(f.state, WindowCommand::Start);
    EXPECT_TRUE(c.asked(asked)) << c.name;
    asked.eclipses = asked.lunations = asked.voidOfCourse = false;
    asked.progression = ProgressionKind::Transit;
    EXPECT_EQ(asked, plain) << c.name << ": the choice changed more than itself";
    f.Press(Ctl(cmdSaveState));
    f.state.Options = RunOptions{};
    f.Press(Ctl(cmdRestoreState));
    EXPECT_EQ(f.state.Options, chosen) << c.name;
  }
}

// A world run and the Search move through the sky whatever the menu holds,
// as the command line accepts them only so.
TEST(ForecastOptions, MovingBodiesOnlyMovePersonalRuns) {
  const struct {
    bool world;
    WindowCommand command;
    ProgressionKind want;
  } cases[] = {
      {false, WindowCommand::Start, ProgressionKind::Directed},
      {false, WindowCommand::ShowAllInner, ProgressionKind::Directed},
      {false, WindowCommand::Search, ProgressionKind::Transit},
      {true, WindowCommand::Start, ProgressionKind::Transit},
      {true, WindowCommand::ShowAllOuter, ProgressionKind::Transit},
  };
  for (const auto& c : cases) {
    FormFixture f;
    if (c.world)
      test::World(f, 4, 5);
    else
      test::Personal(f, 3, 0, "1980");
    f.state.Options.progression = ProgressionKind::Directed;
    EXPECT_EQ(RequestFromWindow(f.state, c.command).progression, c.want)
        << c.world << " " << static_cast<int>(c.command);
  }
}

// A state saved before these choices existed, or a damaged one, runs the
// sky without the tables.
TEST(ForecastOptions, OldOrDamagedStatesTakeTheDefaults) {
  const std::string skl = "Software\\Quillfern\\SKL";
  for (const char* moving : {"", "Sideways", "progressed "}) {
    MemorySettingsStore store;
    FormFixture f(StoreServices(store));
    f.Press(Ctl(cmdSaveState));
    store.Put(skl, "Eclipses", "");
    store.Put(skl, "Lunations", "maybe");
    store.Put(skl, "Moving", moving);
    f.state.Options.eclipses = f.state.Options.lunations = true;
    f.state.Options.progression = ProgressionKind::Progressed;
    f.Press(Ctl(cmdRestoreState));
    EXPECT_EQ(f.state.Options, RunOptions{}) << moving;
  }
}

std::string Lf(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  return text;
}

// A personal window run shows the command line's report, its tables after
// the transits included, and its CSV file is the command line's.
TEST(ForecastOptions, AWindowRunGivesTheCommandLinesReportAndFile) {
  const struct {
    const char* flags;
    std::function<void(RunOptions&)> choose;
    const char* heading;  // a table the report must hold
  } cases[] = {
      {"--eclipses --lunations", [](RunOptions& o) { o.eclipses = o.lunations = true; }, "\nNew and full Moons, "},
      {"--stations --ingresses", [](RunOptions& o) { o.stations = o.ingresses = true; }, "\nSign ingresses, "},
      {"--void-of-course", [](RunOptions& o) { o.voidOfCourse = true; }, "void of course"},
      {"--progressed --eclipses",
       [](RunOptions& o) {
         o.progression = ProgressionKind::Progressed;
         o.eclipses = true;
       },
       "\nEclipses, "},
  };
  for (const auto& c : cases) {
    FormFixture f;
    test::Personal(f, 3, 0, "1980");  // Mars to the natal Sun
    f.Choose(Ctl(cboTimezone, 0), GreenwichPosition);
    f.EnterDate(0, "2024", "1", "1");
    f.EnterDate(1, "2024", "12", "31");
    c.choose(f.state.Options);
    f.Press(Ctl(cmdStart));
    const std::string window = Lf(f.Output());
    const std::filesystem::path folder = test::FreshFolder("forecast-window");
    const test::CliResult cli = test::RunCli(
        "personal Mars Sun --start 2024-01-01 --end 2024-12-31 --zone GMT --birth 1980-01-01 --birth-time 12:00 "
        "--birth-zone GMT --csv " +
        test::Quoted(folder / "cli.csv") + " " + c.flags);
    ASSERT_EQ(cli.status, 0) << c.flags << "\n" << cli.err;
    EXPECT_NE(window.find(c.heading), std::string::npos) << c.flags << "\n" << window;
    EXPECT_EQ(window, cli.out) << c.flags;

    f.window.QueueFileName((folder / "window.csv").string());
    ExportResultsCommand(f.state, ExportFormat::Csv);
    EXPECT_EQ(test::Slurp(folder / "window.csv"), test::Slurp(folder / "cli.csv")) << c.flags;
  }
}

}  // namespace
}  // namespace skyloom
