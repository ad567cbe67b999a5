#include "ui/main_form.h"

#include <gtest/gtest.h>

#include "engine/bodies.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

// The window's lists, in either mode, offer first the bodies they always
// did, at the positions saved states hold; what they offer since follows.
TEST(MainForm, BodyListsKeepTheWindowsBodies) {
  test::FormFixture f;
  struct Mode {
    ControlName option;
    BodyIndex first[2], last[2];
  };
  for (const Mode& m : {Mode{ControlName::optWorld, {Sun, Mercury}, {Neptune, Pluto}},
                        Mode{ControlName::optPersonal, {Sun, Sun}, {Pluto, Moon}}}) {
    f.window.SetValue(Ctl(m.option), 1);
    for (int16_t list = 0; list < 2; ++list) {
      const Control c = Ctl(ControlName::cboPlanet, list);
      ASSERT_GT(f.window.ListCount(c), m.last[list] - m.first[list] + 1);
      for (int16_t p = 0; p <= m.last[list] - m.first[list]; ++p)
        EXPECT_EQ(f.window.ListItem(c, p), BodyNames[m.first[list] + p]) << "list " << list;
    }
  }
}

}  // namespace
}  // namespace skyloom
