#include "runs/run_controller.h"

#include <gtest/gtest.h>

#include <string>

#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;

// Quit or closing the window during a series: the quit question's Yes and
// No end the program once the run has stopped, without the rest of the
// series; Yes saves first, with the series' lists put back by then.
// (Cancel, which lets the run go on, is the Qt window's test.)
TEST(RunController, QuitDuringASeries) {
  const struct {
    const char* what;
    bool closing;
    MsgAnswer answer;
    const char* want;  // ended, saves, the inner list saved
  } kCases[] = {
      {"Quit, No", false, MsgAnswer::No, "1 0 -2"},
      {"Quit, Yes", false, MsgAnswer::Yes, "1 1 3"},
      {"closing, Yes", true, MsgAnswer::Yes, "1 1 3"},
  };
  for (const auto& c : kCases) {
    int saves = 0;
    int16_t savedInner = -2;
    MainFormServices services;
    services.saveState = [&](FormState& state) {
      ++saves;
      savedInner = state.window.Text(Ctl(cmdStart)) == "Stop" ? -3 : state.window.ListIndex(Ctl(cboPlanet, 0));
      return true;
    };
    test::FormFixture f(services);
    f.window.SetListIndex(Ctl(cboTimezone, 0), 24);
    f.EnterDate(0, "2000", "1", "1");
    f.EnterDate(1, "2004", "12", "31");
    test::World(f, 3, 3);  // Mars and Jupiter
    int yields = 0;
    f.window.QueueAnswer(c.answer);
    f.window.SetPendingEventsHook([&] {
      if (++yields != 200) return;
      if (c.closing) {
        f.window.UserClose();
      } else {
        f.Press(Ctl(cmdQuit));
      }
    });
    f.Press(Ctl(cmdShowAll, 0));
    const std::string out = f.Output();
    EXPECT_TRUE(out.ends_with("Stopped")) << c.what;
    EXPECT_EQ(out.find(std::string(119, '-') + "\r\n\r\n"), std::string::npos) << c.what << ": the series went on";
    EXPECT_EQ(std::to_string(f.form.Ended()) + " " + std::to_string(saves) + " " + std::to_string(savedInner), c.want)
        << c.what;
    EXPECT_EQ(f.window.MessageBoxes().size(), 1u) << c.what;
  }
}

}  // namespace
}  // namespace skyloom
