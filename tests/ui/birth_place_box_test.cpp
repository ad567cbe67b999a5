// The window's birth place box, against an atlas in memory.
#include "ui/birth_place_box.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "calendar/time_zones.h"
#include "support/form_fixture.h"
#include "ui/window_run.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::CaseLine;
using test::FormFixture;
using test::ReadCases;
using test::Unquoted;

const Control kBox = Ctl(txbBirthPlace);

const MemoryAtlas& SmallAtlas() {
  static const MemoryAtlas atlas({
      {"Paris", "Île-de-France Region", "FR", 48.85341, 2.3488, "Europe/Paris"},
      {"Paris", "Texas", "US", 33.66094, -95.55551, "America/Chicago"},
      {"Parma", "Emilia-Romagna", "IT", 44.80107, 10.32618, "Europe/Rome"},
      {"Berlin", "Berlin", "DE", 52.52437, 13.41053, "Europe/Berlin"},
  });
  return atlas;
}

MainFormServices Services() {
  MainFormServices services;
  services.atlas = &SmallAtlas();
  return services;
}

// A personal run of Uranus to the natal Sun over 2020 that the checks accept.
void PersonalRun(FormFixture& f) {
  f.window.SetListIndex(Ctl(cboTimezone, 0), GreenwichPosition);
  f.EnterDate(0, "2020", "1", "1");
  f.EnterDate(1, "2020", "12", "31");
  test::Personal(f, 6, 0, "1970");
}

TEST(BirthPlaceBox, OffersThePlacesMatchingWhatIsTypedAndARequestCarriesOne) {
  FormFixture f(Services());
  for (const CaseLine& c : ReadCases("ui/cases/place_offers.txt")) {
    ASSERT_TRUE(f.window.Type(kBox, c[0]));
    f.window.PressKeyUp(kBox, 'a');
    std::string entered;
    for (const Completion& entry : f.window.Completions(kBox)) entered += (entered.empty() ? "" : "; ") + entry.entered;
    EXPECT_EQ(entered, c[1]) << c.where;
  }
  PersonalRun(f);
  for (const CaseLine& c : ReadCases("ui/cases/place_requests.txt")) {
    f.window.SetText(kBox, Unquoted(c[0]));
    std::optional<BirthPlace> place;
    if (c[1] != "-") place = BirthPlace{c[1], Unquoted(c[2]), std::stod(c[3]), std::stod(c[4])};
    EXPECT_EQ(RequestFromWindow(f.state, WindowCommand::Start).birth.place, place) << c.where;
  }
  // A world run has no birth.
  f.window.SetText(kBox, "Berlin");
  f.window.SetValue(Ctl(optWorld), 1);
  EXPECT_EQ(RequestFromWindow(f.state, WindowCommand::Start).birth.place, std::nullopt);
}

TEST(BirthPlaceBox, StartRefusesAPlaceThatNamesNone) {
  for (const CaseLine& c : ReadCases("ui/cases/places_refused.txt")) {
    SCOPED_TRACE(c.where);
    std::string message = Unquoted(c[1]);  // its atlas rows hold the fields' bars
    for (size_t i = 2; i < c.fields.size(); ++i) message += " | " + c.fields[i];
    for (size_t at = message.find('\n'); at != std::string::npos; at = message.find('\n', at + 2))
      message.insert(at, "\r");
    FormFixture f(Services());
    PersonalRun(f);
    f.window.SetText(kBox, Unquoted(c[0]));
    f.Press(Ctl(cmdStart));
    if (message.empty()) {
      EXPECT_NE(f.Output().find("Uranus transits of natal Sun"), std::string::npos) << f.LastMessage().text;
      continue;
    }
    ASSERT_EQ(f.window.MessageBoxes().size(), 1u);
    f.Press(Ctl(cmdShowAll, 0));
    f.Press(Ctl(cmdSearch));
    ASSERT_EQ(f.window.MessageBoxes().size(), 3u);
    for (const MessageBoxRequest& box : f.window.MessageBoxes())
      EXPECT_EQ(std::tie(box.text, box.title, box.icon), std::tuple(message, "Birth place", MsgIcon::Exclamation));
    EXPECT_EQ(f.Output(), "");
  }
  // World runs have no birth place to check.
  FormFixture world(Services());
  PersonalRun(world);
  world.window.SetText(kBox, "Paris");
  test::World(world, 4, 5);
  world.Press(Ctl(cmdStart));
  EXPECT_TRUE(world.window.MessageBoxes().empty()) << world.LastMessage().text;
  EXPECT_NE(world.Output().find("Aspect      |"), std::string::npos);
}

}  // namespace
}  // namespace skyloom
