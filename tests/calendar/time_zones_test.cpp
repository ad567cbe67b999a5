#include "calendar/time_zones.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "ports/memory_window.h"

namespace skyloom {
namespace {

using enum ControlName;

const Control kResults = Ctl(cboTimezone, 0);
const Control kBirth = Ctl(cboTimezone, 1);

struct ZoneRig {
  MemoryWindow window;
  FormState state{window};
};

// Counts the clicks the lists fire, as the window's handlers would see them.
struct ClickCounter : WindowEvents {
  std::vector<Control> clicks;
  void Click(Control c) override { clicks.push_back(c); }
  void LostFocus(Control) override {}
  void KeyUp(Control, int) override {}
  void TimerTick() override {}
  void Resize() override {}
  void CloseRequested() override {}
};

TEST(TimezoneLists, HoldFortyEightEntriesWithTheirOffsets) {
  ZoneRig rig;
  SetUpTimezoneComboBoxes(rig.state);
  struct Case {
    int16_t position;
    const char* text;
  };
  const Case cases[] = {
      {0, ""},          {1, "GMT-11:30"}, {2, "GMT-11:00"},  {4, "GMT-10:00"},  {14, "GMT-5:00"},
      {21, "GMT-1:30"}, {22, "GMT-1:00"}, {23, "GMT-0:30"},  {24, "GMT"},       {25, "GMT+0:30"},
      {26, "GMT+1:00"}, {35, "GMT+5:30"}, {46, "GMT+11:00"}, {47, "GMT+11:30"},
  };
  for (Control list : {kResults, kBirth}) {
    ASSERT_EQ(rig.window.ListCount(list), 48);
    for (const Case& c : cases) EXPECT_EQ(rig.window.ListItem(list, c.position), c.text) << c.position;
    for (int16_t p = 1; p < 48; ++p) EXPECT_EQ(rig.window.ItemData(list, p), (p - 24) * 30) << p;
    EXPECT_EQ(rig.window.ListIndex(list), -1);
  }
}

TEST(TimezoneLists, AbbreviationsReplaceTenTextsOnly) {
  ZoneRig rig;
  rig.window.SetValue(Ctl(chkDisplayNATZabbr), 1);
  SetUpTimezoneComboBoxes(rig.state);
  struct Case {
    int16_t position;
    const char* text;
  };
  const Case cases[] = {
      {19, "NDT"},
      {18, "ADT"},
      {17, "NST"},
      {16, "AST/EDT"},
      {14, "EST/CDT"},
      {12, "CST/MDT"},
      {10, "MST/PDT"},
      {8, "PST/AKDT"},
      {6, "AKST/HADT"},
      {4, "HAST"},
      // The half hours between them, and Greenwich, keep their texts.
      {15, "GMT-4:30"},
      {13, "GMT-5:30"},
      {11, "GMT-6:30"},
      {9, "GMT-7:30"},
      {7, "GMT-8:30"},
      {5, "GMT-9:30"},
      {3, "GMT-10:30"},
      {20, "GMT-2:00"},
      {24, "GMT"},
      {0, ""},
  };
  for (Control list : {kResults, kBirth})
    for (const Case& c : cases) EXPECT_EQ(rig.window.ListItem(list, c.position), c.text) << c.position;
  int changed = 0;
  for (int16_t p = 0; p < 48; ++p) changed += TimezoneText(p, true) != TimezoneText(p, false);
  EXPECT_EQ(changed, 10);
  for (int16_t p = 1; p < 48; ++p) EXPECT_EQ(rig.window.ItemData(kResults, p), (p - 24) * 30);
}

TEST(TimezoneLists, TogglingAbbreviationsKeepsEachListsPosition) {
  ZoneRig rig;
  SetUpTimezoneComboBoxes(rig.state);
  rig.state.FormLoaded = true;
  rig.window.SetListIndex(kResults, 14);
  rig.window.SetListIndex(kBirth, 35);

  rig.window.SetValue(Ctl(chkDisplayNATZabbr), 1);
  SetUpTimezoneComboBoxes(rig.state, true);
  EXPECT_EQ(rig.window.ListIndex(kResults), 14);
  EXPECT_EQ(rig.window.Text(kResults), "EST/CDT");
  EXPECT_EQ(rig.window.ListIndex(kBirth), 35);
  EXPECT_EQ(rig.window.Text(kBirth), "GMT+5:30");
  EXPECT_EQ(rig.state.SavedTimezoneIndex[0], 14);
  EXPECT_EQ(rig.state.SavedTimezoneIndex[1], 35);

  rig.window.SetValue(Ctl(chkDisplayNATZabbr), 0);
  SetUpTimezoneComboBoxes(rig.state, true);
  EXPECT_EQ(rig.window.Text(kResults), "GMT-5:00");
  EXPECT_EQ(rig.window.ListIndex(kBirth), 35);
}

TEST(TimezoneLists, SelectionDependsOnTheWindowHavingLoaded) {
  struct Case {
    bool loaded;
    bool preserve;
    std::optional<int16_t> before;  // position selected before the refill
    int16_t after;
    int16_t saved;
    size_t clicks;
  };
  const Case cases[] = {
      {false, false, 30, -1, 0, 0},                              // start-up: nothing selected, nothing fired
      {false, true, 30, -1, 30, 0}, {true, false, 30, 0, 0, 2},  // the empty entry, as the saved index says
      {true, true, 30, 30, 30, 2},  {true, true, std::nullopt, -1, -1, 0},
  };
  for (const Case& c : cases) {
    ZoneRig rig;
    SetUpTimezoneComboBoxes(rig.state);
    if (c.before) {
      rig.window.SetListIndex(kResults, *c.before);
      rig.window.SetListIndex(kBirth, *c.before);
    }
    ClickCounter counter;
    rig.window.SetEventSink(&counter);
    rig.state.FormLoaded = c.loaded;
    SetUpTimezoneComboBoxes(rig.state, c.preserve);
    EXPECT_EQ(rig.window.ListIndex(kResults), c.after) << c.loaded << c.preserve;
    EXPECT_EQ(rig.window.ListIndex(kBirth), c.after);
    EXPECT_EQ(rig.state.SavedTimezoneIndex[0], c.saved);
    EXPECT_EQ(rig.state.SavedTimezoneIndex[1], c.saved);
    EXPECT_EQ(counter.clicks.size(), c.clicks);
    rig.window.SetEventSink(nullptr);
  }
}

TEST(TimezonePositionOfMinutes, RoundsHalfStepsToEvenAndStaysInTheList) {
  struct Case {
    int32_t minutes;
    int16_t position;
  };
  const Case cases[] = {
      {0, 24},   {-300, 14}, {330, 35}, {345, 36}, {-210, 17},   {315, 34},    {-15, 24},
      {15, 24},  {45, 26},   {-45, 22}, {690, 47}, {-690, 1},    {705, 47},    {-705, 1},
      {720, 47}, {-720, 1},  {840, 47}, {-840, 1}, {100000, 47}, {-100000, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(TimezonePositionOfMinutes(c.minutes), c.position) << c.minutes;
}

// The machine's zone comes from the C library, so TZ sets it for a test.
class MachineZone : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  static void Use(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(MachineZone, BiasBecomesMinutesEastAndAListPosition) {
  struct Case {
    const char* tz;  // POSIX zone: the offset is the bias, west positive
    int16_t minutes;
    int16_t position;
  };
  const Case cases[] = {
      {"EST5", -300, 14},                            // bias 18000
      {"IST-5:30", 330, 35},                         // bias -19800
      {"NPT-5:45", 345, 36},                         // bias -20700: 11.5 steps round to 12
      {"NST3:30", -210, 17},                         // bias 12600
      {"UTC0", 0, 24},       {"<+14>-14", 840, 47},  // beyond the list: its nearest end
      {"<-12>12", -720, 1},
  };
  for (const Case& c : cases) {
    Use(c.tz);
    EXPECT_EQ(MachineTimezoneMinutes(), c.minutes) << c.tz;
    ZoneRig rig;
    SetUpTimezoneComboBoxes(rig.state);
    SelectMachineTimezoneIfUnset(rig.state);
    EXPECT_EQ(rig.window.ListIndex(kResults), c.position) << c.tz;
    EXPECT_EQ(rig.window.ListIndex(kBirth), -1) << "the birth zone gets no default";
  }
}

TEST_F(MachineZone, ARestoredResultsZoneIsKept) {
  Use("EST5");
  ZoneRig rig;
  SetUpTimezoneComboBoxes(rig.state);
  for (int16_t restored : {0, 24, 40}) {
    rig.window.SetListIndex(kResults, restored);
    SelectMachineTimezoneIfUnset(rig.state);
    EXPECT_EQ(rig.window.ListIndex(kResults), restored);
  }
}

}  // namespace
}  // namespace skyloom
