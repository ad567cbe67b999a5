#include "ui/main_form.h"

#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace skyloom {
namespace {

using test::FormFixture;

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

// Quit during a run: the run stops first, then the save question comes and
// the program ends; nothing else runs after the quit.
TEST(MainForm, QuitDuringARunStopsItAndThenQuits) {
  for (bool closing : {false, true}) {
    FormFixture f;
    test::World(f, 3, 3);  // Mars and Jupiter
    f.EnterDate(0, "1900", "1", "1");
    f.EnterDate(1, "2100", "12", "31");
    int yields = 0;
    f.window.SetPendingEventsHook([&] {
      if (++yields == 50) closing ? f.form.CloseRequested() : f.Press(C(ControlName::cmdQuit));
    });
    f.window.QueueAnswer(MsgAnswer::No);
    f.Press(C(ControlName::cmdShowAll, 0));
    EXPECT_TRUE(f.window.Ended());
    EXPECT_TRUE(f.form.Ended());
    const std::string out = f.Output();
    EXPECT_EQ(out.substr(out.size() - 7), "Stopped");
    // The series did not go on after the quit: one report only.
    EXPECT_EQ(out.find(std::string(119, '-') + "\r\n\r\n"), std::string::npos);
    ASSERT_FALSE(f.window.MessageBoxes().empty());
    EXPECT_EQ(f.window.MessageBoxes().back().text, "Save program state for next run?");
  }
}

TEST(MainForm, QuitQuestionCancelKeepsTheWindowButClosingEnds) {
  FormFixture f;
  f.window.QueueAnswer(MsgAnswer::Cancel);
  f.Press(C(ControlName::cmdQuit));
  EXPECT_FALSE(f.window.Ended());
  const MessageBoxRequest& box = f.window.MessageBoxes().back();
  EXPECT_EQ(box.title, "Quit");
  EXPECT_EQ(box.buttons, MsgButtons::YesNoCancel);
  EXPECT_EQ(box.defaultAnswer, MsgAnswer::No);
  f.window.QueueAnswer(MsgAnswer::Cancel);
  f.form.CloseRequested();
  EXPECT_TRUE(f.window.Ended());
}

TEST(MainForm, ResizeKeepsTheMinimumAndMovesTheBottomRow) {
  FormFixture f;
  Rect form = f.window.FormGeometry();
  form.Width = 9000;
  form.Height = 3000;
  f.window.UserResize(form);
  EXPECT_EQ(f.window.FormGeometry().Width, 13800);
  EXPECT_EQ(f.window.FormGeometry().Height, 6500);
  form.Height = 9000;
  f.window.UserResize(form);
  const Rect output = f.window.Geometry(C(ControlName::txbOutput));
  EXPECT_EQ(output.Height, 9000 - 3750 - 1250);
  const Rect quit = f.window.Geometry(C(ControlName::cmdQuit));
  EXPECT_EQ(quit.Top, output.Top + output.Height + 150);
  EXPECT_EQ(output.Left + output.Width, quit.Left + quit.Width);
  // "Output as HTML" stays under the row of buttons, never on it.
  EXPECT_EQ(f.window.Geometry(C(ControlName::chkOutputAsHTML)).Top, quit.Top + 480);
  EXPECT_EQ(f.window.Geometry(C(ControlName::cmdFile)).Top, quit.Top);
}

}  // namespace
}  // namespace skyloom
