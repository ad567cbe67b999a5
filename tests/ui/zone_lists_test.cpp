// The window's zone lists taking tz database names: what they offer as a
// name is typed, the results read in a named zone's clock, a birth time
// read in a named zone at that time, and the names a run refuses (unknown,
// or a birth time the zone repeated or skipped), with the focus on the list.
#include "ui/zone_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calendar/time_zones.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::FormFixture;

const Control kResults = Ctl(cboTimezone, 0), kBirth = Ctl(cboTimezone, 1);

std::vector<std::string> Offered(const MemoryWindow& w, Control list) {
  std::vector<std::string> entered;
  for (const Completion& entry : w.Completions(list)) {
    EXPECT_EQ(entry.shown, entry.entered);
    entered.push_back(entry.entered);
  }
  return entered;
}

TEST(ZoneLists, OfferTheNamesThatWhatIsTypedStarts) {
  struct Case {
    const char* typed;
    std::vector<std::string> offered;
  };
  const Case cases[] = {
      {"E", {}},  // one letter is too little to go by
      {"Europe/Ber", {"Europe/Berlin"}},
      {"europe/ber", {"Europe/Berlin"}},
      {"  Europe/Berl ", {"Europe/Berlin"}},
      {"berlin", {"Europe/Berlin"}},                           // the city alone
      {"new york", {"America/New_York"}},                      // the database's underscore as a blank
      {"Asia/Kolk", {"Asia/Kolkata"}},                         //
      {"Indiana/Indianap", {"America/Indiana/Indianapolis"}},  // a later part of three
      {"Xyzzy", {}},
      {"GMT+2:00", {}},  // an entry of the list needs no offer
  };
  FormFixture f;
  for (const Control list : {kResults, kBirth}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.typed) + " in list " + std::to_string(list.index));
      ASSERT_TRUE(f.window.Type(list, c.typed));
      f.window.PressKeyUp(list, 'a');
      EXPECT_EQ(Offered(f.window, list), c.offered);
    }
  }
  // Names that start as typed come before the cities that do, twenty at most.
  f.window.Type(kResults, "Am");
  f.window.PressKeyUp(kResults, 'm');
  const std::vector<std::string> offered = Offered(f.window, kResults);
  ASSERT_EQ(offered.size(), 20u);
  EXPECT_EQ(offered.front(), "America/Adak");
  for (const std::string& name : offered) EXPECT_TRUE(name.starts_with("America/")) << name;

  // The one chosen is the list's text, with no entry selected.
  f.window.Type(kBirth, "Europe/Ber");
  f.window.PressKeyUp(kBirth, 'r');
  ASSERT_TRUE(f.window.ChooseCompletion(kBirth, 0));
  EXPECT_EQ(f.window.Text(kBirth), "Europe/Berlin");
  EXPECT_EQ(f.window.ListIndex(kBirth), -1);
}

// The great conjunction of 2020 at 18:21 UT, in the clock of the zone typed
// (Sydney keeps daylight-saving time in December, +11:00, and is a day on);
// the clocks of other zones are the engine's tests.
TEST(ZoneLists, ResultsInATypedZoneAreInItsClock) {
  struct Case {
    const char* typed;
    std::string minimum;
  };
  const Case cases[] = {
      {"Europe/Berlin", "| 2020-12-21* |                                     | 19:21 Europe/Berlin"},
      {" Asia/Kolkata ", "| 2020-12-21* |                                     | 23:51 Asia/Kolkata"},
      {"Australia/Sydney", "| 2020-12-22* |                                     | 05:21 Australia/Sydney"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    FormFixture f;
    test::World(f, 4, 4);  // Jupiter and Saturn
    f.window.Type(kResults, c.typed);
    f.Press(Ctl(cmdStart));
    EXPECT_TRUE(f.window.MessageBoxes().empty()) << f.LastMessage().text;
    EXPECT_NE(f.Output().find(c.minimum), std::string::npos) << f.Output();
  }
}

// A birth zone by name gives the natal position of the offset the zone
// kept at the birth time, that of the list's entry for that offset, and the
// title names the zone with that offset.
TEST(ZoneLists, ABirthZoneByNameIsReadAtTheBirthTime) {
  const struct {
    const char *year, *month;
    int16_t hoursEast;  // the offset Europe/Berlin kept then
    std::string title;
  } cases[] = {
      {"1990", "7", 2, "birth at July 15, 1990, 14:35 Europe/Berlin (GMT+2:00)"},
      {"1990", "1", 1, "birth at Jan. 15, 1990, 14:35 Europe/Berlin (GMT+1:00)"},
      {"1975", "7", 1, "birth at July 15, 1975, 14:35 Europe/Berlin (GMT+1:00)"},  // no summer time yet
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.year) + "-" + c.month);
    double natal[2] = {};
    for (int named = 0; named < 2; ++named) {
      FormFixture f;
      f.window.SetListIndex(kResults, GreenwichPosition);
      test::Personal(f, 3, 1, c.year);  // Mars to natal Mercury, which moves enough in an hour to show a wrong one
      f.EnterDate(2, c.year, c.month, "15");
      f.window.SetText(Ctl(cboHour), "14");
      f.window.SetText(Ctl(cboMinute), "35");
      f.EnterDate(0, c.year, "8", "1");
      f.EnterDate(1, std::to_string(std::stoi(c.year) + 3), "7", "31");
      if (named == 1) {
        f.window.Type(kBirth, "Europe/Berlin");
      } else {
        f.Choose(kBirth, static_cast<int16_t>(GreenwichPosition + 2 * c.hoursEast));
      }
      f.Press(Ctl(cmdStart));
      ASSERT_EQ(f.state.Runs.Results().size(), 1u) << f.LastMessage().text;
      natal[named] = f.state.Runs.Results()[0].natalLongitude;
      if (named == 1) {
        EXPECT_NE(f.Output().find(c.title), std::string::npos) << f.Output().substr(0, 300);
      }
    }
    EXPECT_EQ(natal[1], natal[0]);
  }
}

TEST(ZoneLists, ARunRefusesAnUnknownNameOrABirthTimeTheZoneRepeatedOrSkipped) {
  struct Case {
    Control list;
    const char* typed;
    const char* month;
    const char* day;
    const char* hour;
    std::string message;  // its start
  };
  const Case cases[] = {
      {kResults, "Europe/Brelin", "7", "15", "12",
       "Timezone of the results: no zone Europe/Brelin in the time zone database; nearest: Europe/Berlin"},
      {kBirth, "Mars/Olympus", "7", "15", "12",
       "Timezone of the birth: no zone Mars/Olympus in the time zone database"},
      {kBirth, "Europe/Berlin", "3", "28", "02",
       "2021-03-28 02:30 did not exist in Europe/Berlin: the clocks went forward from 02:00 to 03:00 that day, from "
       "GMT+1:00 (CET) to GMT+2:00 (CEST). Check the birth time."},
      {kBirth, "Europe/Berlin", "10", "31", "02",
       "2021-10-31 02:30 came twice in Europe/Berlin: the clocks went back from 03:00 to 02:00 that day. It was "
       "first GMT+2:00 (CEST), 2021-10-31 00:30 UT, then GMT+1:00 (CET), 2021-10-31 01:30 UT. Give the birth zone "
       "as the offset of the one meant, GMT+2:00 or GMT+1:00."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    FormFixture f;
    f.window.SetListIndex(kResults, GreenwichPosition);
    test::Personal(f, 3, 0, "2021");  // Mars to the natal Sun
    f.EnterDate(2, "2021", c.month, c.day);
    f.window.SetText(Ctl(cboHour), c.hour);
    f.window.SetText(Ctl(cboMinute), "30");
    f.EnterDate(0, "2022", "1", "1");
    f.EnterDate(1, "2022", "12", "31");
    f.window.Type(c.list, c.typed);
    for (const Control press : {Ctl(cmdStart), Ctl(cmdSearch)}) {
      f.window.Click(Ctl(txbMonth, 0));
      const size_t told = f.window.MessageBoxes().size();
      f.Press(press);
      ASSERT_EQ(f.window.MessageBoxes().size(), told + 1);
      const MessageBoxRequest& box = f.window.MessageBoxes().back();
      EXPECT_TRUE(box.text.starts_with(c.message)) << box.text;
      EXPECT_EQ(box.icon, MsgIcon::Exclamation);
      // The results zone is refused as the pressed button's, the birth zone
      // as the other birth checks are, with the run's caption.
      EXPECT_EQ(box.title, press.name == cmdSearch && c.list == kResults ? "Search" : f.window.Text(Ctl(cmdStart)));
      // The name stays to be mended, and the list has the focus for it.
      EXPECT_TRUE(f.window.HasFocus(c.list));
      EXPECT_EQ(f.window.Text(c.list), c.typed);
      EXPECT_EQ(f.Output(), "");
    }
  }
}

// A name typed into a list stays when the lists are refilled with or
// without the North American abbreviations.
TEST(ZoneLists, TypedNamesOutliveARefill) {
  FormFixture f;
  f.window.Type(kResults, "Asia/Tokyo");
  f.window.Type(kBirth, "Europe/Paris");
  for (int16_t value : {1, 0, 1}) {
    f.window.SetValue(Ctl(chkDisplayNATZabbr), value);
    EXPECT_EQ(f.window.Text(kResults), "Asia/Tokyo");
    EXPECT_EQ(f.window.Text(kBirth), "Europe/Paris");
    EXPECT_EQ(f.window.ListIndex(kResults), -1);
  }
}

}  // namespace
}  // namespace skyloom
