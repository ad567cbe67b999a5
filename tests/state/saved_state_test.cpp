#include "state/saved_state.h"

#include <gtest/gtest.h>

#include "support/scoped_time_zone.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "calendar/time_zones.h"
#include "ports/memory_settings_store.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::FormFixture;
using Write = MemorySettingsStore::Write;

constexpr const char* kSkl = "Software\\Quillfern\\SKL";

MainFormServices StoreServices(MemorySettingsStore& store) {
  MainFormServices services;
  services.saveState = [&store](FormState& state) { return SaveProgramState(state, store); };
  services.restoreState = [&store](FormState& state) { return RestoreProgramState(state, store); };
  return services;
}

// The machine's zone for one test: five hours west of Greenwich, so that
// neither Greenwich nor an unset list can pass for it.
using test::ScopedTimeZone;

constexpr int16_t kMachineZonePosition = 14;  // GMT-5:00

// Every input the state covers, by control, as the window shows it.
std::map<std::string, std::string> Inputs(const Window& w) {
  std::map<std::string, std::string> inputs;
  const auto name = [](ControlName n, int16_t i) { return std::string(InfoOf(n).text) + std::to_string(i); };
  for (ControlName box : {txbYear, txbMonth, txbDay})
    for (int16_t i = 0; i < 3; ++i) inputs[name(box, i)] = w.Text(Ctl(box, i));
  for (ControlName box : {txbStopDate, txbAllTransitsDateFormat}) inputs[name(box, 0)] = w.Text(Ctl(box));
  for (auto [list, count] : {std::pair{cboPlanet, 2}, {cboOrbs, 3}, {cboTimezone, 2}, {cboSearchAspect, 1},
                             {cboHour, 1}, {cboMinute, 1}})
    for (int16_t i = 0; i < count; ++i) {
      const Control c = Ctl(list, i);
      inputs[name(list, i)] = std::to_string(w.ListIndex(c)) + " " + w.ListItem(c, w.ListIndex(c));
    }
  for (ControlName value : {optWorld, optPersonal, optTropical, optSidereal, chkDisplayNATZabbr})
    inputs[name(value, 0)] = std::to_string(w.Value(Ctl(value)));
  return inputs;
}

class SavedState : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TimezonePositionOfMinutes(MachineTimezoneMinutes()), kMachineZonePosition);
  }

  ScopedTimeZone zone_{"EST5"};
  MemorySettingsStore store_;
};

TEST_F(SavedState, SaveWritesEveryInputInOrderWithTheMarkerLast) {
  FormFixture f(StoreServices(store_));
  f.EnterDate(0, "2021", "3", "4");
  f.EnterDate(1, "2022", "5", "6");
  f.Choose(Ctl(cboPlanet, 0), 8);  // Pluto
  f.Choose(Ctl(cboPlanet, 1), 9);  // Moon
  f.Choose(Ctl(cboOrbs, 0), 11);
  f.Choose(Ctl(cboOrbs, 1), 7);
  f.Choose(Ctl(cboOrbs, 2), 3);
  f.window.SetValue(Ctl(optSidereal), 1);
  f.window.SetValue(Ctl(chkDisplayNATZabbr), 1);
  f.Choose(Ctl(cboTimezone, 0), 30);
  f.Choose(Ctl(cboSearchAspect), 2);
  f.Choose(Ctl(cboHour), 14);
  f.Choose(Ctl(cboMinute), 7);
  f.window.SetText(Ctl(txbStopDate), "2030");

  f.Press(Ctl(cmdSaveState));

  const std::string skl = kSkl;
  const std::vector<Write> expected = {
      {skl + "\\Year", "0", "2021"},     {skl + "\\Month", "0", "3"},  {skl + "\\Day", "0", "4"},
      {skl + "\\PlanetLI", "0", "8"},    {skl + "\\Year", "1", "2022"}, {skl + "\\Month", "1", "5"},
      {skl + "\\Day", "1", "6"},         {skl + "\\PlanetLI", "1", "9"}, {skl + "\\Year", "2", " "},
      {skl + "\\Month", "2", " "},       {skl + "\\Day", "2", " "},     {skl + "\\OrbsLI", "0", "11"},
      {skl + "\\OrbsLI", "1", "7"},      {skl + "\\OrbsLI", "2", "3"},  {skl, "World", "N"},
      {skl, "Tropical", "N"},            {skl, "TZ0", "30"},            {skl, "TZ1", "-1"},
      {skl, "NATZ", "1"},                {skl, "Stop", "2030"},         {skl, "ATDateFmt", "1"},
      {skl, "SrchAsp", "2"},             {skl, "BirthHour", "14"},      {skl, "BirthMinute", "7"},
      {skl, "StateSaved", "Y"},
  };
  EXPECT_EQ(store_.Writes(), expected);
  EXPECT_EQ(store_.FlushCount(), 1);
  EXPECT_TRUE(f.state.StateRecentlySaved);
  ASSERT_EQ(f.window.PopUps().size(), 1u);
  EXPECT_EQ(f.window.PopUps()[0].message, "Done");
  EXPECT_TRUE(f.window.MessageBoxes().empty());
}

TEST_F(SavedState, WorldModeWithSaturnAndPlutoComesBackAtTheNextStart) {
  {
    FormFixture f(StoreServices(store_));
    ASSERT_TRUE(f.window.Click(Ctl(optWorld)));
    f.Choose(Ctl(cboPlanet, 0), 5);  // Saturn in Sun..Neptune
    f.Choose(Ctl(cboPlanet, 1), 7);  // Pluto in Mercury..Pluto
    f.Press(Ctl(cmdSaveState));
    f.window.QueueAnswer(MsgAnswer::No);
    f.Press(Ctl(cmdQuit));
    ASSERT_TRUE(f.form.Ended());
  }
  FormFixture f(StoreServices(store_));
  EXPECT_EQ(f.window.Value(Ctl(optWorld)), 1);
  EXPECT_EQ(f.window.Text(Ctl(cboPlanet, 0)), "Saturn");
  EXPECT_EQ(f.window.Text(Ctl(cboPlanet, 1)), "Pluto");
  EXPECT_FALSE(f.window.Visible(Ctl(fraBirthDate)));
  EXPECT_FALSE(f.window.Visible(Ctl(fraZodiac)));
  EXPECT_FALSE(f.window.Visible(Ctl(cmdShowAll, 1)));
  EXPECT_EQ(f.window.Text(Ctl(lblPlanet, 0)), "Inner planet");
  EXPECT_EQ(f.window.Text(Ctl(cmdStart)), "Show all world transits between Saturn and Pluto");
  // The start-up restore is silent.
  EXPECT_TRUE(f.window.PopUps().empty());
  EXPECT_TRUE(f.window.MessageBoxes().empty());

  // The restored bodies are the ones remembered for world mode.
  ASSERT_TRUE(f.window.Click(Ctl(optPersonal)));
  ASSERT_TRUE(f.window.Click(Ctl(optWorld)));
  EXPECT_EQ(f.window.Text(Ctl(cboPlanet, 0)), "Saturn");
  EXPECT_EQ(f.window.Text(Ctl(cboPlanet, 1)), "Pluto");
}

TEST_F(SavedState, EveryInputComesBackAtTheNextStart) {
  std::map<std::string, std::string> saved;
  {
    FormFixture f(StoreServices(store_));
    f.EnterDate(0, "1999", "2", "3");
    f.EnterDate(1, "2001", "4", "5");
    f.EnterDate(2, "1950", "6", "7");
    f.Choose(Ctl(cboPlanet, 0), 8);
    f.Choose(Ctl(cboPlanet, 1), 9);
    f.Choose(Ctl(cboOrbs, 0), 13);
    f.Choose(Ctl(cboOrbs, 1), 6);
    f.Choose(Ctl(cboOrbs, 2), 2);
    f.window.SetValue(Ctl(optSidereal), 1);
    f.window.SetValue(Ctl(chkDisplayNATZabbr), 1);
    f.Choose(Ctl(cboTimezone, 0), 14);  // EST/CDT
    f.Choose(Ctl(cboTimezone, 1), 8);   // PST/AKDT
    f.Choose(Ctl(cboHour), 24);
    f.Choose(Ctl(cboMinute), 12);
    f.window.SetText(Ctl(txbAllTransitsDateFormat), "2");
    f.window.SetText(Ctl(txbStopDate), " 2031 ");
    f.Press(Ctl(cmdSaveState));
    saved = Inputs(f.window);
  }
  FormFixture f(StoreServices(store_));
  // The stop date goes to the search, as stored, not back into its box.
  EXPECT_EQ(f.state.StopDateText, " 2031 ");
  saved["txbStopDate0"] = f.window.Text(Ctl(txbStopDate));
  EXPECT_EQ(Inputs(f.window), saved);
}

TEST_F(SavedState, AnEmptyBirthDateComesBackAsOneBlankInEachBox) {
  FormFixture f(StoreServices(store_));
  f.Press(Ctl(cmdSaveState));
  f.EnterDate(2, "1970", "5", "5");
  f.Press(Ctl(cmdRestoreState));
  for (ControlName box : {txbYear, txbMonth, txbDay}) EXPECT_EQ(f.window.Text(Ctl(box, 2)), " ");
  EXPECT_EQ(f.window.PopUps().size(), 2u);  // "Done" for the save and for the restore
  EXPECT_EQ(f.window.PopUps().back().message, "Done");
}

TEST_F(SavedState, AStateWithoutTheResultsZoneGivesGreenwich) {
  {
    FormFixture f(StoreServices(store_));
    f.Choose(Ctl(cboTimezone, 0), 30);
    f.Press(Ctl(cmdSaveState));
  }
  store_.Remove(kSkl, "TZ0");
  FormFixture f(StoreServices(store_));
  EXPECT_EQ(f.window.ListIndex(Ctl(cboTimezone, 0)), GreenwichPosition);
  EXPECT_EQ(f.window.Text(Ctl(cboTimezone, 0)), "GMT");
}

TEST_F(SavedState, WithoutAStoredStateEveryInputKeepsItsStartUpValue) {
  FormFixture restored(StoreServices(store_));
  FormFixture plain{MainFormServices{}};
  EXPECT_EQ(Inputs(restored.window), Inputs(plain.window));
  EXPECT_EQ(restored.window.ListIndex(Ctl(cboTimezone, 0)), kMachineZonePosition);
  EXPECT_EQ(restored.window.Value(Ctl(optPersonal)), 1);
  EXPECT_EQ(restored.window.Value(Ctl(optTropical)), 1);
  const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
  const int year = static_cast<int>(std::chrono::year_month_day(today).year());
  EXPECT_EQ(restored.window.Text(Ctl(txbYear, 0)), std::to_string(year));
  EXPECT_FALSE(restored.state.StateRecentlySaved);
  EXPECT_TRUE(restored.window.PopUps().empty());
  EXPECT_EQ(store_.ValueCount(), 0u);  // nothing is written at start-up

  // A store that cannot be read at all starts the same way.
  MemorySettingsStore unreadable;
  unreadable.Put(kSkl, "StateSaved", "Y");
  unreadable.Put(kSkl, "World", "Y");
  unreadable.SetFaultHook([](StoreOperation operation, std::string_view, std::string_view) {
    return operation == StoreOperation::ReadValue ? StoreReadFault : StoreSuccess;
  });
  FormFixture damaged(StoreServices(unreadable));
  EXPECT_EQ(Inputs(damaged.window), Inputs(plain.window));
}

// A position that names no entry of its list (edited or damaged by hand)
// counts as missing: the list takes its default, at start-up and when
// Restore state is pressed. No selection is kept only for the birth zone,
// which the first start leaves unchosen.
TEST_F(SavedState, StoredPositionsOutsideTheirListsTakeTheirDefaults) {
  const std::string skl = kSkl;
  const struct {
    std::string keyPart;
    const char* name;
    const char* stored;
    Control list;
    int16_t position;
  } kCases[] = {
      {skl + "\\PlanetLI", "0", "-1", Ctl(cboPlanet, 0), 3},  // Mars
      {skl + "\\PlanetLI", "1", "10", Ctl(cboPlanet, 1), 4},  // the natal list ends at 9: Jupiter
      {skl + "\\OrbsLI", "0", "-1", Ctl(cboOrbs, 0), 9},
      {skl + "\\OrbsLI", "1", "abc", Ctl(cboOrbs, 1), 4},
      {skl + "\\OrbsLI", "2", "99999999999999999999999", Ctl(cboOrbs, 2), 1},
      {skl, "TZ0", "48", Ctl(cboTimezone, 0), 24},
      {skl, "TZ1", "-1.6", Ctl(cboTimezone, 1), 24},
      {skl, "SrchAsp", "-32769", Ctl(cboSearchAspect), 0},
      {skl, "BirthHour", "25", Ctl(cboHour), 0},
      {skl, "BirthMinute", "\xff\xfe\x80", Ctl(cboMinute), 0},
  };
  store_.Put(kSkl, "StateSaved", "Y");
  for (const auto& c : kCases) store_.Put(c.keyPart, c.name, c.stored);
  FormFixture f(StoreServices(store_));
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& c : kCases) {
      SCOPED_TRACE(std::string(pass == 0 ? "start-up " : "Restore state ") + c.name + "=" + c.stored);
      EXPECT_EQ(f.window.ListIndex(c.list), c.position);
    }
    EXPECT_TRUE(f.window.MessageBoxes().empty());
    // Other choices, which the press below must replace by the defaults.
    f.state.FormLoaded = false;
    for (const auto& c : kCases) f.Choose(c.list, 2);
    f.state.FormLoaded = true;
    f.Press(Ctl(cmdRestoreState));
  }
  EXPECT_EQ(f.window.Text(Ctl(Label1)), "for first 10\xC2\xB0");
  EXPECT_EQ(f.window.Text(Ctl(cmdStart)), "Show all personal transits by Mars of natal Jupiter");

  // The birth zone left unchosen comes back unchosen; in world mode the
  // bodies of a position that list does not have are world mode's own.
  store_.Put(kSkl, "TZ1", "-1");
  store_.Put(kSkl, "World", "Y");
  store_.Put(skl + "\\PlanetLI", "1", "8");  // natal Moon: the world list ends at 7
  FormFixture world(StoreServices(store_));
  EXPECT_EQ(world.window.ListIndex(Ctl(cboTimezone, 1)), -1);
  EXPECT_EQ(world.window.Text(Ctl(cmdStart)), "Show all world transits between Mars and Jupiter");
  world.Choose(Ctl(cboPlanet, 0), 0);
  world.Choose(Ctl(cboPlanet, 1), 0);
  world.Press(Ctl(cmdRestoreState));
  EXPECT_EQ(world.window.Text(Ctl(cmdStart)), "Show all world transits between Mars and Jupiter");
}

TEST_F(SavedState, APositionIsTheLeadingNumberOfItsTextRoundedToEven) {
  FormFixture f(StoreServices(store_));
  store_.Put(kSkl, "StateSaved", "Y");
  const struct {
    const char* stored;  // nullptr: not stored at all
    int16_t position;
  } kCases[] = {
      {"3", 3},    {" 2", 2},   {"+1", 1},   {"2.5", 2},  {"3.5", 4},  {"1.49", 1}, {"0.5", 0},
      {"-0.5", 0}, {"-1", 0},   {"4abc", 4}, {"1e3", 1},  {"-1.5", 0}, {"5", 0},    {"abc", 0},
      {" ", 0},    {".", 0},    {"-", 0},    {nullptr, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.stored ? c.stored : "(none)");
    f.Choose(Ctl(cboSearchAspect), 2);
    if (c.stored) {
      store_.Put(kSkl, "SrchAsp", c.stored);
    } else {
      store_.Remove(kSkl, "SrchAsp");
    }
    ASSERT_TRUE(RestoreProgramState(f.state, store_));
    EXPECT_EQ(f.window.ListIndex(Ctl(cboSearchAspect)), c.position);
  }
}

TEST_F(SavedState, RestoreStateBringsBackTheBodiesOfTheOtherMode) {
  FormFixture f(StoreServices(store_));
  f.Choose(Ctl(cboPlanet, 0), 8);  // transiting Pluto
  f.Choose(Ctl(cboPlanet, 1), 9);  // natal Moon: no world list has a tenth entry
  f.Press(Ctl(cmdSaveState));
  f.Choose(Ctl(cboPlanet, 0), 0);
  f.Choose(Ctl(cboPlanet, 1), 0);
  ASSERT_TRUE(f.window.Click(Ctl(optWorld)));
  f.Press(Ctl(cmdRestoreState));
  EXPECT_EQ(f.window.Value(Ctl(optPersonal)), 1);
  EXPECT_EQ(f.window.Text(Ctl(cboPlanet, 0)), "Pluto");
  EXPECT_EQ(f.window.Text(Ctl(cboPlanet, 1)), "Moon");
  EXPECT_TRUE(f.window.Visible(Ctl(fraBirthDate)));
  EXPECT_EQ(f.window.Text(Ctl(cmdStart)), "Show all personal transits by Pluto of natal Moon");

  ASSERT_TRUE(f.window.Click(Ctl(optWorld)));
  f.Choose(Ctl(cboPlanet, 0), 5);  // Saturn
  f.Choose(Ctl(cboPlanet, 1), 7);  // Pluto
  f.Press(Ctl(cmdSaveState));
  f.Choose(Ctl(cboPlanet, 0), 2);
  f.Choose(Ctl(cboPlanet, 1), 2);
  ASSERT_TRUE(f.window.Click(Ctl(optPersonal)));
  f.Press(Ctl(cmdRestoreState));
  EXPECT_EQ(f.window.Value(Ctl(optWorld)), 1);
  EXPECT_EQ(f.window.Text(Ctl(cboPlanet, 0)), "Saturn");
  EXPECT_EQ(f.window.Text(Ctl(cboPlanet, 1)), "Pluto");
  EXPECT_FALSE(f.window.Visible(Ctl(fraBirthDate)));
  EXPECT_EQ(f.window.Text(Ctl(cmdStart)), "Show all world transits between Saturn and Pluto");
}

TEST_F(SavedState, TheZonesAreSelectedAfterTheAbbreviationsHaveRefilledTheirLists) {
  FormFixture f(StoreServices(store_));
  f.Choose(Ctl(cboTimezone, 0), 14);
  f.Press(Ctl(cmdSaveState));
  f.Choose(Ctl(cboTimezone, 0), 30);
  store_.Remove(kSkl, "NATZ");  // missing: checked
  f.Press(Ctl(cmdRestoreState));
  EXPECT_EQ(f.window.Value(Ctl(chkDisplayNATZabbr)), 1);
  EXPECT_EQ(f.window.Text(Ctl(cboTimezone, 0)), "EST/CDT");
  EXPECT_EQ(f.window.ListItem(Ctl(cboTimezone, 1), 16), "AST/EDT");
}

TEST_F(SavedState, QuitAsksAgainOnlyAfterElevenTicks) {
  for (ControlName command : {cmdSaveState, cmdRestoreState}) {
    SCOPED_TRACE(InfoOf(command).text);
    for (int ticks : {0, 10, 12}) {
      SCOPED_TRACE(ticks);
      FormFixture f(StoreServices(store_));
      f.Press(Ctl(command));
      const size_t boxes = f.window.MessageBoxes().size();
      for (int t = 0; t < ticks; ++t) f.window.Tick();
      f.window.QueueAnswer(MsgAnswer::Cancel);
      f.Press(Ctl(cmdQuit));
      if (ticks <= 10) {
        EXPECT_TRUE(f.form.Ended());
        EXPECT_EQ(f.window.MessageBoxes().size(), boxes);
      } else {
        EXPECT_FALSE(f.form.Ended());
        ASSERT_EQ(f.window.MessageBoxes().size(), boxes + 1);
        EXPECT_EQ(f.window.MessageBoxes().back().text, "Save program state for next run?");
      }
    }
  }

  // Yes saves before the program ends.
  FormFixture f(StoreServices(store_));
  for (int t = 0; t < 11; ++t) f.window.Tick();
  const int flushes = store_.FlushCount();
  f.window.QueueAnswer(MsgAnswer::Yes);
  f.Press(Ctl(cmdQuit));
  EXPECT_TRUE(f.form.Ended());
  EXPECT_EQ(store_.FlushCount(), flushes + 1);
  EXPECT_EQ(store_.Find(kSkl, "StateSaved"), "Y");
}

// A store on a file can say which file and why.
class StoreWithReason : public MemorySettingsStore {
 public:
  std::string FlushFailure() const override { return reason; }
  std::string reason;
};

TEST_F(SavedState, AFailedSaveIsReportedAndQuittingStillAsks) {
  const struct {
    StoreOperation operation;
    const char* name;
    const char* reason;  // the store's own account of a failed flush
    const char* message;
  } kCases[] = {
      {StoreOperation::WriteValue, "1", "",
       "Error saving to registry:\r\nstrKey=\\SKL\\Day\r\nstrName=1\r\nstrValue=31"},
      {StoreOperation::Flush, "", "",
       "Error saving to registry:\r\nThe system cannot write to the specified device."},
      {StoreOperation::Flush, "", "/home/ann/.config/Quillfern/SKL.conf: Is a directory",
       "Error saving to registry:\r\n/home/ann/.config/Quillfern/SKL.conf: Is a directory"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.message);
    StoreWithReason store;
    store.reason = c.reason;
    store.Put(kSkl, "StateSaved", "Y");
    FormFixture f(StoreServices(store));
    ASSERT_TRUE(f.state.StateRecentlySaved);  // restored at start-up
    f.EnterDate(1, "2020", "12", "31");
    store.SetFaultHook([&c](StoreOperation operation, std::string_view keyPath, std::string_view name) {
      const bool day = c.operation != StoreOperation::WriteValue || std::string(keyPath).ends_with("\\Day");
      return operation == c.operation && day && name == c.name ? StoreWriteFault : StoreSuccess;
    });
    f.Press(Ctl(cmdSaveState));
    ASSERT_EQ(f.window.MessageBoxes().size(), 1u);
    EXPECT_EQ(f.window.MessageBoxes()[0].text, c.message);
    EXPECT_EQ(f.window.MessageBoxes()[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(f.window.PopUps().empty());
    EXPECT_FALSE(f.state.StateRecentlySaved);
    // Nothing is written after a value that failed, the marker least of all.
    if (c.operation == StoreOperation::WriteValue) {
      ASSERT_FALSE(store.Writes().empty());
      EXPECT_EQ(store.Writes().back().name, "1");
      EXPECT_TRUE(store.Writes().back().keyPath.ends_with("\\Month"));
    }

    f.window.QueueAnswer(MsgAnswer::Cancel);
    f.Press(Ctl(cmdQuit));
    EXPECT_FALSE(f.form.Ended());
    EXPECT_EQ(f.window.MessageBoxes().back().text, "Save program state for next run?");
    // Yes with a save that fails again keeps the window, and the inputs.
    f.window.QueueAnswer(MsgAnswer::Yes);
    f.Press(Ctl(cmdQuit));
    EXPECT_FALSE(f.form.Ended());
    EXPECT_EQ(f.window.MessageBoxes().back().icon, MsgIcon::Exclamation);
  }
}

TEST_F(SavedState, ACrashInTheMiddleOfASaveLeavesThePreviousState) {
  std::map<std::string, std::string> first;
  {
    FormFixture f(StoreServices(store_));
    f.EnterDate(0, "2011", "1", "1");
    f.Choose(Ctl(cboOrbs, 0), 12);
    f.Press(Ctl(cmdSaveState));
    first = Inputs(f.window);

    f.EnterDate(0, "2012", "2", "2");
    ASSERT_TRUE(f.window.Click(Ctl(optWorld)));
    int writes = 0;
    store_.SetFaultHook([&writes](StoreOperation operation, std::string_view, std::string_view) {
      if (operation == StoreOperation::WriteValue && ++writes == 20) throw std::runtime_error("power cut");
      return StoreSuccess;
    });
    EXPECT_THROW(f.Press(Ctl(cmdSaveState)), std::runtime_error);
  }
  store_.SetFaultHook(nullptr);
  store_.DiscardUnflushed();
  FormFixture f(StoreServices(store_));
  EXPECT_EQ(Inputs(f.window), first);
}

}  // namespace
}  // namespace skyloom
