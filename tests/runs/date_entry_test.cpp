#include "runs/date_entry.h"

#include <gtest/gtest.h>

#include <string>

#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;

// Leaving a date box cleans the date's boxes to digits and writes the date
// out; a negative year is refused, kept as typed, until another box cleans
// it. That any text ends so is the typed-inputs fuzzer's.
TEST(DateEntry, LeavingABoxCleansItAndWritesTheDateOut) {
  const struct {
    int16_t date;
    const char *year, *month, *day;
    ControlName left;
    const char* after;  // year/month/day boxes, then the label, then the messages
  } kCases[] = {
      {0, "0042", "1", "1", txbYear, "42/1/1 January 1, 42 CE"},
      {0, "0042", "1", "1", txbMonth, "0042/1/1 January 1, 42 CE"},
      {1, "000", "1", "1", txbYear, "/1/1 "},
      {2, "2024", "2", "29", txbDay, "2024/2/29 February 29, 2024 CE"},
      {0, "2023", "2", "29", txbDay, "2023/2/29 invalid date"},
      {1, "2x0y2z4", "3", "5", txbYear, "2024/3/5 March 5, 2024 CE"},
      {0, "2020", "1", "7x", txbDay, "2020/1/7 January 7, 2020 CE"},
      {0, "99999999999999999999", "1", "1", txbYear, "99999999999999999999/1/1 invalid date"},
      {2, "4294969316", "1", "1", txbDay, "4294969316/1/1 invalid date"},
      {0, "-5", "1", "1", txbYear, "-5/1/1 January 1, 2020 CE Year number must be positive."},
      {0, "-5", "1", "1", txbMonth, "5/1/1 January 1, 5 CE"},
  };
  for (const auto& c : kCases) {
    test::FormFixture f; f.window.SetText(Ctl(txbYear, c.date), c.year);
    f.window.SetText(Ctl(txbMonth, c.date), c.month); f.window.SetText(Ctl(txbDay, c.date), c.day);
    f.form.LostFocus(Ctl(c.left, c.date));
    std::string after = f.window.Text(Ctl(txbYear, c.date)) + "/" + f.window.Text(Ctl(txbMonth, c.date)) + "/" +
                        f.window.Text(Ctl(txbDay, c.date)) + " " + f.window.Text(Ctl(lblDate, c.date));
    for (const MessageBoxRequest& m : f.window.MessageBoxes()) after += " " + m.text;
    EXPECT_EQ(after, c.after) << c.year << " " << c.day;
  }
  test::FormFixture f; f.Enter(Ctl(txbStopDate), "  2030-01-01 ");
  EXPECT_EQ(f.state.StopDateText, "2030-01-01");
  EXPECT_EQ(f.window.Text(Ctl(txbStopDate)), "  2030-01-01 ");
}

}  // namespace
}  // namespace skyloom
