#include "runs/first_transit_search.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "engine/positions.h"
#include "ports/calendar_library.h"
#include "support/form_fixture.h"
#include "support/run_fixture.h"
#include "support/independent.h"

namespace skyloom {
namespace {

using test::FormFixture;
using test::IndependentRun;

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

int32_t DayOf(int32_t year, int32_t month, int32_t day) { return test::Day(year, month, day); }

CalendarDate DateOf(int32_t day) {
  CalendarDate date;
  date.DayNumber = day;
  day_number_to_date(date);
  return date;
}

using test::Personal;
using test::World;

// The transit a search should find, walked here day by day from positions
// taken straight from the ephemeris.
struct Expected {
  int32_t start = 0;  // the last day before the first midnight in orb
  int32_t end = 0;    // the first day after it whose midnight is out of orb
};

Expected IndependentSearch(const IndependentRun& run, double orbDegrees, int32_t endDate) {
  auto inOrb = [&](int32_t day) {
    return test::IndependentDeviation(run, LocalMidnight(day, run.zoneMinutes)) < orbDegrees;
  };
  int32_t day = endDate + 1;
  if (test::IndependentDeviation(run, day - 0.5) < orbDegrees)
    while (inOrb(day)) ++day;
  while (!inOrb(day)) ++day;
  Expected e;
  e.start = day - 1;
  day = e.start + 1;
  while (inOrb(day)) ++day;
  e.end = day;
  return e;
}

void ExpectDateBoxes(const FormFixture& f, int16_t date, const std::string& year, const std::string& month,
                     const std::string& day) {
  EXPECT_EQ(f.window.Text(C(ControlName::txbYear, date)), year);
  EXPECT_EQ(f.window.Text(C(ControlName::txbMonth, date)), month);
  EXPECT_EQ(f.window.Text(C(ControlName::txbDay, date)), day);
}

void ExpectDateBoxes(const FormFixture& f, int16_t date, int32_t dayNumber) {
  const CalendarDate d = DateOf(dayNumber);
  ExpectDateBoxes(f, date, std::to_string(d.Year), std::to_string(d.Month), std::to_string(d.Day));
  EXPECT_EQ(f.window.Text(C(ControlName::lblDate, date)), LongDateLabel(d.Year, d.Month, d.Day));
}

// --- Finding the transit ----------------------------------------------------

// The Sun met Jupiter on 29 January 2021: that conjunction is under way the
// day after an end date of 25 January, so the one of March 2022 is found.
TEST(SearchCommand, SkipsATransitUnderWayAndWritesTheDatesBack) {
  FormFixture f;
  World(f, 0, 3);  // Sun, Jupiter
  f.Choose(C(ControlName::cboSearchAspect), 0);
  f.Choose(C(ControlName::cboOrbs, 0), 9);  // 10 degrees
  f.Choose(C(ControlName::cboTimezone, 0), 47);  // GMT+11:30
  f.EnterDate(1, "2021", "1", "25");
  f.window.SetValue(C(ControlName::chkKeepDates), 0);

  const IndependentRun conjunction{true, Sun, Jupiter, 0, 1, 690};
  ASSERT_LT(test::IndependentDeviation(conjunction, DayOf(2021, 1, 26) - 0.5), 10.0);
  const Expected want = IndependentSearch(conjunction, 10.0, DayOf(2021, 1, 25));
  EXPECT_EQ(DateOf(want.start).Year, 2022);

  f.Press(C(ControlName::cmdSearch));
  ASSERT_EQ(f.state.RunsStarted, 1) << f.LastMessage().text;
  EXPECT_EQ(f.state.RunStartDay, want.start) << FormatDayNumber(f.state.RunStartDay);
  EXPECT_EQ(f.state.RunEndDay, want.end) << FormatDayNumber(f.state.RunEndDay);
  EXPECT_EQ(f.state.Orbs.OrbDegrees, (std::array<int16_t, 3>{10, 6, 2}));
  // The engine works in the zone the walks used.
  EXPECT_EQ(f.state.ZoneMinutes, 690);
  const TransitRowData& row = f.state.Table.Data(FirstTransitRow);
  EXPECT_EQ(row.aspect, 1);
  ASSERT_TRUE(row.entry[0] && row.exit[0]);
  EXPECT_EQ(row.entry[0]->day, want.start);
  EXPECT_EQ(row.exit[0]->day, want.end - 1);
  for (const std::string& problem : test::VerifyRun(f.state.Results.back())) ADD_FAILURE() << problem;

  ExpectDateBoxes(f, 0, want.start);
  ExpectDateBoxes(f, 1, want.end);
  EXPECT_EQ(f.state.EnteredDayNumbers[0], want.start);
  EXPECT_EQ(f.state.EnteredDayNumbers[1], want.end);
}

// Transiting Mars reaching natal Sun (10 degrees of Capricorn) early in 2020.
TEST(SearchCommand, PersonalSearchAimsAtTheNatalPosition) {
  FormFixture f;
  Personal(f, 3, 0, "1990");  // Mars, natal Sun
  f.Choose(C(ControlName::cboSearchAspect), 0);
  f.Choose(C(ControlName::cboOrbs, 0), 9);
  f.EnterDate(1, "2020", "1", "1");
  f.window.SetValue(C(ControlName::chkKeepDates), 1);

  f.Press(C(ControlName::cmdSearch));
  ASSERT_EQ(f.state.RunsStarted, 1) << f.LastMessage().text;
  const double natal = f.state.NatalLongitude[Sun];
  const IndependentRun sunAtBirth{false, Sun, 0, natal, 1, 0};
  EXPECT_LT(test::IndependentDeviation(sunAtBirth, DayOf(1990, 1, 1)), 0.001);
  const Expected want =
      IndependentSearch(IndependentRun{false, Mars, Sun, natal, 1, 0}, 10.0, DayOf(2020, 1, 1));
  EXPECT_EQ(f.state.RunStartDay, want.start) << FormatDayNumber(f.state.RunStartDay);
  EXPECT_EQ(f.state.RunEndDay, want.end) << FormatDayNumber(f.state.RunEndDay);
  for (const std::string& problem : test::VerifyRun(f.state.Results.back())) ADD_FAILURE() << problem;
  // Kept dates: the boxes stay as they were.
  ExpectDateBoxes(f, 0, "2020", "1", "1");
  ExpectDateBoxes(f, 1, "2020", "1", "1");
}

// Stopped at once, the run records nothing; the boxes keep their dates.
TEST(SearchCommand, EmptyReportLeavesTheDatesAlone) {
  FormFixture f;
  World(f, 0, 3);
  f.Choose(C(ControlName::cboOrbs, 0), 9);
  f.EnterDate(1, "2021", "1", "25");
  f.window.SetValue(C(ControlName::chkKeepDates), 0);
  f.window.SetPendingEventsHook([&] { f.Press(C(ControlName::cmdStart)); });
  f.Press(C(ControlName::cmdSearch));
  ASSERT_EQ(f.state.RunsStarted, 1) << f.LastMessage().text;
  EXPECT_TRUE(f.state.Table.RowIsEmpty(FirstTransitRow));
  EXPECT_NE(f.Output().find("Stopped"), std::string::npos);
  ExpectDateBoxes(f, 0, "2020", "1", "1");
  ExpectDateBoxes(f, 1, "2021", "1", "25");
}

// --- Refusals and running out of data ---------------------------------------

TEST(SearchCommand, TransitingMercuryNeedsASearchOrbOfSeven) {
  FormFixture f;
  Personal(f, 1, 0, "1990");  // Mercury, natal Sun
  f.Choose(C(ControlName::cboOrbs, 0), 5);  // 6 degrees
  f.Press(C(ControlName::cmdSearch));
  EXPECT_EQ(f.LastMessage().text, "With transiting Mercury the search orb must be at least 7\xC2\xB0.");
  EXPECT_EQ(f.LastMessage().title, "Search orb value");
  EXPECT_EQ(f.state.RunsStarted, 0);

  f.Choose(C(ControlName::cboOrbs, 0), 6);
  f.Press(C(ControlName::cmdSearch));
  EXPECT_EQ(f.state.RunsStarted, 1) << f.LastMessage().text;
}

// Neptune and Pluto next meet in the 24th century; Pluto's data end first.
TEST(SearchCommand, RunningOutOfDataNamesTheAspectAndTheLastDay) {
  FormFixture f;
  World(f, 7, 7);  // Neptune, Pluto
  f.Choose(C(ControlName::cboSearchAspect), 0);
  f.EnterDate(1, "2050", "1", "1");
  f.window.SetValue(C(ControlName::chkKeepDates), 0);
  const size_t before = f.window.MessageBoxes().size();
  f.Press(C(ControlName::cmdSearch));
  ASSERT_EQ(f.window.MessageBoxes().size(), before + 1);
  const MessageBoxRequest m = f.LastMessage();
  EXPECT_EQ(m.text,
            "No complete conjunction transit found up to 2100-01-01 CE .\r\n"
            "Date is beyond allowable date range for Pluto.");
  EXPECT_EQ(m.title, "Date out of range");
  EXPECT_EQ(m.icon, MsgIcon::Exclamation);
  EXPECT_FALSE(f.window.Visible(C(ControlName::lblShortDate)));
  EXPECT_EQ(f.state.RunsStarted, 0);
  EXPECT_EQ(f.state.RunStartDay, -1);
  EXPECT_EQ(f.state.RunEndDay, -1);
  ExpectDateBoxes(f, 1, "2050", "1", "1");
}

// Out of data already on the day after the end date: the in-orb test says so
// first, then the search gives up on that same day.
TEST(SearchCommand, OutOfDataOnTheFirstDayShowsBothMessages) {
  FormFixture f;
  World(f, 7, 7);
  f.Choose(C(ControlName::cboSearchAspect), 3);  // trine
  f.EnterDate(1, "2099", "12", "31");
  const size_t before = f.window.MessageBoxes().size();
  f.Press(C(ControlName::cmdSearch));
  const auto& boxes = f.window.MessageBoxes();
  ASSERT_EQ(boxes.size(), before + 2);
  EXPECT_EQ(boxes[before].text, "Date is beyond allowable date range for Pluto.");
  EXPECT_EQ(boxes[before].title, "Error");
  EXPECT_EQ(boxes[before + 1].text,
            "No complete trine transit found up to 2100-01-01 CE .\r\n"
            "Date is beyond allowable date range for Pluto.");
  EXPECT_EQ(f.state.RunsStarted, 0);
}

// A birth date after the end of the Moon's data passes the checks of a
// search (it is not tied to the start date) but has no natal Moon.
TEST(SearchCommand, NatalBodyWithoutDataAtBirthIsRefused) {
  FormFixture f;
  Personal(f, 3, 9, "2150");  // Mars, natal Moon
  f.EnterDate(1, "2050", "1", "1");
  f.Press(C(ControlName::cmdSearch));
  EXPECT_EQ(f.LastMessage().text, "Date is beyond allowable date range for Moon.");
  EXPECT_EQ(f.LastMessage().title, "Error");
  EXPECT_EQ(f.state.RunsStarted, 0);
}

// Mercury never strays more than 28 degrees from the Sun, so an opposition
// search walks to the end of the ephemeris: it must end, and soon.
TEST(SearchCommand, AspectThatNeverHappensEndsAtTheEndOfTheData) {
  FormFixture f;
  World(f, 0, 0);  // Sun, Mercury
  f.Choose(C(ControlName::cboSearchAspect), 1);  // opposition
  f.Choose(C(ControlName::cboOrbs, 0), 14);
  f.EnterDate(1, "2020", "12", "31");
  const auto started = std::chrono::steady_clock::now();
  f.Press(C(ControlName::cmdSearch));
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  RecordProperty("seconds", std::to_string(seconds));
  const MessageBoxRequest m = f.LastMessage();
  EXPECT_EQ(m.title, "Date out of range");
  // The ephemeris files end early in 5400; a day-by-day walk meets the end
  // on 21 January.
  EXPECT_EQ(m.text,
            "No complete opposition transit found up to 5400-01-21 CE .\r\n"
            "Date is beyond allowable date range for Mercury.");
  EXPECT_EQ(f.state.RunsStarted, 0);
  EXPECT_LT(seconds, 10.0);
  // The progress label moved on the way.
  EXPECT_GT(f.window.RepaintCount(C(ControlName::lblShortDate)), 10);
}

}  // namespace
}  // namespace skyloom
