// The saved state in a store in memory (on real files: the Qt tests).
#include "state/saved_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <tuple>

#include "ports/memory_settings_store.h"
#include "support/cli_cases.h"
#include "support/control_names.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::FormFixture;
using test::StoreServices;

const std::string kSkl = "Software\\Quillfern\\SKL";

// Every input in the order the next start reads it back, the marker last:
// a save cut off before its end is no saved state.
TEST(SavedState, ASaveWritesEveryInputInOrderWithTheMarkerLast) {
  MemorySettingsStore store;
  FormFixture f(StoreServices(store));
  f.EnterDate(0, "2021", "3", "4"), f.EnterDate(1, "2022", "5", "6");
  std::istringstream choices(
      "cboPlanet(0) 8 cboPlanet(1) 9 cboOrbs(0) 11 cboOrbs(1) 7 cboOrbs(2) 3 cboTimezone(0) 30 "
      "cboSearchAspect 2 cboHour 14 cboMinute 7");
  std::string list;
  for (int16_t at = 0; choices >> list >> at;) f.Choose(test::ControlOf(list), at);
  f.window.SetValue(Ctl(optSidereal), 1);
  f.window.SetText(Ctl(txbStopDate), "2030");
  f.window.SetText(Ctl(txbBirthPlace), "S\u00e3o Paulo, BR");
  f.Press(Ctl(cmdSaveState));
  std::vector<std::string> written, expected;
  for (const auto& w : store.Writes()) written.push_back(w.keyPath.substr(kSkl.size()) + "\\" + w.name + "=" + w.value);
  for (const test::CaseLine& c : test::ReadCases("state/cases/saved_writes.txt"))
    expected.push_back(c[0] + "=" + test::Unquoted(c[1]));
  EXPECT_EQ(written, expected);
  EXPECT_EQ(store.FlushCount(), 1);
  ASSERT_EQ(f.window.PopUps().size(), 1u);
  const PopUpRequest& done = f.window.PopUps()[0];
  const Rect button = f.window.Geometry(Ctl(cmdShowAll, 1));
  EXPECT_EQ(
      std::tuple(done.message, done.width, done.height, done.interval, done.top - button.Top, done.left - button.Left),
      std::tuple(std::string("Done"), 1200, 300, 2000, 450, -1500));
}

// A stored position that names no entry of its list counts as missing, at
// start-up and at Restore state; names ignore case, as the registry's do.
// Only the birth zone, unchosen at the first start, may stay unchosen.
TEST(SavedState, StoredPositionsOutsideTheirListsTakeTheirDefaults) {
  const std::vector<test::CaseLine> cases = test::ReadCases("state/cases/stored_positions.txt");
  MemorySettingsStore store;
  store.Put(kSkl, "StateSaved", "Y");
  for (const test::CaseLine& c : cases) store.Put(kSkl + test::Unquoted(c[0]), c[1], test::Unquoted(c[2]));
  FormFixture f(StoreServices(store));
  for (const char* when : {"start-up", "Restore state"}) {
    for (const test::CaseLine& c : cases)
      EXPECT_EQ(f.window.ListIndex(test::ControlOf(c[3])), std::stoi(c[4])) << when << " " << c.where;
    EXPECT_TRUE(f.window.MessageBoxes().empty()) << f.LastMessage().text;
    EXPECT_EQ(f.window.Text(Ctl(txbBirthPlace)), "") << when;
    for (const test::CaseLine& c : cases) f.window.RestoreListIndex(test::ControlOf(c[3]), 2);
    f.window.SetText(Ctl(txbBirthPlace), "Berlin");
    f.Press(Ctl(cmdRestoreState));
  }
  store.Put(kSkl, "TZ1", "-1");
  EXPECT_EQ(FormFixture(StoreServices(store)).window.ListIndex(Ctl(cboTimezone, 1)), -1);
}

// A tz name typed into a zone list is stored beside its position (none then)
// and comes back, rather than the machine's zone; a state without names
// restores the positions, and a name beside a position wins.
TEST(SavedState, NamesTypedIntoTheZoneListsAreKept) {
  const Control results = Ctl(cboTimezone, 0), birth = Ctl(cboTimezone, 1);
  MemorySettingsStore store;
  {
    FormFixture f(StoreServices(store));
    f.window.Type(results, "Europe/Berlin");
    f.window.Type(birth, "America/New_York");
    f.Press(Ctl(cmdSaveState));
    std::string written;
    for (const auto& w : store.Writes())
      if (w.name.starts_with("TZ")) written += w.name + "=" + w.value + " ";
    EXPECT_EQ(written, "TZ0=-1 TZ1=-1 TZName0=Europe/Berlin TZName1=America/New_York ");
    f.Choose(results, 30);
    f.Choose(birth, 20);
    f.Press(Ctl(cmdRestoreState));
    EXPECT_EQ(f.window.Text(results), "Europe/Berlin");
    EXPECT_EQ(f.window.Text(birth), "America/New_York");
  }
  FormFixture next(StoreServices(store));
  EXPECT_EQ(next.window.Text(results), "Europe/Berlin");
  EXPECT_EQ(next.window.ListIndex(results), -1);
  EXPECT_EQ(next.window.Text(birth), "America/New_York");

  for (const test::CaseLine& c : test::ReadCases("state/cases/zone_names.txt")) {
    MemorySettingsStore stored;
    stored.Put(kSkl, "StateSaved", "Y");
    std::istringstream values(c[0]), positions(c[1]), texts(c[2]);
    for (std::string value; values >> value;)
      stored.Put(kSkl, value.substr(0, value.find('=')), test::Replaced(value.substr(value.find('=') + 1), "~", " "));
    FormFixture f(StoreServices(stored));
    for (const Control list : {results, birth}) {
      int position = 0;
      std::string text;
      positions >> position, texts >> text;
      if (text == "-") text.clear();
      EXPECT_EQ(f.window.ListIndex(list), position) << c.where;
      EXPECT_EQ(f.window.Text(list), position >= 0 ? f.window.ListItem(list, static_cast<int16_t>(position)) : text)
          << c.where;
    }
  }
}

// A failed save says what failed and writes nothing after it; quitting then
// still asks, and Yes with a failing save keeps the window. A quit within
// eleven ticks of a save does not ask; Yes during a run stops it and saves.
TEST(SavedState, QuittingAfterASaveAndDuringARun) {
  for (const test::CaseLine& c : test::ReadCliCases("state/cases/quitting.txt")) {
    SCOPED_TRACE(c.where);
    const std::optional<StoreOperation> failing =
        c[0] == "-" ? std::nullopt
                    : std::optional(c[0] == "flush" ? StoreOperation::Flush : StoreOperation::WriteValue);
    const int ticks = std::stoi(c[1]);
    MemorySettingsStore store;
    FormFixture f(StoreServices(store));
    store.SetFaultHook([&failing](StoreOperation operation, std::string_view keyPath, std::string_view name) {
      const bool day = failing == StoreOperation::Flush || (keyPath.ends_with("\\Day") && name == "1");
      return operation == failing && day ? StoreWriteFault : StoreSuccess;
    });
    f.Press(Ctl(cmdSaveState));
    const bool failed = failing.has_value();
    EXPECT_EQ(f.LastMessage().text, failed ? "Error saving to registry:\r\n" + c[2] : "");
    EXPECT_EQ(f.window.PopUps().empty(), failed);
    EXPECT_EQ(store.Writes().back().keyPath.substr(kSkl.size()) + "\\" + store.Writes().back().name, c[3]);
    for (int t = 0; t < ticks; ++t) f.form.TimerTick();
    f.window.QueueAnswer(MsgAnswer::Cancel);
    f.Press(Ctl(cmdQuit));
    if (failed) f.window.QueueAnswer(MsgAnswer::Yes), f.Press(Ctl(cmdQuit));
    EXPECT_EQ(f.form.Ended(), ticks == 10);
    EXPECT_EQ(f.window.MessageBoxes().size(), failed ? 4u : ticks == 10 ? 0u : 1u);
  }
  MemorySettingsStore store;
  FormFixture f(StoreServices(store));
  f.EnterDate(0, "2000", "1", "1"), f.EnterDate(1, "2004", "12", "31");
  test::World(f, 3, 3);
  int yields = 0;
  f.window.SetPendingEventsHook([&] {
    if (++yields == 200) f.window.QueueAnswer(MsgAnswer::Yes), f.Press(Ctl(cmdQuit));
  });
  f.Press(Ctl(cmdStart));
  EXPECT_TRUE(f.form.Ended());
  EXPECT_TRUE(f.Output().ends_with("Stopped")) << f.Output().substr(f.Output().size() - 100);
  ASSERT_FALSE(store.Writes().empty());
  EXPECT_EQ(store.Writes().back().name, "StateSaved");
}

}  // namespace
}  // namespace skyloom
