#include "runs/run_controller.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "engine/positions.h"
#include "ports/calendar_library.h"
#include "runs/output_box.h"
#include "support/form_fixture.h"
#include "support/run_fixture.h"
#include "support/independent.h"

namespace skyloom {
namespace {

using test::FormFixture;
using Pair = std::pair<BodyIndex, BodyIndex>;

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

int32_t DayOf(int32_t year, int32_t month, int32_t day) { return test::Day(year, month, day); }

using test::Personal;
using test::World;

// The body pair of every run the engine performs, read at its first yield.
struct RunRecorder {
  explicit RunRecorder(FormFixture& f) : fixture(f) {
    f.window.SetPendingEventsHook([this] {
      if (fixture.state.RunsStarted == seen) return;
      seen = fixture.state.RunsStarted;
      pairs.emplace_back(fixture.state.RunBodies[0], fixture.state.RunBodies[1]);
      if (onNewRun) onNewRun(seen);
    });
  }
  FormFixture& fixture;
  int32_t seen = 0;
  std::vector<Pair> pairs;
  std::function<void(int32_t)> onNewRun;
};

int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

// --- Start and its refusals ------------------------------------------------

TEST(StartCommand, NoInnerBodyMeansPlutoAndIsRefusedBeforeAnOuterBody) {
  FormFixture f;
  World(f, 3, 3);  // Mars, Jupiter
  f.Choose(C(ControlName::cboPlanet, 0), -1);
  f.Press(C(ControlName::cmdStart));
  EXPECT_EQ(f.LastMessage().text, "Outer planet must be beyond inner planet");
  EXPECT_EQ(f.window.MessageBoxes().size(), 1u);
  EXPECT_EQ(f.state.RunBodies[0], Pluto);
  EXPECT_EQ(f.state.RunBodies[1], Jupiter);
  EXPECT_EQ(f.state.RunsStarted, 0);
  EXPECT_TRUE(f.state.RunAbandoned);
  EXPECT_EQ(f.Output(), "");
}

TEST(StartCommand, ARunFillsTheRunInputsAndGrowsTheWindow) {
  FormFixture f;
  World(f, 4, 4);  // Jupiter, Saturn
  f.Choose(C(ControlName::cboOrbs, 0), 14);
  f.Choose(C(ControlName::cboOrbs, 1), 7);
  f.Choose(C(ControlName::cboOrbs, 2), 2);
  f.Choose(C(ControlName::cboTimezone, 0), 35);  // GMT+5:30
  f.EnterDate(0, "2020", "1", "1");
  f.EnterDate(1, "2020", "1", "4");  // the shortest period allowed
  f.Press(C(ControlName::cmdStart));
  ASSERT_EQ(f.state.RunsStarted, 1) << f.LastMessage().text;
  EXPECT_FALSE(f.state.RunAbandoned);
  EXPECT_EQ((Pair{f.state.RunBodies[0], f.state.RunBodies[1]}), (Pair{Jupiter, Saturn}));
  EXPECT_EQ(f.state.Orbs.OrbDegrees, (std::array<int16_t, 3>{15, 8, 3}));
  EXPECT_DOUBLE_EQ(f.state.Orbs.OrbRadians[1], 8 * 6.28318530717959 / 360);
  EXPECT_TRUE(f.state.Orbs.OuterOrbIs15);
  EXPECT_EQ(f.state.ZoneMinutes, 330);
  EXPECT_EQ(f.state.RunZodiac, Zodiac::Tropical);
  EXPECT_EQ(f.state.RunStartDay, DayOf(2020, 1, 1));
  EXPECT_EQ(f.state.RunEndDay, DayOf(2020, 1, 4));
  EXPECT_EQ(f.window.FormGeometry().Height, RunWindowHeight);
  EXPECT_NE(f.Output().find("| Start 15°   Start 8°    Start 3°    |"), std::string::npos) << f.Output();

  // Two days are too short a period; nothing runs.
  f.EnterDate(1, "2020", "1", "3");
  f.Press(C(ControlName::cmdStart));
  EXPECT_EQ(f.state.RunsStarted, 1);
  EXPECT_EQ(f.LastMessage().text, "The start date must be at least 3 days prior to the end date.");
}

// The birth minute in Universal Time decides the natal Moon, which moves
// half a degree an hour: 13:35 at GMT+5:30 is 08:05 UT.
TEST(StartCommand, NatalPositionAtTheBirthMinuteInUniversalTime) {
  FormFixture f;
  Personal(f, 3, 9, "1980");  // Mars, natal Moon
  f.EnterDate(2, "1980", "6", "15");
  f.Choose(C(ControlName::cboHour), 14);    // 13
  f.Choose(C(ControlName::cboMinute), 8);   // 35
  f.Choose(C(ControlName::cboTimezone, 1), 35);
  f.Press(C(ControlName::cmdStart));
  ASSERT_EQ(f.state.RunsStarted, 1) << f.LastMessage().text;
  const double natal = f.state.NatalLongitude[Moon];
  const double birthUt = DayOf(1980, 6, 15) - 0.5 + (8 * 60 + 5) / 1440.0;
  test::IndependentRun run{false, Moon, 0, natal, 1, 0};
  EXPECT_LT(test::IndependentDeviation(run, birthUt), 0.001);
  // Half an hour off would be a quarter of a degree.
  EXPECT_GT(test::IndependentDeviation(run, birthUt + 1.0 / 48), 0.2);
}

// Born in the first minutes of 1600 east of Greenwich, the birth instant is
// still 1599 in Universal Time, where there is no Moon to aim at.
TEST(StartCommand, BirthInstantBeforeTheNatalBodysDataIsRefused) {
  FormFixture f;
  Personal(f, 3, 9, "1600");  // Mars, natal Moon
  f.EnterDate(0, "1600", "2", "1");
  f.EnterDate(1, "1600", "3", "1");
  f.Choose(C(ControlName::cboHour), 1);  // 00:00
  f.Choose(C(ControlName::cboTimezone, 1), 26);  // GMT+1:00
  f.Press(C(ControlName::cmdStart));
  EXPECT_EQ(f.state.RunsStarted, 0);
  EXPECT_TRUE(f.state.RunAbandoned);
  EXPECT_EQ(f.LastMessage().text, "Date is prior to allowable date range for Moon.");
  EXPECT_EQ(f.LastMessage().title, "Error");

  f.Choose(C(ControlName::cboTimezone, 1), 24);
  f.Press(C(ControlName::cmdStart));
  EXPECT_EQ(f.state.RunsStarted, 1) << f.LastMessage().text;
}

// --- Moving the start back --------------------------------------------------

// Mars trines Uranus within the inner orb (2 degrees) at the start of
// 23 August 2021; the run starts on the last day whose midnight was outside.
TEST(ExtendStartToTransit, StartsOnTheLastDayOutsideTheInnerOrb) {
  for (int16_t zonePosition : {24, 1, 47}) {
    SCOPED_TRACE(zonePosition);
    FormFixture f;
    World(f, 3, 5);  // Mars, Uranus
    f.Choose(C(ControlName::cboTimezone, 0), zonePosition);
    f.EnterDate(0, "2021", "8", "23");
    f.EnterDate(1, "2021", "9", "30");
    const std::string label = f.window.Text(C(ControlName::lblDate, 0));

    const int16_t zone = ZoneMinutesOfPosition(zonePosition);
    const test::IndependentRun trine{true, Mars, Uranus, 0, 4, zone};
    const int32_t entered = DayOf(2021, 8, 23);
    ASSERT_LT(test::IndependentDeviation(trine, LocalMidnight(entered, zone)), 2.0);
    int32_t expected = entered - 1;
    while (test::IndependentDeviation(trine, LocalMidnight(expected, zone)) < 2.0) --expected;

    f.Press(C(ControlName::cmdStart));
    ASSERT_EQ(f.state.RunsStarted, 1) << f.LastMessage().text;
    EXPECT_LT(expected, entered - 1);
    EXPECT_EQ(f.state.RunStartDay, expected) << FormatDayNumber(f.state.RunStartDay);
    EXPECT_EQ(f.state.EnteredDayNumbers[0], expected);
    EXPECT_EQ(f.state.RunEndDay, DayOf(2021, 9, 30));
    // The window still shows the date the user entered.
    EXPECT_EQ(f.window.Text(C(ControlName::txbYear, 0)), "2021");
    EXPECT_EQ(f.window.Text(C(ControlName::txbMonth, 0)), "8");
    EXPECT_EQ(f.window.Text(C(ControlName::txbDay, 0)), "23");
    EXPECT_EQ(f.window.Text(C(ControlName::lblDate, 0)), label);
    // The report holds the trine from its inner-orb entry on.
    EXPECT_NE(f.Output().find("Trine"), std::string::npos) << f.Output();
    EXPECT_NE(f.Output().find(FormatDayNumber(expected)), std::string::npos) << f.Output();
  }
}

// Uranus and Pluto were 6 degrees apart in January 1600, inside an 11-degree
// inner orb since before Pluto's data begin: the walk back stops at its first day.
TEST(ExtendStartToTransit, StopsAtTheFirstDayOfPlutosData) {
  FormFixture f;
  World(f, 6, 7);  // Uranus, Pluto
  f.Choose(C(ControlName::cboOrbs, 0), 14);
  f.Choose(C(ControlName::cboOrbs, 1), 12);
  f.Choose(C(ControlName::cboOrbs, 2), 10);
  f.EnterDate(0, "1600", "1", "10");
  f.EnterDate(1, "1600", "2", "10");
  f.Press(C(ControlName::cmdStart));
  ASSERT_EQ(f.state.RunsStarted, 1) << f.LastMessage().text;
  EXPECT_EQ(f.state.RunStartDay, FirstTableDay);
  EXPECT_EQ(FormatDayNumber(f.state.RunStartDay), "1600-01-01");
  EXPECT_TRUE(f.state.Orbs.OuterOrbIs15);
}

// --- Stop -------------------------------------------------------------------

TEST(StartCommand, StopIsAStartPressDuringTheRun) {
  FormFixture f;
  World(f, 4, 4);
  int yields = 0;
  bool captionWasStop = false;
  f.window.SetPendingEventsHook([&] {
    if (++yields != 5) return;
    captionWasStop = f.window.Text(C(ControlName::cmdStart)) == "Stop";
    f.Press(C(ControlName::cmdStart));
    EXPECT_TRUE(f.state.StopRequested);
    EXPECT_EQ(f.state.RunsStarted, 1);  // the nested press started nothing
  });
  f.Press(C(ControlName::cmdStart));
  EXPECT_TRUE(captionWasStop);
  EXPECT_EQ(yields, 5);
  EXPECT_EQ(f.state.RunsStarted, 1);
  EXPECT_FALSE(f.state.StopRequested);
  EXPECT_TRUE(f.state.RunAbandoned);  // left by the Stop press
  const std::string out = f.Output();
  EXPECT_EQ(out.substr(out.size() - 7), "Stopped");
  EXPECT_TRUE(f.window.PopUps().empty());
  EXPECT_TRUE(f.window.MessageBoxes().empty());
  EXPECT_EQ(f.window.Text(C(ControlName::cmdStart)), "Show all world transits between Jupiter and Saturn");
}

// --- Enter in a date box ----------------------------------------------------

TEST(DateBoxKeyUp, EnterStartsARunOnlyWhileStartIsEnabled) {
  FormFixture f;
  World(f, 4, 5);
  f.window.PressKeyUp(C(ControlName::txbDay, 1), 65);
  EXPECT_EQ(f.state.RunsStarted, 0);
  f.window.SetEnabled(C(ControlName::cmdStart), false);
  f.window.PressKeyUp(C(ControlName::txbDay, 1), 13);
  EXPECT_EQ(f.state.RunsStarted, 0);
  f.window.SetEnabled(C(ControlName::cmdStart), true);
  f.window.PressKeyUp(C(ControlName::txbYear, 0), 13);
  EXPECT_EQ(f.state.RunsStarted, 1);
}

// --- Show all ---------------------------------------------------------------

TEST(ShowAllCommand, WorldSeriesPairsTheOuterBodyWithEveryOtherAndPlutoLast) {
  FormFixture f;
  World(f, 3, 3);  // Mars, Jupiter
  f.EnterDate(0, "2020", "1", "1");
  f.EnterDate(1, "2020", "1", "10");
  f.window.SetText(C(ControlName::lblCopyrightNotice), "changed");
  f.window.SetText(C(ControlName::lblQF), "changed");
  f.window.SetText(C(ControlName::txbOutput), "earlier output");
  RunRecorder runs(f);
  f.Press(C(ControlName::cmdShowAll, 0));

  const std::vector<Pair> want = {{Sun, Jupiter},     {Mercury, Jupiter}, {Venus, Jupiter},
                                  {Mars, Jupiter},    {Jupiter, Saturn},  {Jupiter, Uranus},
                                  {Jupiter, Neptune}, {Jupiter, Pluto}};
  EXPECT_EQ(runs.pairs, want);
  EXPECT_TRUE(f.window.MessageBoxes().empty());
  EXPECT_TRUE(f.window.PopUps().empty());
  const std::string out = f.Output();
  EXPECT_EQ(out.find("earlier output"), std::string::npos);
  EXPECT_EQ(CountOf(out, "Aspect      |"), 8) << out;
  EXPECT_EQ(CountOf(out, "\r\n\r\n" + std::string(119, '-') + "\r\n"), 7) << out;

  EXPECT_EQ(f.window.ListIndex(C(ControlName::cboPlanet, 0)), 3);
  EXPECT_EQ(f.window.ListIndex(C(ControlName::cboPlanet, 1)), 3);
  EXPECT_EQ(f.window.Value(C(ControlName::chkAppendToOutput)), 0);
  EXPECT_FALSE(f.state.ShowAllMode);
  EXPECT_EQ(f.window.Text(C(ControlName::cmdStart)), "Show all world transits between Mars and Jupiter");
  EXPECT_EQ(f.window.Text(C(ControlName::lblCopyrightNotice)),
            DesignOf(C(ControlName::lblCopyrightNotice)).caption);
  EXPECT_EQ(f.window.Text(C(ControlName::lblQF)), DesignOf(C(ControlName::lblQF)).caption);
  EXPECT_GT(f.window.ZOrder(C(ControlName::lblQF)), f.window.ZOrder(C(ControlName::lblCopyrightNotice)));
}

TEST(ShowAllCommand, StoppedWorldSeriesStillRunsTheClosingPlutoPair) {
  FormFixture f;
  World(f, 3, 3);  // Mars, Jupiter
  f.EnterDate(0, "2020", "1", "1");
  f.EnterDate(1, "2020", "1", "10");
  f.window.SetValue(C(ControlName::chkAppendToOutput), 1);
  RunRecorder runs(f);
  runs.onNewRun = [&](int32_t run) {
    if (run == 2) f.Press(C(ControlName::cmdStart));
  };
  f.Press(C(ControlName::cmdShowAll, 0));
  EXPECT_EQ(runs.pairs, (std::vector<Pair>{{Sun, Jupiter}, {Mercury, Jupiter}, {Jupiter, Pluto}}));
  EXPECT_EQ(CountOf(f.Output(), "Stopped"), 1);
  EXPECT_EQ(f.window.ListIndex(C(ControlName::cboPlanet, 0)), 3);
  EXPECT_EQ(f.window.Value(C(ControlName::chkAppendToOutput)), 1);
  EXPECT_FALSE(f.state.ShowAllMode);
}

TEST(ShowAllCommand, PersonalSeriesOverTheTransitingBodies) {
  FormFixture f;
  Personal(f, 3, 4, "1990");  // Mars, natal Jupiter
  f.EnterDate(0, "2020", "1", "1");
  f.EnterDate(1, "2020", "1", "10");
  RunRecorder runs(f);
  f.Press(C(ControlName::cmdShowAll, 0));  // "Show all transits of natal Jupiter"
  std::vector<Pair> want;
  for (BodyIndex b = Sun; b <= Pluto; ++b) want.emplace_back(b, Jupiter);
  EXPECT_EQ(runs.pairs, want);
  EXPECT_TRUE(f.window.MessageBoxes().empty()) << f.LastMessage().text;
}

// In 2150 neither Pluto nor the Moon has data: the series by transiting Mars
// runs natal Sun to Neptune, is refused at natal Pluto and never reaches the Moon.
TEST(ShowAllCommand, PersonalSeriesEndsAtItsFirstRefusedPair) {
  FormFixture f;
  Personal(f, 3, 4, "2000");  // Mars, natal Jupiter
  f.EnterDate(0, "2150", "1", "1");
  f.EnterDate(1, "2150", "1", "10");
  f.window.SetValue(C(ControlName::chkAppendToOutput), 0);
  RunRecorder runs(f);
  f.Press(C(ControlName::cmdShowAll, 1));  // "Show all transits by transiting Mars"
  std::vector<Pair> want;
  for (BodyIndex b = Sun; b <= Neptune; ++b) want.emplace_back(Mars, b);
  EXPECT_EQ(runs.pairs, want);
  ASSERT_EQ(f.window.MessageBoxes().size(), 1u);
  EXPECT_EQ(f.LastMessage().text, "Start date is too late for Pluto.");
  EXPECT_EQ(f.state.RunBodies[1], Pluto);
  EXPECT_EQ(f.window.ListIndex(C(ControlName::cboPlanet, 0)), 3);
  EXPECT_EQ(f.window.ListIndex(C(ControlName::cboPlanet, 1)), 4);
  EXPECT_EQ(f.window.Value(C(ControlName::chkAppendToOutput)), 0);
  EXPECT_EQ(f.window.Text(C(ControlName::cmdStart)), "Show all personal transits by Mars of natal Jupiter");
  EXPECT_FALSE(f.state.ShowAllMode);
}

// A series checks once, before it clears or runs anything, that its orbs
// are nested; the per-body minimums of a single press it leaves out.
TEST(ShowAllCommand, SeriesRunsOnlyWithNestedOrbs) {
  const struct {
    const char* what;
    bool world;
    int16_t firstPosition;
    std::array<int16_t, 3> orbs;  // list positions: degrees - 1
    bool runs;
  } kCases[] = {
      {"middle too close to the outer orb", true, 0, {9, 8, 1}, false},
      {"middle above the outer orb", true, 0, {9, 14, 1}, false},
      {"inner equal to the middle orb", false, 3, {9, 4, 4}, false},
      {"no inner orb chosen", true, 0, {9, 4, -1}, false},
      {"widest outer and middle orbs", true, 0, {14, 12, 1}, true},
      {"Sun with an inner orb of 1 degree", true, 0, {9, 4, 0}, true},
      {"transiting Mercury with an inner orb of 2 degrees", false, 1, {9, 4, 1}, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FormFixture f;
    if (c.world) {
      World(f, c.firstPosition, 7);  // with Pluto
    } else {
      Personal(f, c.firstPosition, 4, "1990");  // natal Jupiter
    }
    f.EnterDate(0, "2020", "1", "1");
    f.EnterDate(1, "2020", "1", "10");
    // Set as a restored state sets them: without the lists' own check.
    f.state.FormLoaded = false;
    for (int16_t k = 0; k < 3; ++k) f.Choose(C(ControlName::cboOrbs, k), c.orbs[k]);
    f.state.FormLoaded = true;
    f.window.SetText(C(ControlName::txbOutput), "earlier output");
    RunRecorder runs(f);
    f.Press(C(ControlName::cmdShowAll, 0));
    if (c.runs) {
      EXPECT_EQ(runs.pairs.size(), c.world ? 8u : 9u);
      EXPECT_TRUE(f.window.MessageBoxes().empty()) << f.LastMessage().text;
      continue;
    }
    EXPECT_TRUE(runs.pairs.empty());
    ASSERT_EQ(f.window.MessageBoxes().size(), 1u);
    EXPECT_EQ(f.LastMessage().text, "Orbs must be strictly decreasing and differ by at least 2\xC2\xB0.");
    EXPECT_EQ(f.LastMessage().title, "Orb values");
    EXPECT_EQ(f.LastMessage().icon, MsgIcon::Information);
    EXPECT_EQ(f.Output(), "earlier output");
    EXPECT_EQ(f.window.ListIndex(C(ControlName::cboPlanet, 0)), c.firstPosition);
    EXPECT_FALSE(f.state.ShowAllMode);
  }
}

// --- Timer ------------------------------------------------------------------

TEST(TimerTick, OutputButtonsFollowTheOutputBoxAndTheRun) {
  FormFixture f;
  World(f, 4, 5);
  const Control file = C(ControlName::cmdFile), open = C(ControlName::chkOpenOutputFile),
                clear = C(ControlName::cmdClear), shortDate = C(ControlName::lblShortDate);

  f.window.Tick();
  EXPECT_FALSE(f.window.Visible(file));
  EXPECT_FALSE(f.window.Visible(open));
  EXPECT_FALSE(f.window.Visible(clear));

  int yields = 0;
  bool fileDuringRun = true, openDuringRun = true, clearDuringRun = false;
  std::string labelDuringRun, dayDuringRun;
  f.window.SetPendingEventsHook([&] {
    if (++yields != 3) return;
    f.window.Tick();
    fileDuringRun = f.window.Visible(file);
    openDuringRun = f.window.Visible(open);
    clearDuringRun = f.window.Visible(clear);
    labelDuringRun = f.window.Text(shortDate);
    dayDuringRun = f.state.CurrentDayText;
  });
  f.Press(C(ControlName::cmdStart));
  ASSERT_GE(yields, 3);
  EXPECT_FALSE(fileDuringRun);
  EXPECT_FALSE(openDuringRun);
  EXPECT_TRUE(clearDuringRun);  // the report's header is there already
  EXPECT_EQ(labelDuringRun, dayDuringRun);
  EXPECT_EQ(labelDuringRun, "2020-01-02");

  f.window.Tick();
  EXPECT_TRUE(f.window.Visible(file));
  EXPECT_TRUE(f.window.Visible(open));
  EXPECT_TRUE(f.window.Visible(clear));

  ClearOutput(f.state);
  f.window.Tick();
  EXPECT_FALSE(f.window.Visible(file));
  EXPECT_FALSE(f.window.Visible(open));
  EXPECT_FALSE(f.window.Visible(clear));
}

TEST(TimerTick, RecentSaveExpiresOnTheEleventhTick) {
  FormFixture f;
  f.state.StateRecentlySaved = true;
  f.state.SavedTickCount = 0;
  for (int tick = 1; tick <= 10; ++tick) {
    f.window.Tick();
    ASSERT_TRUE(f.state.StateRecentlySaved) << "tick " << tick;
  }
  f.window.Tick();
  EXPECT_FALSE(f.state.StateRecentlySaved);
  const int16_t count = f.state.SavedTickCount;
  f.window.Tick();
  EXPECT_EQ(f.state.SavedTickCount, count);  // no longer counting
}

}  // namespace
}  // namespace skyloom
