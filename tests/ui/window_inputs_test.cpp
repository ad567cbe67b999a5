// What the window adds to the command line's inputs: the bodies appended to
// its lists, any birth minute, the menus' choices, and the whole chart,
// each read into the run's request and kept by a saved state; a run's
// progress.
#include <gtest/gtest.h>

#include <string>

#include "ports/memory_settings_store.h"
#include "state/saved_state.h"
#include "support/form_fixture.h"
#include "ui/window_run.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::FormFixture;
using test::StoreServices;

// A list position stored by an older state names the body it named then;
// the entries added since follow them.
TEST(WindowInputs, ListPositionsKeepTheirBodies) {
  struct Row {
    bool world;
    int16_t list, position;
    BodyIndex body;
  } rows[] = {
      {true, 0, 0, Sun},        {true, 0, 7, Neptune},     {true, 0, 8, NorthNode},   {true, 0, 10, Chiron},
      {true, 0, 11, Moon},      {true, 1, 0, Mercury},     {true, 1, 7, Pluto},       {true, 1, 8, NorthNode},
      {true, 1, 10, Chiron},    {false, 0, 0, Sun},        {false, 0, 8, Pluto},      {false, 0, 9, NorthNode},
      {false, 0, 12, Moon},     {false, 1, 4, Jupiter},    {false, 1, 9, Moon},       {false, 1, 10, NorthNode},
      {false, 1, 11, MeanNode}, {false, 1, 13, Ascendant}, {false, 1, 14, Midheaven}, {false, 1, 15, Cusp2},
      {false, 1, 25, Cusp12},
  };
  FormFixture f;
  for (const Row& row : rows) {
    f.window.SetValue(Ctl(row.world ? optWorld : optPersonal), 1);
    const Control list = Ctl(cboPlanet, row.list);
    f.Choose(list, row.position);
    const RunRequest r = RequestFromWindow(f.state, WindowCommand::Start);
    const std::string where = (row.world ? "world" : "personal") + std::string(" list ") + std::to_string(row.list) +
                              " position " + std::to_string(row.position);
    EXPECT_EQ(row.list == 0 ? r.first : r.second, row.body) << where;
    EXPECT_EQ(f.window.ListItem(list, row.position), BodyName(row.body)) << where;
  }
  // The Moon never moves in the second list; points are never moving bodies.
  f.window.SetValue(Ctl(optWorld), 1);
  EXPECT_EQ(f.window.ListCount(Ctl(cboPlanet, 1)), 11);
  f.window.SetValue(Ctl(optPersonal), 1);
  EXPECT_EQ(f.window.ListCount(Ctl(cboPlanet, 0)), 13);
}

// Hour and minute as picked or typed. A minute that is none leaves the
// time unread, so the run asks for it.
TEST(WindowInputs, AnyBirthMinuteReachesTheRequest) {
  struct Row {
    const char* hour;    // typed, or "" to pick position 15 (14 o'clock)
    const char* minute;  // typed, or "" to pick position 7 (30 minutes)
    std::optional<int16_t> wantHour, wantMinute;
  } rows[] = {
      {"", "", 14, 30},
      {"", "37", 14, 37},
      {"9", "", 9, 30},
      {"07", "05", 7, 5},
      {"", " 59 ", 14, 59},
      {"23", "0", 23, 0},
      {"", "60", std::nullopt, std::nullopt},
      {"", "4x", std::nullopt, std::nullopt},
      {"24", "", std::nullopt, 30},
  };
  FormFixture f;
  test::Personal(f, 3, 4, "1980");
  for (const Row& row : rows) {
    f.Choose(Ctl(cboHour), 15);
    f.Choose(Ctl(cboMinute), 7);
    if (*row.hour != '\0') f.window.SetText(Ctl(cboHour), row.hour);
    if (*row.minute != '\0') f.window.SetText(Ctl(cboMinute), row.minute);
    const RunRequest r = RequestFromWindow(f.state, WindowCommand::Start);
    EXPECT_EQ(r.birth.hour, row.wantHour) << row.hour << ":" << row.minute;
    EXPECT_EQ(r.birth.minute, row.wantMinute) << row.hour << ":" << row.minute;
  }
}

// Every choice the menus make, set away from its default, and the search
// aspect among the minor ones.
void ChooseEverythingNew(FormFixture& f) {
  test::Personal(f, 9, 13, "1980");  // the transiting North Node to the natal Ascendant
  f.window.SetText(Ctl(cboHour), "6");
  f.window.SetText(Ctl(cboMinute), "41");
  f.window.SetText(Ctl(txbBirthPlace), "52.52,13.405");
  f.Choose(Ctl(cboSearchAspect), 8);  // sesquiquadrate
  RunOptions& o = f.state.Options;
  o.stations = o.ingresses = o.houseIngresses = o.withMoon = true;
  o.aspects = AspectSet::Of({Conjunction, Square, Quintile, Quincunx});
  o.houses = HouseSystem::Regiomontanus;
}

TEST(WindowInputs, MenuChoicesReachTheRequest) {
  FormFixture f;
  ChooseEverythingNew(f);
  const RunRequest start = RequestFromWindow(f.state, WindowCommand::Start);
  EXPECT_EQ(start.first, NorthNode);
  EXPECT_EQ(start.second, Ascendant);
  EXPECT_EQ(start.birth.hour, 6);
  EXPECT_EQ(start.birth.minute, 41);
  EXPECT_TRUE(start.stations && start.ingresses && start.houseIngresses);
  EXPECT_EQ(start.aspects, AspectSet::Of({Conjunction, Square, Quintile, Quincunx}));
  EXPECT_EQ(start.houses, HouseSystem::Regiomontanus);
  EXPECT_EQ(start.series, SeriesKind::None);
  EXPECT_FALSE(start.withMoon);  // the Moon belongs to the whole chart only

  const RunRequest chart = RequestFromWindow(f.state, WindowCommand::WholeChart);
  EXPECT_EQ(chart.series, SeriesKind::Every);
  EXPECT_TRUE(chart.withMoon);
  EXPECT_EQ(RequestFromWindow(f.state, WindowCommand::Search).search, Sesquiquadrate);

  // World runs have no natal houses; the tables and aspects still apply.
  f.window.SetValue(Ctl(optWorld), 1);
  const RunRequest world = RequestFromWindow(f.state, WindowCommand::Start);
  EXPECT_EQ(world.houses, HouseSystem::Placidus);
  EXPECT_FALSE(world.houseIngresses);
  EXPECT_TRUE(world.stations);
  EXPECT_EQ(world.aspects, AspectSet::Of({Conjunction, Square, Quintile, Quincunx}));
}

// The next start asks for exactly what was asked before the save. A state
// saved before these inputs existed (one of them missing), or with one
// damaged, loads that one with its default and the rest as saved.
TEST(WindowInputs, NewInputsSurviveSaveAndRestoreOrTakeTheirDefaults) {
  using Reset = void (*)(RunOptions&);
  struct Row {
    const char* name;   // "": the state as saved
    const char* value;  // nullptr: not stored at all
    Reset reset;
  } rows[] = {
      {"", nullptr, [](RunOptions&) {}},
      {"Aspects", nullptr, [](RunOptions& o) { o.aspects = AspectSet::Major(); }},
      {"Aspects", "0,12,x", [](RunOptions& o) { o.aspects = AspectSet::Major(); }},
      {"Houses", "tropical", [](RunOptions& o) { o.houses = HouseSystem::Placidus; }},
      {"HouseIngresses", "yes", [](RunOptions& o) { o.houseIngresses = false; }},
      {"WithMoon", nullptr, [](RunOptions& o) { o.withMoon = false; }},
      {"BirthMinuteText", nullptr, [](RunOptions&) {}},
  };
  for (const Row& row : rows) {
    MemorySettingsStore store;
    RunOptions want;
    RunRequest start, chart;
    {
      FormFixture f(StoreServices(store));
      ChooseEverythingNew(f);
      start = RequestFromWindow(f.state, WindowCommand::Start);
      chart = RequestFromWindow(f.state, WindowCommand::WholeChart);
      f.Press(Ctl(cmdSaveState));
      want = f.state.Options;
    }
    row.reset(want);
    const std::string what = std::string(row.name) + "=" + (row.value != nullptr ? row.value : "(none)");
    if (row.value != nullptr) {
      store.WriteValue("Software\\Quillfern\\SKL", row.name, row.value);
    } else {
      store.SetFaultHook([name = std::string(row.name)](StoreOperation op, std::string_view, std::string_view n) {
        return op == StoreOperation::ReadValue && n == name ? StoreNotFound : StoreSuccess;
      });
    }
    FormFixture again(StoreServices(store));
    EXPECT_EQ(again.state.Options, want) << what;
    if (*row.name == '\0') {
      EXPECT_EQ(RequestFromWindow(again.state, WindowCommand::Start), start);
      EXPECT_EQ(RequestFromWindow(again.state, WindowCommand::WholeChart), chart);
    }
    // The typed minute is kept or, missing, the stored list position stands.
    const bool minuteKept = std::string(row.name) != "BirthMinuteText";
    EXPECT_EQ(again.window.Text(Ctl(cboMinute)), minuteKept ? "41" : "") << what;
    EXPECT_EQ(again.window.Text(Ctl(cboHour)), "6") << what;
  }
}

// A run shows each day it reaches and its share of the period, and the
// progress goes once the run is over. The conjunction is in orb on the
// first day, so the run starts back on 3 December, where its orb began:
// the share is of the period the run walks.
TEST(WindowInputs, ARunShowsItsProgress) {
  FormFixture f;
  test::World(f, 4, 4);  // Jupiter and Saturn
  f.EnterDate(0, "2020", "12", "11");
  f.EnterDate(1, "2020", "12", "21");
  f.Press(Ctl(cmdStart));
  const std::vector<std::string>& shown = f.window.Progress();
  ASSERT_TRUE(f.window.MessageBoxes().empty()) << f.LastMessage().text;
  ASSERT_EQ(shown.size(), 19u);
  EXPECT_EQ(shown.front(), "2020-12-03 0%");
  EXPECT_EQ(shown[9], "2020-12-12 50%");
  EXPECT_EQ(shown.back(), "2020-12-21 100%");
  EXPECT_FALSE(f.window.ProgressShown());
}

}  // namespace
}  // namespace skyloom
