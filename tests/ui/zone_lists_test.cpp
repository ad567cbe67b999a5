// The window's zone lists taking tz database names.
#include "ui/zone_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::CaseLine;
using test::FormFixture;
using test::ReadCases;

const Control kResults = Ctl(cboTimezone, 0), kBirth = Ctl(cboTimezone, 1);

std::vector<std::string> Offered(const MemoryWindow& w, Control list) {
  std::vector<std::string> entered;
  for (const Completion& entry : w.Completions(list)) {
    EXPECT_EQ(entry.shown, entry.entered);
    entered.push_back(entry.entered);
  }
  return entered;
}

// A name typed stays when the lists are refilled with or without the North
// American abbreviations.
TEST(ZoneLists, OfferTheNamesThatWhatIsTypedStartsAndKeepThemOnARefill) {
  FormFixture f;
  for (const Control list : {kResults, kBirth}) {
    for (const CaseLine& c : ReadCases("ui/cases/zone_offers.txt")) {
      ASSERT_TRUE(f.window.Type(list, test::Unquoted(c[0])));
      f.window.PressKeyUp(list, 'a');
      std::string offered;
      for (const std::string& name : Offered(f.window, list)) offered += (offered.empty() ? "" : ", ") + name;
      EXPECT_EQ(offered, c[1]) << c.where << " in list " << list.index;
    }
  }
  // Names that start as typed come before the cities that do, twenty at most.
  f.window.Type(kResults, "Am");
  f.window.PressKeyUp(kResults, 'm');
  const std::vector<std::string> offered = Offered(f.window, kResults);
  ASSERT_EQ(offered.size(), 20u);
  EXPECT_EQ(offered.front(), "America/Adak");
  for (const std::string& name : offered) EXPECT_TRUE(name.starts_with("America/")) << name;
  f.window.Type(kResults, "Asia/Tokyo");
  f.window.Type(kBirth, "Europe/Paris");
  for (int16_t value : {1, 0, 1}) {
    f.window.SetValue(Ctl(chkDisplayNATZabbr), value);
    EXPECT_EQ(f.window.Text(kResults) + " " + f.window.Text(kBirth), "Asia/Tokyo Europe/Paris");
    EXPECT_EQ(f.window.ListIndex(kResults), -1);
  }
}

// The great conjunction of 2020 at 18:21 UT, in the clock of the zone typed.
TEST(ZoneLists, ResultsInATypedZoneAreInItsClock) {
  for (const CaseLine& c : ReadCases("ui/cases/zone_clocks.txt")) {
    SCOPED_TRACE(c.where);
    FormFixture f;
    test::World(f, 4, 4);  // Jupiter and Saturn
    f.window.Type(kResults, test::Unquoted(c[0]));
    f.Press(Ctl(cmdStart));
    EXPECT_TRUE(f.window.MessageBoxes().empty()) << f.LastMessage().text;
    const std::string out = f.Output();
    const size_t time = out.find("| " + c[2] + "\r\n"), line = out.rfind('\n', time);
    ASSERT_NE(time, std::string::npos) << out;
    EXPECT_NE(out.substr(line, time - line).find("| " + c[1] + " |"), std::string::npos) << out;
  }
}

TEST(ZoneLists, ARunRefusesAnUnknownNameOrABirthTimeTheZoneRepeatedOrSkipped) {
  for (const CaseLine& c : ReadCases("ui/cases/zones_refused.txt")) {
    SCOPED_TRACE(c.where);
    const Control list = c[0] == "0" ? kResults : kBirth;
    FormFixture f;
    test::Personal(f, 3, 0, "2021");  // Mars to the natal Sun
    f.EnterDate(2, "2021", c[2], c[3]);
    f.window.SetText(Ctl(cboHour), c[4]);
    f.window.SetText(Ctl(cboMinute), "30");
    f.EnterDate(0, "2022", "1", "1");
    f.EnterDate(1, "2022", "12", "31");
    f.window.Type(list, c[1]);
    for (const Control press : {Ctl(cmdStart), Ctl(cmdSearch)}) {
      f.window.Click(Ctl(txbMonth, 0));
      const size_t told = f.window.MessageBoxes().size();
      f.Press(press);
      ASSERT_EQ(f.window.MessageBoxes().size(), told + 1);
      const MessageBoxRequest& box = f.window.MessageBoxes().back();
      EXPECT_TRUE(box.text.starts_with(c[5])) << box.text;
      EXPECT_EQ(box.icon, MsgIcon::Exclamation);
      // The results zone refused as the pressed button's, the birth zone as a birth check.
      EXPECT_EQ(box.title, press.name == cmdSearch && list == kResults ? "Search" : f.window.Text(Ctl(cmdStart)));
      EXPECT_TRUE(f.window.HasFocus(list));
      EXPECT_EQ(f.window.Text(list), c[1]);
      EXPECT_EQ(f.Output(), "");
    }
  }
}

}  // namespace
}  // namespace skyloom
