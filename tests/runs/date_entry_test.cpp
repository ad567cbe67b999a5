#include "runs/date_entry.h"

#include <gtest/gtest.h>

#include <string>

#include "support/form_fixture.h"

namespace skyloom {
namespace {

Control C(ControlName n, int16_t i = 0) { return Ctl(n, i); }

TEST(DateEntryTest, LeavingABoxCleansItAndWritesTheDateOut) {
  struct Case {
    int16_t date;
    const char* year;
    const char* month;
    const char* day;
    ControlName left;
    const char* yearAfter;
    const char* dayAfter;
    const char* label;
    int32_t dayNumber;  // 0: not looked at
  };
  const Case cases[] = {
      {0, "0042", "1", "1", ControlName::txbYear, "42", "1", "January 1, 42 CE", 1736401},
      {0, "0042", "1", "1", ControlName::txbMonth, "0042", "1", "January 1, 42 CE", 1736401},
      {1, "000", "1", "1", ControlName::txbYear, "", "1", "", 0},
      {2, "2024", "2", "29", ControlName::txbDay, "2024", "29", "February 29, 2024 CE", 2460370},
      {0, "2023", "2", "29", ControlName::txbDay, "2023", "29", "invalid date", 0},
      {1, "2020", "2", "30", ControlName::txbMonth, "2020", "30", "invalid date", 0},
      {1, "2x0y2z4", "3", "5", ControlName::txbYear, "2024", "5", "March 5, 2024 CE", 2460375},
      {0, "2020", "1", "7x", ControlName::txbDay, "2020", "7", "January 7, 2020 CE", 2458856},
      {0, "2020", "1", "", ControlName::txbDay, "2020", "", "", 0},
      {0, "99999999999999999999", "1", "1", ControlName::txbYear, "99999999999999999999", "1", "invalid date",
       0},
      {2, "4294969316", "1", "1", ControlName::txbDay, "4294969316", "1", "invalid date", 0},
  };
  for (const Case& c : cases) {
    test::FormFixture f;
    f.window.SetText(C(ControlName::txbYear, c.date), c.year);
    f.window.SetText(C(ControlName::txbMonth, c.date), c.month);
    f.window.SetText(C(ControlName::txbDay, c.date), c.day);
    f.state.EnteredDayNumbers[c.date] = 0;
    const int repaints = f.window.RepaintCount(C(ControlName::lblDate, c.date));
    f.form.LostFocus(C(c.left, c.date));
    EXPECT_EQ(f.window.Text(C(ControlName::txbYear, c.date)), c.yearAfter) << c.year;
    EXPECT_EQ(f.window.Text(C(ControlName::txbDay, c.date)), c.dayAfter) << c.day;
    EXPECT_EQ(f.window.Text(C(ControlName::lblDate, c.date)), c.label) << c.year << "-" << c.day;
    if (c.dayNumber != 0) {
      EXPECT_EQ(f.state.EnteredDayNumbers[c.date], c.dayNumber) << c.label;
      EXPECT_GT(f.window.RepaintCount(C(ControlName::lblDate, c.date)), repaints) << c.label;
    }
    EXPECT_TRUE(f.window.MessageBoxes().empty()) << c.year;
  }
}

TEST(DateEntryTest, NegativeYearIsRefusedUntilAnotherBoxCleansIt) {
  test::FormFixture f;
  ASSERT_EQ(f.window.Text(C(ControlName::lblDate, 0)), "January 1, 2020 CE");
  f.Enter(C(ControlName::txbYear, 0), "-5");
  const MessageBoxRequest m = f.LastMessage();
  EXPECT_EQ(m.text, "Year number must be positive.");
  EXPECT_EQ(m.icon, MsgIcon::Information);
  EXPECT_EQ(m.title, "Invalid year");
  EXPECT_EQ(f.window.Text(C(ControlName::txbYear, 0)), "-5");
  EXPECT_EQ(f.window.Text(C(ControlName::lblDate, 0)), "January 1, 2020 CE");

  f.Enter(C(ControlName::txbMonth, 0), "1");
  EXPECT_EQ(f.window.Text(C(ControlName::txbYear, 0)), "5");
  EXPECT_EQ(f.window.Text(C(ControlName::lblDate, 0)), "January 1, 5 CE");
  EXPECT_EQ(f.window.MessageBoxes().size(), 1u);
}

TEST(DateEntryTest, StopDateIsKeptTrimmedAndTheBoxUnchanged) {
  test::FormFixture f;
  f.Enter(C(ControlName::txbStopDate), "  2030-01-01 ");
  EXPECT_EQ(f.state.StopDateText, "2030-01-01");
  EXPECT_EQ(f.window.Text(C(ControlName::txbStopDate)), "  2030-01-01 ");
  f.Enter(C(ControlName::txbStopDate), "   ");
  EXPECT_EQ(f.state.StopDateText, "");
}

}  // namespace
}  // namespace skyloom
