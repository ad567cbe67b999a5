#include "ports/memory_window.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace skyloom {
namespace {

using enum ControlName;
using Events = std::vector<std::string>;

std::string Name(Control c) {
  std::string s(InfoOf(c.name).text);
  if (InfoOf(c.name).count > 1) s += "(" + std::to_string(c.index) + ")";
  return s;
}

// Writes down every event the window sends; onClick lets a test act inside a
// handler, as the core does.
class Recorder : public WindowEvents {
 public:
  Events events;
  std::function<void(Control)> onClick;

  void Click(Control c) override {
    events.push_back("Click " + Name(c));
    if (onClick) onClick(c);
  }
  void LostFocus(Control c) override { events.push_back("LostFocus " + Name(c)); }
  void KeyUp(Control c, int key) override { events.push_back("KeyUp " + Name(c) + std::to_string(key)); }
  void TimerTick() override { events.push_back("Tick"); }
  void Resize() override { events.push_back("Resize"); }
  void CloseRequested() override { events.push_back("Close"); }
};

MessageBoxRequest Box(std::string text) {
  MessageBoxRequest r;
  r.text = std::move(text);
  return r;
}

class MemoryWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { w.SetEventSink(&rec); }
  void Fill(Control c, int n) {
    for (int i = 0; i < n; ++i) w.AddItem(c, "item " + std::to_string(i));
  }
  MemoryWindow w;
  Recorder rec;
};

// --- the control table ------------------------------------------------------

TEST(ControlTable, NamesKindsCountsAndContainers) {
  std::set<ControlName> seen;
  for (const ControlInfo& info : AllControls()) {
    EXPECT_TRUE(seen.insert(info.name).second) << info.text;
    EXPECT_EQ(&InfoOf(info.name), &info) << info.text;
    // The prefix names the kind; Label1 and Label2 are the unprefixed labels.
    std::string_view prefix = info.text.substr(0, 3);
    ControlKind want = prefix == "cmd"   ? ControlKind::CommandButton
                       : prefix == "txb" ? ControlKind::TextBox
                       : prefix == "cbo" ? ControlKind::ComboBox
                       : prefix == "chk" ? ControlKind::CheckBox
                       : prefix == "opt" ? ControlKind::OptionButton
                       : prefix == "fra" ? ControlKind::Frame
                                         : ControlKind::Label;
    EXPECT_EQ(info.kind, want) << info.text;
    int16_t arrayCount = 1;
    for (auto [name, count] : {std::pair{txbYear, 3},
                               {txbMonth, 3},
                               {txbDay, 3},
                               {lblDate, 3},
                               {lblStartEnd, 5},
                               {lblPlanet, 2},
                               {cboPlanet, 2},
                               {lblOrbs, 3},
                               {cboOrbs, 3},
                               {cboTimezone, 2},
                               {cmdShowAll, 2}})
      if (name == info.name) arrayCount = static_cast<int16_t>(count);
    EXPECT_EQ(info.count, arrayCount) << info.text;
    // Where the table names one frame for a whole control, every member agrees.
    for (int16_t i = 0; i < info.count && info.container != info.name; ++i) {
      EXPECT_EQ(ContainerOf(Ctl(info.name, i)), info.container) << info.text;
    }
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(fraSearch) + 1);

  EXPECT_EQ(ContainerOf(Ctl(optPersonal)), fraTypeOfTransit);
  EXPECT_EQ(ContainerOf(Ctl(optSidereal)), fraZodiac);
  for (ControlName n : {cmdSearch, Label1, cboSearchAspect, Label2, chkKeepDates, chkAppendToOutput}) {
    EXPECT_EQ(ContainerOf(Ctl(n)), fraSearch) << InfoOf(n).text;
  }
  EXPECT_EQ(ContainerOf(Ctl(txbStopDate)), txbStopDate);
  // The birth row sits in its frame; the same arrays' other members do not.
  for (ControlName n : {txbYear, txbMonth, txbDay, lblDate}) {
    EXPECT_EQ(ContainerOf(Ctl(n, 1)), n) << InfoOf(n).text;
    EXPECT_EQ(ContainerOf(Ctl(n, 2)), fraBirthDate) << InfoOf(n).text;
  }
  EXPECT_EQ(ContainerOf(Ctl(lblStartEnd, 1)), lblStartEnd);
  EXPECT_EQ(ContainerOf(Ctl(lblStartEnd, 4)), fraBirthDate);
  EXPECT_EQ(ContainerOf(Ctl(cboTimezone, 0)), cboTimezone);
  EXPECT_EQ(ContainerOf(Ctl(cboTimezone, 1)), fraBirthDate);
  EXPECT_EQ(ContainerOf(Ctl(cboMinute)), fraBirthDate);

  EXPECT_THROW(ContainerOf(Ctl(txbYear, 3)), std::out_of_range);
  EXPECT_THROW(DesignOf(Ctl(cmdStart, 1)), std::out_of_range);
}

TEST(ControlTable, DesignCaptionsAndPositions) {
  EXPECT_EQ(DesignOf(Ctl(txbOutput)).rect, (Rect{240, 3750, 12255, 2535}));
  EXPECT_EQ(DesignOf(Ctl(cmdFile)).caption, "Write output to file");
  EXPECT_EQ(DesignOf(Ctl(fraTypeOfTransit)).caption, "Type of transit");
  EXPECT_EQ(DesignOf(Ctl(lblOrbs, 1)).caption, "Middle orb");
  EXPECT_EQ(DesignOf(Ctl(cboOrbs, 2)).rect, (Rect{11760, 1200, 735, 315}));
  EXPECT_EQ(DesignOf(Ctl(cmdShowAll, 1)).caption, "Show all transits from start to end date to inner planet");
  EXPECT_EQ(DesignOf(Ctl(txbDay, 1)).rect, (Rect{2805, 850, 500, 285}));
  // The birth row, relative to fraBirthDate.
  EXPECT_EQ(DesignOf(Ctl(lblStartEnd, 2)).caption, "Birth date");
  EXPECT_EQ(DesignOf(Ctl(txbYear, 2)).rect, (Rect{1320, 0, 700, 285}));
  EXPECT_EQ(DesignOf(Ctl(cboTimezone, 1)).rect, (Rect{2880, 360, 1555, 360}));
}

// A mistyped number in the design table mostly shows as a control sticking
// out of its frame or out of the window.
TEST(ControlTable, EveryMemberFitsItsContainer) {
  for (const ControlInfo& info : AllControls()) {
    for (int16_t i = 0; i < info.count; ++i) {
      Control c = Ctl(info.name, i);
      Rect r = DesignOf(c).rect;
      ControlName box = ContainerOf(c);
      Rect outer = box == info.name ? DesignFormRect : DesignOf(Ctl(box)).rect;
      EXPECT_TRUE(r.Width > 0 && r.Height > 0 && r.Left >= 0 && r.Top >= 0) << Name(c);
      EXPECT_LE(r.Left + r.Width, outer.Width) << Name(c);
      EXPECT_LE(r.Top + r.Height, outer.Height) << Name(c);
    }
  }
}

// --- the window -------------------------------------------------------------

TEST_F(MemoryWindowTest, StartsBareAndLoadDesignGivesTheDesign) {
  for (const ControlInfo& info : AllControls()) {
    for (int16_t i = 0; i < info.count; ++i) {
      Control c = Ctl(info.name, i);
      EXPECT_TRUE(w.Visible(c) && w.Enabled(c) && w.Text(c).empty() && w.Value(c) == 0) << Name(c);
      if (info.kind == ControlKind::ComboBox) {
        EXPECT_EQ(w.ListIndex(c), -1) << Name(c);
      }
    }
  }
  w.LoadDesign();
  EXPECT_EQ(w.Text(Ctl(chkKeepDates)), "Keep start/end dates");
  EXPECT_EQ(w.Geometry(Ctl(lblStartEnd, 3)), (Rect{0, 380, 1140, 255}));
  EXPECT_EQ(w.FormGeometry(), (Rect{0, 0, 14685, 7515}));
  EXPECT_EQ(w.ScreenSize(), (Rect{0, 0, 28800, 16200}));
  EXPECT_TRUE(rec.events.empty());

  EXPECT_THROW(w.Text(Ctl(txbYear, 3)), std::out_of_range);
  EXPECT_THROW(w.AddItem(Ctl(txbOutput), "x"), std::invalid_argument);
  EXPECT_THROW(w.SetValue(Ctl(cmdStart), 1), std::invalid_argument);
  EXPECT_THROW(w.AppendText(Ctl(lblShortDate), "x"), std::invalid_argument);
}

TEST_F(MemoryWindowTest, ListPositionFiresClickOnlyWhenItMovesToAnEntry) {
  Control orbs = Ctl(cboOrbs, 1);
  Fill(orbs, 15);
  int16_t seen = -5;
  rec.onClick = [&](Control c) { seen = w.ListIndex(c); };
  w.SetListIndex(orbs, 4);
  EXPECT_EQ(seen, 4);        // the handler sees the new position
  w.SetListIndex(orbs, 4);   // unchanged: silent
  w.SetListIndex(orbs, -1);  // cleared: silent
  w.SetListIndex(orbs, 4);   // back to the same entry after -1: a change
  EXPECT_EQ(rec.events, (Events{"Click cboOrbs(1)", "Click cboOrbs(1)"}));

  EXPECT_THROW(w.SetListIndex(orbs, 15), std::out_of_range);
  EXPECT_THROW(w.SetListIndex(orbs, -2), std::out_of_range);
  EXPECT_EQ(w.ListIndex(orbs), 4);

  w.ClearList(orbs);
  w.AddItem(orbs, "1°");
  EXPECT_EQ(w.ListIndex(orbs), -1);  // a refilled list starts without a choice
  EXPECT_EQ(rec.events.size(), 2u);
}

TEST_F(MemoryWindowTest, ComboTextIsTheSelectedEntry) {
  Control minute = Ctl(cboMinute);
  for (const char* m : {"", "00", "05"}) w.AddItem(minute, m);
  w.SetItemData(minute, 2, 5);
  EXPECT_EQ(w.ItemData(minute, 2), 5);
  EXPECT_THROW(w.ItemData(minute, 3), std::out_of_range);
  EXPECT_EQ(w.ListItem(minute, -1), "");

  w.SetListIndex(minute, 1);
  EXPECT_EQ(w.Text(minute), "00");
  w.SetListItem(minute, 1, "00°");
  EXPECT_EQ(w.Text(minute), "00°");
  EXPECT_EQ(w.TextLength(minute), 3);
  rec.events.clear();

  w.SetText(minute, "05");  // typed text picks the entry that reads the same, silently
  EXPECT_EQ(w.ListIndex(minute), 2);
  w.SetText(minute, "07");
  EXPECT_EQ(w.ListIndex(minute), -1);
  EXPECT_EQ(w.Text(minute), "07");
  w.ClearList(minute);
  EXPECT_EQ(w.Text(minute), "");
  EXPECT_TRUE(rec.events.empty());
}

TEST_F(MemoryWindowTest, CheckBoxFiresClickOnChangeOnly) {
  Control keep = Ctl(chkKeepDates);
  w.SetValue(keep, 1);
  w.SetValue(keep, 1);
  EXPECT_EQ(rec.events.size(), 1u);
  EXPECT_THROW(w.SetValue(keep, 3), std::out_of_range);
  EXPECT_TRUE(w.Click(keep));  // the user toggles it
  EXPECT_EQ(w.Value(keep), 0);
  EXPECT_TRUE(w.Click(keep));
  EXPECT_EQ(w.Value(keep), 1);
  EXPECT_EQ(rec.events, (Events{"Click chkKeepDates", "Click chkKeepDates", "Click chkKeepDates"}));
}

TEST_F(MemoryWindowTest, OptionsExcludeEachOtherWithinTheirFrameOnly) {
  w.SetValue(Ctl(optTropical), 1);
  w.SetValue(Ctl(optPersonal), 1);
  rec.events.clear();
  int16_t personalInHandler = -1;
  rec.onClick = [&](Control) { personalInHandler = w.Value(Ctl(optPersonal)); };

  w.SetValue(Ctl(optWorld), 1);
  EXPECT_EQ(personalInHandler, 0);  // the group is settled before Click
  EXPECT_EQ(w.Value(Ctl(optWorld)), 1);
  EXPECT_EQ(w.Value(Ctl(optPersonal)), 0);
  EXPECT_EQ(w.Value(Ctl(optTropical)), 1);  // other frame untouched

  w.SetValue(Ctl(optWorld), 1);  // already selected: silent, from code or by the user
  EXPECT_TRUE(w.Click(Ctl(optWorld)));
  EXPECT_TRUE(w.Click(Ctl(optSidereal)));  // the focus leaves optWorld first
  EXPECT_EQ(w.Value(Ctl(optTropical)), 0);
  w.SetValue(Ctl(optSidereal), 0);  // clearing from code fires nothing
  EXPECT_EQ(rec.events, (Events{"Click optWorld", "LostFocus optWorld", "Click optSidereal"}));
  EXPECT_THROW(w.SetValue(Ctl(optSidereal), -1), std::out_of_range);
}

TEST_F(MemoryWindowTest, LengthCountsCodePointsAcrossAppends) {
  Control out = Ctl(txbOutput);
  for (auto [text, length] : {std::pair{"", 0},
                              {"10\u00b0", 3},
                              {"Zoë Ærø", 7},
                              {"\u65e5\u672c", 2},
                              {"\U0001F319 moon", 6},
                              {"a\r\nb", 4}}) {
    w.SetText(out, text);
    EXPECT_EQ(w.TextLength(out), length) << text;
  }

  w.SetText(out, "Title\r\n");
  std::string expected = "Title\r\n";
  int32_t chars = 7;
  // Well past the box's 64000-character mark, one row at a time.
  for (int row = 0; row < 2500; ++row) {
    std::string line = "Sun  \u25a1 Mars   r  " + std::to_string(row) + " 12\u00b0 orb\r\n";
    w.AppendText(out, line);
    expected += line;
    chars += static_cast<int32_t>(line.size()) - 3;  // "□" is 3 bytes, "°" 2
    ASSERT_EQ(w.TextLength(out), chars) << row;
  }
  EXPECT_GT(chars, 64000);
  EXPECT_EQ(w.Text(out), expected);
  w.CaretToEnd(out);
  EXPECT_EQ(w.Caret(out), chars);
  w.SetText(out, "\u00b0");  // replacing the text starts the count afresh
  w.AppendText(out, "x");
  EXPECT_EQ(w.TextLength(out), 2);
}

TEST_F(MemoryWindowTest, MessageBoxesAnswerFromTheQueueThenByDefault) {
  MessageBoxRequest error{"Nothing to write.", "Write output to file", MsgIcon::Exclamation};
  MessageBoxRequest quit{"Save program state for next run?", "Quit", MsgIcon::Question,
                         MsgButtons::YesNoCancel, MsgAnswer::No};
  w.QueueAnswer(MsgAnswer::Yes);
  EXPECT_EQ(w.MessageBox(quit), MsgAnswer::Yes);
  EXPECT_EQ(w.MessageBox(quit), MsgAnswer::No);
  EXPECT_EQ(w.MessageBox(error), MsgAnswer::Ok);
  ASSERT_EQ(w.MessageBoxes().size(), 3u);
  EXPECT_EQ(w.MessageBoxes()[2].text, "Nothing to write.");

  // An answer the box has no button for is a slip in the test or the program.
  w.QueueAnswer(MsgAnswer::Cancel);
  EXPECT_THROW(w.MessageBox(error), std::logic_error);
  MessageBoxRequest badDefault{"?", "", MsgIcon::None, MsgButtons::Ok, MsgAnswer::No};
  EXPECT_THROW(w.MessageBox(badDefault), std::logic_error);
}

TEST_F(MemoryWindowTest, HookActsWhileTheBoxIsOpen) {
  std::vector<size_t> logged;
  w.SetMessageBoxHook([&](const MessageBoxRequest& r) {
    logged.push_back(w.MessageBoxes().size());
    if (r.text == "outer") {
      w.MessageBox(Box("inner"));
      w.Click(Ctl(cmdHelp));
    }
  });
  w.QueueAnswer(MsgAnswer::Ok);  // answers go to boxes in the order they open
  EXPECT_EQ(w.MessageBox(Box("outer")), MsgAnswer::Ok);
  EXPECT_EQ(logged, (std::vector<size_t>{1, 2}));
  EXPECT_EQ(rec.events, (Events{"Click cmdHelp"}));
}

TEST_F(MemoryWindowTest, FileDialogCancelsUnlessANameIsQueued) {
  FileDialogRequest req{"Specify output file", "Text files *.txt | *.txt", 4, ""};
  w.QueueFileName("/tmp/out.txt");
  w.QueueFileName("");
  EXPECT_EQ(w.ShowFileDialog(req), "/tmp/out.txt");
  EXPECT_EQ(w.ShowFileDialog(req), "");
  EXPECT_EQ(w.ShowFileDialog(req), "");
  ASSERT_EQ(w.FileDialogs().size(), 3u);
  EXPECT_EQ(w.FileDialogs()[2].title, "Specify output file");
}

TEST_F(MemoryWindowTest, PendingEventsRunTheHook) {
  int runs = 0;
  w.SetPendingEventsHook([&] {
    ++runs;
    w.Click(Ctl(cmdStart));           // Stop pressed during a run
    w.SetPendingEventsHook(nullptr);  // a hook may drop itself
  });
  w.ProcessPendingEvents();
  w.ProcessPendingEvents();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(w.PendingEventCalls(), 2);
  EXPECT_EQ(rec.events, (Events{"Click cmdStart"}));
}

TEST_F(MemoryWindowTest, UserCannotReachDisabledOrHiddenControls) {
  w.SetEnabled(Ctl(cmdSearch), false);
  EXPECT_FALSE(w.Click(Ctl(cmdSearch)));
  w.SetVisible(Ctl(fraBirthDate), false);
  EXPECT_FALSE(w.Type(Ctl(txbYear, 2), "1970"));
  EXPECT_EQ(w.Text(Ctl(txbYear, 2)), "");
  EXPECT_TRUE(w.Type(Ctl(txbYear, 0), "2024"));  // same array, outside the frame
  w.SetEnabled(Ctl(fraZodiac), false);
  EXPECT_FALSE(w.Click(Ctl(optSidereal)));
  EXPECT_EQ(w.Value(Ctl(optSidereal)), 0);
  Fill(Ctl(cboHour), 3);
  EXPECT_FALSE(w.Choose(Ctl(cboHour), 1));
  EXPECT_EQ(w.ListIndex(Ctl(cboHour)), -1);
  w.SetFocus(Ctl(cmdSearch));  // dropped, as the toolkit drops it
  EXPECT_EQ(w.Focused(), Ctl(txbYear, 0));
  EXPECT_TRUE(rec.events.empty());
}

TEST_F(MemoryWindowTest, FocusLeavesATypedBoxBeforeTheNextClick) {
  w.Type(Ctl(txbYear, 1), "2025");
  w.Click(Ctl(cmdStart));
  w.Click(Ctl(lblQF));  // a label takes no focus
  w.Type(Ctl(txbDay, 0), "7");
  w.LeaveFocus(Ctl(txbDay, 0));
  EXPECT_FALSE(w.HasFocus());
  w.PressKeyUp(Ctl(txbMonth, 0), 13);
  w.SetFocus(Ctl(cmdHelp));
  w.SetFocus(Ctl(cmdQuit));
  w.UserResize({100, 200, 9000, 5000});
  EXPECT_EQ(rec.events,
            (Events{"LostFocus txbYear(1)", "Click cmdStart", "Click lblQF", "LostFocus cmdStart",
                    "LostFocus txbDay(0)", "KeyUp txbMonth(0)13", "LostFocus cmdHelp", "Resize"}));
  EXPECT_EQ(w.FormGeometry(), (Rect{100, 200, 9000, 5000}));
}

}  // namespace
}  // namespace skyloom
