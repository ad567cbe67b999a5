// What the window adds to the command line's inputs, read into the run's
// request and kept by a saved state; a window run against the command line's.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "calendar/time_zones.h"
#include "ports/memory_settings_store.h"
#include "runs/output_box.h"
#include "support/case_file.h"
#include "support/cli_runner.h"
#include "support/form_fixture.h"
#include "support/options_text.h"
#include "ui/window_run.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::CaseLine;
using test::FormFixture;
using test::ReadCases;
using test::Unquoted;

// The words of test::OptionsText back into options.
RunOptions OptionsOf(const std::string& text) {
  RunOptions o;
  o.aspects = AspectSet::Of({});
  std::istringstream words(text);
  for (std::string word; words >> word;) {
    int n = 0;
    if (word == "aspects")
      while (words >> n) o.aspects.Add(static_cast<AspectIndex>(n));
    words.clear();
    if (word == "houses" && words >> n) o.houses = static_cast<HouseSystem>(n);
    if (word == "moving" && words >> n) o.progression = static_cast<ProgressionKind>(n);
    const std::pair<bool*, const char*> flags[] = {
        {&o.stations, "stations"},        {&o.ingresses, "ingresses"}, {&o.houseIngresses, "houseIngresses"},
        {&o.withMoon, "withMoon"},        {&o.eclipses, "eclipses"},   {&o.lunations, "lunations"},
        {&o.voidOfCourse, "voidOfCourse"}};
    for (auto [flag, name] : flags) *flag = *flag || word == name;
  }
  return o;
}

// The request's options in the same words, with its series and search aspect.
std::string RequestText(const RunRequest& r) {
  const RunOptions o{r.stations, r.ingresses, r.houseIngresses, r.aspects,      r.houses,
                     r.withMoon, r.eclipses,  r.lunations,      r.voidOfCourse, r.progression};
  return test::OptionsText(o) + " series " + std::to_string(static_cast<int>(r.series)) +
         (r.search ? " search " + std::to_string(*r.search) : "");
}

WindowCommand CommandOf(const std::string& name) {
  const char* names[] = {"start", "outer", "inner", "chart", "search"};
  for (int i = 0; i < 5; ++i)
    if (name == names[i]) return static_cast<WindowCommand>(i);
  throw std::invalid_argument("no command " + name);
}

// Mars to the natal Sun or Jupiter and Saturn, with a minute and a search aspect.
void Inputs(FormFixture& f, const std::string& mode) {
  if (mode == "world") return test::World(f, 4, 5);
  test::Personal(f, 3, 0, "1980");
  f.window.SetText(Ctl(cboHour), "6");
  f.window.SetText(Ctl(cboMinute), "41");
  f.Choose(Ctl(cboSearchAspect), 8);  // sesquiquadrate
}

// Each list's entries name the bodies its positions ask for; hour and minute
// picked or typed (a minute that is none leaves the time unread).
TEST(WindowInputs, ListEntriesAndTheBirthMinuteReachTheRequest) {
  FormFixture f;
  for (const CaseLine& c : ReadCases("ui/cases/body_lists.txt")) {
    f.window.SetValue(Ctl(c[0] == "world" ? optWorld : optPersonal), 1);
    const Control list = Ctl(cboPlanet, static_cast<int16_t>(std::stoi(c[1])));
    std::string entries, asked;
    for (int16_t p = 0; p < f.window.ListCount(list); ++p) {
      f.Choose(list, p);
      const RunRequest r = RequestFromWindow(f.state, WindowCommand::Start);
      entries += (p == 0 ? "" : ", ") + f.window.ListItem(list, p);
      asked += (p == 0 ? "" : ", ") + BodyName(list.index == 0 ? r.first : r.second);
    }
    EXPECT_EQ(entries, c[2]) << c.where;
    EXPECT_EQ(asked, c[2]) << c.where;
  }
  test::Personal(f, 3, 4, "1980");
  for (const CaseLine& c : ReadCases("ui/cases/birth_minutes.txt")) {
    f.Choose(Ctl(cboHour), 15);
    f.Choose(Ctl(cboMinute), 7);
    if (c[0] != "-") f.window.SetText(Ctl(cboHour), c[0]);
    if (c[1] != "-") f.window.SetText(Ctl(cboMinute), Unquoted(c[1]));
    const BirthData birth = RequestFromWindow(f.state, WindowCommand::Start).birth;
    const auto text = [](std::optional<int16_t> n) { return n ? std::to_string(*n) : std::string("none"); };
    EXPECT_EQ(text(birth.hour) + " " + text(birth.minute), c[2]) << c.where;
  }
}

// Each choice reaches the request alone, as the command allows it.
TEST(WindowInputs, MenuChoicesReachTheRequest) {
  for (const CaseLine& c : ReadCases("ui/cases/menu_choices.txt")) {
    FormFixture f;
    Inputs(f, c[0]);
    const RunRequest plain = RequestFromWindow(f.state, CommandOf(c[2]));
    f.state.Options = OptionsOf(c[1]);
    ASSERT_EQ(test::OptionsText(f.state.Options), c[1]) << c.where;
    RunRequest asked = RequestFromWindow(f.state, CommandOf(c[2]));
    EXPECT_EQ(RequestText(asked), c[3]) << c.where;
    asked.stations = asked.ingresses = asked.houseIngresses = asked.withMoon = false;
    asked.eclipses = asked.lunations = asked.voidOfCourse = false;
    asked.aspects = plain.aspects, asked.houses = plain.houses, asked.progression = plain.progression;
    EXPECT_EQ(asked, plain) << c.where << ": the choices changed more than themselves";
  }
}

const char* const kEverything =
    "stations ingresses houseIngresses withMoon eclipses lunations voidOfCourse aspects 1 3 8 11 houses 2 moving 1";

// A value missing (saved before the input existed) or damaged takes its default.
TEST(WindowInputs, MissingOrDamagedValuesTakeTheirDefaults) {
  for (const CaseLine& c : ReadCases("ui/cases/damaged_states.txt")) {
    MemorySettingsStore store;
    {
      FormFixture f(test::StoreServices(store));
      Inputs(f, "personal");
      f.state.Options = OptionsOf(kEverything);
      f.Press(Ctl(cmdSaveState));
    }
    if (c[1] != "-") {
      store.WriteValue("Software\\Quillfern\\SKL", c[0], Unquoted(c[1]));
    } else {
      store.SetFaultHook([name = c[0]](StoreOperation op, std::string_view, std::string_view n) {
        return op == StoreOperation::ReadValue && n == name ? StoreNotFound : StoreSuccess;
      });
    }
    FormFixture again(test::StoreServices(store));
    EXPECT_EQ(test::OptionsText(again.state.Options), c[2]) << c.where;
    EXPECT_EQ(again.window.Text(Ctl(cboHour)) + ":" + again.window.Text(Ctl(cboMinute)), c[3]) << c.where;
  }
}

// A personal window run's report, tables included, and CSV are the command line's.
TEST(WindowInputs, AWindowRunGivesTheCommandLinesReportAndFile) {
  for (const CaseLine& c : ReadCases("ui/cases/window_runs.txt")) {
    FormFixture f;
    test::Personal(f, 3, 0, "1980");  // Mars to the natal Sun
    f.EnterDate(0, "2024", "1", "1");
    f.EnterDate(1, "2024", "12", "31");
    f.state.Options = OptionsOf(c[1]);
    f.Press(Ctl(cmdStart));
    const std::string window = f.OutputLf();
    const std::filesystem::path folder = test::FreshFolder("forecast-window");
    const test::CliResult cli = test::RunCli(
        "personal Mars Sun --start 2024-01-01 --end 2024-12-31 --zone GMT --birth 1980-01-01 --birth-time 12:00 "
        "--birth-zone GMT --csv " +
        test::Quoted(folder / "cli.csv") + " " + c[0]);
    ASSERT_EQ(cli.status, 0) << c.where << "\n" << cli.err;
    EXPECT_NE(window.find(c[2]), std::string::npos) << c.where << "\n" << window;
    EXPECT_EQ(window, cli.out) << c.where;

    f.window.QueueFileName((folder / "window.csv").string());
    ExportResultsCommand(f.state, ExportFormat::Csv);
    EXPECT_EQ(test::Slurp(folder / "window.csv"), test::Slurp(folder / "cli.csv")) << c.where;
  }
}

// A Show-all series runs only with nested orbs, and says so once, after the
// list's own check. A run shows each day it reaches and its share of the
// period it walks (back from 3 December, where the orb began).
TEST(WindowInputs, ASeriesWithOrbsNotNestedRunsNothingAndARunShowsItsProgress) {
  FormFixture f;
  test::World(f, 4, 5);
  f.Choose(Ctl(cboOrbs, 1), 14);  // 15 degrees under an outer orb of 10
  f.window.SetText(Ctl(txbOutput), "earlier\r\n");
  f.Press(Ctl(cmdShowAll, 0));
  ASSERT_EQ(f.window.MessageBoxes().size(), 2u);
  EXPECT_EQ(f.LastMessage().title + "|" + f.LastMessage().text,
            "Orb values|Orbs must be strictly decreasing and differ by at least 2\xC2\xB0.");
  EXPECT_EQ(f.Output(), "earlier\r\n");
  EXPECT_EQ(f.state.Runs.RunsStarted(), 0);
  f.Choose(Ctl(cboOrbs, 1), 4);
  test::World(f, 4, 4);  // Jupiter and Saturn
  f.EnterDate(0, "2020", "12", "11");
  f.EnterDate(1, "2020", "12", "21");
  f.Press(Ctl(cmdStart));
  const std::vector<std::string>& shown = f.window.Progress();
  ASSERT_EQ(shown.size(), 19u) << f.LastMessage().text;
  EXPECT_EQ(shown.front() + " " + shown[9] + " " + shown.back(), "2020-12-03 0% 2020-12-12 50% 2020-12-21 100%");
  EXPECT_FALSE(f.window.ProgressShown());
}

}  // namespace
}  // namespace skyloom
