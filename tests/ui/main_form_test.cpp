#include "ui/main_form.h"

#include <gtest/gtest.h>

#include "engine/bodies.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

using test::FormFixture;

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

bool RunGoing(const FormFixture& f) { return f.window.Text(C(ControlName::cmdStart)) == "Stop"; }

// Quit and closing the window ask the same question, also while a run goes
// on: the run waits for the answer. Cancel keeps the window, its report and
// the run, which goes on from the day it was on; Yes and No stop the run and
// end the program once it has stopped, Yes saving the inputs first (the
// series' lists put back by then).
TEST(MainForm, TheQuitQuestionDuringARunAndWithoutOne) {
  const struct {
    bool duringRun;
    bool closing;
    MsgAnswer answer;
  } kCases[] = {
      {false, false, MsgAnswer::Cancel}, {false, true, MsgAnswer::Cancel}, {true, false, MsgAnswer::Cancel},
      {true, true, MsgAnswer::Cancel},   {true, false, MsgAnswer::No},     {true, true, MsgAnswer::Yes},
  };
  // What a series with nobody quitting writes.
  const auto setUp = [](FormFixture& f) {
    f.window.SetListIndex(C(ControlName::cboTimezone, 0), 24);
    f.EnterDate(0, "2000", "1", "1");
    f.EnterDate(1, "2004", "12", "31");
    test::World(f, 3, 3);  // Mars and Jupiter
  };
  std::string undisturbed;
  {
    FormFixture f{MainFormServices{}};
    setUp(f);
    f.Press(C(ControlName::cmdShowAll, 0));
    undisturbed = f.Output();
    ASSERT_EQ(undisturbed.find("Stopped"), std::string::npos);
  }

  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "during a run " << c.duringRun << ", closing " << c.closing
                                    << ", answer " << static_cast<int>(c.answer));
    int saves = 0;
    int16_t savedInner = -2;
    MainFormServices services;
    services.saveState = [&](FormState& state) {
      ++saves;
      savedInner = state.window.ListIndex(C(ControlName::cboPlanet, 0));
      EXPECT_NE(state.window.Text(C(ControlName::cmdStart)), "Stop");
      return true;
    };
    FormFixture f(services);
    setUp(f);
    const auto quit = [&] {
      if (c.closing) {
        f.window.UserClose();
      } else {
        f.Press(C(ControlName::cmdQuit));
      }
    };
    bool askedDuringRun = false;
    f.window.SetMessageBoxHook([&](const MessageBoxRequest&) { askedDuringRun = RunGoing(f); });
    f.window.QueueAnswer(c.answer);
    if (c.duringRun) {
      int yields = 0;
      f.window.SetPendingEventsHook([&] {
        if (++yields == 200) quit();
      });
      f.Press(C(ControlName::cmdShowAll, 0));
    } else {
      f.window.SetText(C(ControlName::txbOutput), "a report");
      quit();
    }

    ASSERT_EQ(f.window.MessageBoxes().size(), 1u);
    const MessageBoxRequest& box = f.window.MessageBoxes().back();
    EXPECT_EQ(box.text, "Save program state for next run?");
    EXPECT_EQ(box.title, "Quit");
    EXPECT_EQ(box.buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(box.defaultAnswer, MsgAnswer::No);
    EXPECT_EQ(askedDuringRun, c.duringRun);

    const std::string out = f.Output();
    if (c.answer == MsgAnswer::Cancel) {
      EXPECT_FALSE(f.window.Ended());
      EXPECT_FALSE(f.form.Ended());
      EXPECT_EQ(out, c.duringRun ? undisturbed : "a report");
      // The window takes the next quit as a new one.
      f.window.SetPendingEventsHook(nullptr);
      f.window.QueueAnswer(MsgAnswer::No);
      quit();
      EXPECT_TRUE(f.window.Ended());
      continue;
    }
    EXPECT_TRUE(f.window.Ended());
    EXPECT_TRUE(f.form.Ended());
    ASSERT_GE(out.size(), 7u);
    EXPECT_EQ(out.substr(out.size() - 7), "Stopped");
    // The series did not go on after the quit: one report only.
    EXPECT_EQ(out.find(std::string(119, '-') + "\r\n\r\n"), std::string::npos);
    EXPECT_EQ(saves, c.answer == MsgAnswer::Yes ? 1 : 0);
    if (saves == 1) {
      EXPECT_EQ(savedInner, 3);
    }
  }
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


// The nodes and Chiron are the command line's: the window's lists, in
// either mode, offer exactly the bodies they always did.
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
      ASSERT_EQ(f.window.ListCount(c), m.last[list] - m.first[list] + 1);
      for (int16_t p = 0; p < f.window.ListCount(c); ++p)
        EXPECT_EQ(f.window.ListItem(c, p), BodyNames[m.first[list] + p]) << "list " << list;
    }
  }
}

}  // namespace
}  // namespace skyloom
