// The saved state in a store in memory: what a save writes, stored values
// that no list has, saves that fail or are cut off. That a save restored
// and saved again writes the same values, whatever the store held, is the
// saved-state fuzzer's.
#include "state/saved_state.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "ports/memory_settings_store.h"
#include "state/registry.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::FormFixture;

const std::string kSkl = "Software\\Quillfern\\SKL";

MainFormServices StoreServices(SettingsStore& store) {
  return {{},
          [&store](FormState& state) { return SaveProgramState(state, store); },
          [&store](FormState& state) { return RestoreProgramState(state, store); }};
}

// "Key\name=value" of each write, the program's key left out.
std::string Written(const MemorySettingsStore& store) {
  std::string all;
  for (const auto& w : store.Writes()) all += w.keyPath.substr(kSkl.size()) + "\\" + w.name + "=" + w.value + " ";
  return all;
}

// Every input in the order the next start reads it back; the marker last,
// so a save cut off before its end is no saved state.
TEST(SavedState, ASaveWritesEveryInputInOrderWithTheMarkerLast) {
  MemorySettingsStore store;
  FormFixture f(StoreServices(store));
  f.EnterDate(0, "2021", "3", "4");
  f.EnterDate(1, "2022", "5", "6");
  for (auto [list, at] : {std::pair{Ctl(cboPlanet, 0), 8}, {Ctl(cboPlanet, 1), 9}, {Ctl(cboOrbs, 0), 11},
                          {Ctl(cboOrbs, 1), 7}, {Ctl(cboOrbs, 2), 3}, {Ctl(cboTimezone, 0), 30},
                          {Ctl(cboSearchAspect), 2}, {Ctl(cboHour), 14}, {Ctl(cboMinute), 7}})
    f.Choose(list, static_cast<int16_t>(at));
  f.window.SetValue(Ctl(optSidereal), 1);
  f.window.SetValue(Ctl(chkDisplayNATZabbr), 1);
  f.window.SetText(Ctl(txbStopDate), "2030");
  f.Press(Ctl(cmdSaveState));
  EXPECT_EQ(Written(store),
            "\\Year\\0=2021 \\Month\\0=3 \\Day\\0=4 \\PlanetLI\\0=8 \\Year\\1=2022 \\Month\\1=5 \\Day\\1=6 "
            "\\PlanetLI\\1=9 \\Year\\2=  \\Month\\2=  \\Day\\2=  \\OrbsLI\\0=11 \\OrbsLI\\1=7 \\OrbsLI\\2=3 "
            "\\World=N \\Tropical=N \\TZ0=30 \\TZ1=-1 \\NATZ=1 \\Stop=2030 \\ATDateFmt=1 \\SrchAsp=2 "
            "\\BirthHour=14 \\BirthMinute=7 \\StateSaved=Y ");
  EXPECT_EQ(store.FlushCount(), 1);
  ASSERT_EQ(f.window.PopUps().size(), 1u);
  EXPECT_EQ(f.window.PopUps()[0].message, "Done");
}

// A stored position that names no entry of its list (edited or damaged by
// hand) counts as missing: the list takes its default, at start-up and at
// Restore state. No choice is kept only for the birth zone, which the first
// start leaves unchosen. Key paths and names ignore case, as the registry's.
TEST(SavedState, StoredPositionsOutsideTheirListsTakeTheirDefaults) {
  const struct {
    const char* keyPart;
    const char* name;
    const char* stored;
    Control list;
    int16_t position;
  } kCases[] = {
      {"\\PlanetLI", "0", "-1", Ctl(cboPlanet, 0), 3},
      {"\\PlanetLI", "1", "10", Ctl(cboPlanet, 1), 4},  // the natal list ends at 9
      {"\\OrbsLI", "0", "-1", Ctl(cboOrbs, 0), 9},
      {"\\OrbsLI", "1", "abc", Ctl(cboOrbs, 1), 4},
      {"\\ORBSLI", "2", "99999999999999999999999", Ctl(cboOrbs, 2), 1},
      {"", "TZ0", "48", Ctl(cboTimezone, 0), 24},
      {"", "TZ1", "-1.6", Ctl(cboTimezone, 1), 24},
      {"", "srchasp", "-32769", Ctl(cboSearchAspect), 0},
      {"", "BirthHour", "25", Ctl(cboHour), 0},
      {"", "BirthMinute", "\xff\xfe\x80", Ctl(cboMinute), 0},
  };
  MemorySettingsStore store;
  store.Put(kSkl, "StateSaved", "Y");
  for (const auto& c : kCases) store.Put(kSkl + c.keyPart, c.name, c.stored);
  FormFixture f(StoreServices(store));
  for (const char* when : {"start-up", "Restore state"}) {
    for (const auto& c : kCases) EXPECT_EQ(f.window.ListIndex(c.list), c.position) << when << " " << c.name;
    EXPECT_TRUE(f.window.MessageBoxes().empty()) << f.LastMessage().text;
    f.state.FormLoaded = false;  // other choices, without the lists' own checks
    for (const auto& c : kCases) f.Choose(c.list, 2);
    f.state.FormLoaded = true;
    f.Press(Ctl(cmdRestoreState));
  }
  store.Put(kSkl, "TZ1", "-1");
  FormFixture unchosen(StoreServices(store));
  EXPECT_EQ(unchosen.window.ListIndex(Ctl(cboTimezone, 1)), -1);
}

// A store on a file can say which file and why it failed.
struct StoreWithReason : MemorySettingsStore {
  std::string FlushFailure() const override { return reason; }
  std::string reason;
};

// The message says what failed, nothing is written after it, and quitting
// still asks: Cancel keeps the window, Yes with a failing save too.
TEST(SavedState, AFailedSaveIsReportedAndQuittingStillAsks) {
  const struct {
    StoreOperation failing;
    const char* reason;
    const char* message;
    const char* lastWrite;
  } kCases[] = {
      {StoreOperation::WriteValue, "", "strKey=\\SKL\\Day\r\nstrName=1\r\nstrValue=31", "\\Month\\1"},
      {StoreOperation::Flush, "", "The system cannot write to the specified device.", "\\StateSaved"},
      {StoreOperation::Flush, "/home/ann/.config/Quillfern/SKL.conf: Is a directory",
       "/home/ann/.config/Quillfern/SKL.conf: Is a directory", "\\StateSaved"},
  };
  for (const auto& c : kCases) {
    StoreWithReason store;
    store.reason = c.reason;
    store.Put(kSkl, "StateSaved", "Y");
    FormFixture f(StoreServices(store));
    ASSERT_TRUE(f.state.StateRecentlySaved);  // restored at start-up
    f.EnterDate(1, "2020", "12", "31");
    store.SetFaultHook([&c](StoreOperation operation, std::string_view keyPath, std::string_view name) {
      const bool day = c.failing == StoreOperation::Flush || (keyPath.ends_with("\\Day") && name == "1");
      return operation == c.failing && day ? StoreWriteFault : StoreSuccess;
    });
    f.Press(Ctl(cmdSaveState));
    ASSERT_EQ(f.window.MessageBoxes().size(), 1u);
    EXPECT_EQ(f.LastMessage().text, std::string("Error saving to registry:\r\n") + c.message);
    EXPECT_EQ(f.LastMessage().icon, MsgIcon::Exclamation);
    EXPECT_TRUE(f.window.PopUps().empty());
    const auto& last = store.Writes().back();
    EXPECT_EQ(last.keyPath.substr(kSkl.size()) + (last.name == "StateSaved" ? "\\StateSaved" : "\\" + last.name),
              c.lastWrite);
    for (MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::Yes}) {
      f.window.QueueAnswer(answer);
      f.Press(Ctl(cmdQuit));
      EXPECT_EQ(f.window.MessageBoxes()[f.window.MessageBoxes().size() - (answer == MsgAnswer::Yes ? 2 : 1)].text,
                "Save program state for next run?");
      EXPECT_FALSE(f.form.Ended()) << c.message;
    }
  }
}

// Eleven ticks after a save or a restore the state counts as changed again:
// before, Quit ends without asking.
TEST(SavedState, QuitAsksAgainElevenTicksAfterASaveOrARestore) {
  for (ControlName command : {cmdSaveState, cmdRestoreState})
    for (int ticks : {10, 11}) {
      MemorySettingsStore store;
      store.Put(kSkl, "StateSaved", "Y");
      FormFixture f(StoreServices(store));
      f.Press(Ctl(command));
      const size_t boxes = f.window.MessageBoxes().size();
      for (int t = 0; t < ticks; ++t) f.window.Tick();
      f.window.QueueAnswer(MsgAnswer::Cancel);
      f.Press(Ctl(cmdQuit));
      EXPECT_EQ(f.window.MessageBoxes().size(), boxes + (ticks == 11 ? 1 : 0)) << InfoOf(command).text << ticks;
      EXPECT_EQ(f.form.Ended(), ticks < 11) << InfoOf(command).text << ticks;
    }
}

TEST(SavedState, ACrashInTheMiddleOfASaveLeavesThePreviousState) {
  MemorySettingsStore store;
  {
    FormFixture f(StoreServices(store));
    f.EnterDate(0, "2011", "1", "1");
    f.Press(Ctl(cmdSaveState));
    f.EnterDate(0, "2012", "2", "2");
    ASSERT_TRUE(f.window.Click(Ctl(optWorld)));
    int writes = 0;
    store.SetFaultHook([&writes](StoreOperation operation, std::string_view, std::string_view) {
      if (operation == StoreOperation::WriteValue && ++writes == 20) throw std::runtime_error("power cut");
      return StoreSuccess;
    });
    EXPECT_THROW(f.Press(Ctl(cmdSaveState)), std::runtime_error);
  }
  store.SetFaultHook(nullptr);
  store.DiscardUnflushed();
  FormFixture f(StoreServices(store));
  EXPECT_EQ(f.window.Text(Ctl(txbYear)), "2011");
  EXPECT_EQ(f.window.Value(Ctl(optPersonal)), 1);
}

// A store that cannot be read gives the start-up values, silently.
TEST(SavedState, AnUnreadableStoreGivesTheDefaults) {
  MemorySettingsStore store;
  store.Put(kSkl, "StateSaved", "Y");
  store.Put(kSkl, "World", "Y");
  store.Put(kSkl + "\\OrbsLI", "0", "3");
  store.SetFaultHook([](StoreOperation operation, std::string_view, std::string_view) {
    return operation == StoreOperation::ReadValue ? StoreReadFault : StoreSuccess;
  });
  FormFixture f(StoreServices(store));
  EXPECT_EQ(f.window.Value(Ctl(optPersonal)), 1);
  EXPECT_EQ(f.window.ListIndex(Ctl(cboOrbs, 0)), 9);
  EXPECT_FALSE(f.state.StateRecentlySaved);
  EXPECT_TRUE(f.window.MessageBoxes().empty());
}

}  // namespace
}  // namespace skyloom
