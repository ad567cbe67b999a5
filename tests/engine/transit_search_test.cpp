#include "engine/transit_search.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/positions.h"
#include "support/form_fixture.h"
#include "support/independent.h"
#include "support/run_fixture.h"

namespace skyloom {
namespace {

using test::Day;
using test::RunFixture;

constexpr const char* kHeading10_5_2 =
    "Aspect      | Start 10°   Start 5°    Start 2°    | Minimum at  | End 2°      End 5°      End 10°     "
    "| Minimum\r\n";

std::string Dashes() { return std::string(119, '-') + "\r\n"; }

double Radians(double degrees) { return degrees / 360.0 * TwoPi; }

void ExpectIndependentlyRight(const RunFixture& f) {
  for (const RunResult& run : f.state.Results)
    for (const std::string& problem : test::VerifyRun(run)) ADD_FAILURE() << problem;
}

// The 2020 great conjunction: exact on 2020-12-21 at 18:20 or 18:21 UT, in
// whatever zone the results are given.
TEST(TransitSearch, WorldRunOf2020InEveryZone) {
  struct Case {
    int16_t zone;
    const char* minimum;
  };
  const Case cases[] = {{24, "2020-12-21* | 18:21 GMT"},      {1, "2020-12-21* | 06:51 GMT-11:30"},
                        {47, "2020-12-22* | 05:51 GMT+11:30"}, {35, "2020-12-21* | 23:51 GMT+5:30"},
                        {14, "2020-12-21* | 13:21 GMT-5:00"}};
  for (const Case& c : cases) {
    RunFixture f;
    f.World(Jupiter, Saturn);
    f.Zone(c.zone);
    f.Period(Day(2020, 1, 1), Day(2020, 12, 31));
    f.Run();
    const std::string out = f.Output();
    const std::string want(c.minimum);
    // Column 4, then the three empty exit columns of a transit open at the end.
    const std::string cells = want.substr(0, 11) + " |" + std::string(37, ' ') + "| " + want.substr(14) + "\r\n";
    EXPECT_NE(out.find(cells), std::string::npos) << out;
    ExpectIndependentlyRight(f);
  }
}

// Every orb date and exact minute of runs across the centuries and zones,
// against positions taken straight from the ephemeris.
TEST(TransitSearch, RightToTheDayAndMinuteAcrossCenturiesAndZones) {
  struct Case {
    bool world;
    BodyIndex a, b;
    int year;
    int16_t zone;
    double natalDegrees;
  };
  const Case cases[] = {
      {true, Sun, Mars, 1620, 1, 0},        {true, Venus, Jupiter, 2450, 47, 0}, {true, Mars, Saturn, 2790, 14, 0},
      {true, Mercury, Uranus, 1800, 35, 0}, {true, Sun, Mercury, 2100, 20, 0},   {false, Mercury, Sun, 2100, 30, 123.4},
      {false, Venus, Moon, 1750, 9, 301.0}, {false, Mars, Venus, 2600, 41, 17.7}, {false, Jupiter, Sun, 1999, 24, 250.0},
  };
  for (const Case& c : cases) {
    RunFixture f;
    const double natal = Radians(c.natalDegrees);
    if (c.world) {
      f.World(c.a, c.b);
    } else {
      f.Personal(c.a, c.b, natal);
    }
    f.Zone(c.zone);
    f.Period(Day(c.year, 1, 1), Day(c.year + 1, 6, 30));
    f.Run();
    ASSERT_FALSE(f.state.Table.RowIsEmpty(FirstTransitRow)) << BodyNames[c.a] << " " << c.year;
    ExpectIndependentlyRight(f);
  }
}

// Longitude in degrees straight from the ephemeris, full nutation.
double EphemerisDegrees(int32 body, double jd, double* speed = nullptr) {
  double xx[6];
  char err[AS_MAXCH];
  swe_set_interpolate_nut(0);
  swe_calc_ut(jd, body, SEFLG_SWIEPH | SEFLG_SPEED, xx, err);
  if (speed) *speed = xx[3];
  return xx[0];
}

// Where Mercury stands still (its speed changes sign) between two instants.
double MercuryStation(double from, double to) {
  double speed = 0;
  EphemerisDegrees(SE_MERCURY, from, &speed);
  const bool directFirst = speed > 0;
  while (to - from > 1e-7) {
    const double mid = (from + to) / 2;
    EphemerisDegrees(SE_MERCURY, mid, &speed);
    ((speed > 0) == directFirst ? from : to) = mid;
  }
  return from;
}

// Every exact aspect of fast pairs over years, at the smallest orbs a run
// or a series takes, in zones at both ends of the list: the independent scan
// finds each zero and least deviation on its own, and the table must hold
// every exact aspect it finds, each at its minute, and nothing else.
TEST(TransitSearch, EveryExactAspectOfFastPairsAtItsMinute) {
  struct Case {
    const char* what;
    bool world;
    BodyIndex a, b;
    double natalDegrees;
    int32_t start, end;
    int16_t zone;
    std::array<int16_t, 3> orbs;
  };
  const double birth = swe_julday(1985, 7, 4, 6 + 5.0 / 60, SE_GREG_CAL);
  // Mercury's station of 2020-02-17, and points just short of it, just past
  // it and two minutes of arc off: a turn that stays within a minute of the
  // point, two passes hours apart, and a closest approach.
  const double station = EphemerisDegrees(SE_MERCURY, MercuryStation(swe_julday(2020, 2, 15, 0, SE_GREG_CAL),
                                                                    swe_julday(2020, 2, 19, 0, SE_GREG_CAL)));
  const Case cases[] = {
      {"Sun-Mercury", true, Sun, Mercury, 0, Day(2020, 1, 1), Day(2023, 12, 31), 24, {5, 3, 1}},
      {"Sun-Venus", true, Sun, Venus, 0, Day(2019, 1, 1), Day(2022, 12, 31), 47, {5, 3, 1}},
      {"Mercury-Venus", true, Mercury, Venus, 0, Day(2020, 1, 1), Day(2022, 12, 31), 1, {5, 3, 1}},
      {"Mercury-Mars", true, Mercury, Mars, 0, Day(2021, 1, 1), Day(2023, 12, 31), 35, {5, 3, 1}},
      {"Sun-Mercury of 2100", true, Sun, Mercury, 0, Day(2100, 1, 1), Day(2101, 12, 31), 20, {10, 5, 2}},
      {"Jupiter-Pluto", true, Jupiter, Pluto, 0, Day(2020, 1, 1), Day(2020, 12, 31), 24, {10, 5, 2}},
      {"Mercury to a natal Moon", false, Mercury, Moon, EphemerisDegrees(SE_MOON, birth), Day(2022, 1, 1),
       Day(2022, 12, 31), 24, {7, 5, 3}},
      {"Mercury to 100 degrees", false, Mercury, Sun, 100.0, Day(2020, 1, 1), Day(2023, 12, 31), 1, {5, 3, 1}},
      {"Venus to 250 degrees", false, Venus, Sun, 250.0, Day(2019, 1, 1), Day(2022, 12, 31), 47, {5, 3, 1}},
      {"Mars to 15.2 degrees", false, Mars, Sun, 15.2, Day(2019, 1, 1), Day(2022, 12, 31), 35, {5, 3, 1}},
      {"Mercury turning short", false, Mercury, Sun, station + 0.5 / 60, Day(2020, 2, 1), Day(2020, 3, 15), 24,
       {5, 3, 1}},
      {"Mercury turning past", false, Mercury, Sun, station - 0.5 / 60, Day(2020, 2, 1), Day(2020, 3, 15), 47,
       {5, 3, 1}},
      {"Mercury turning two minutes short", false, Mercury, Sun, station + 2.0 / 60, Day(2020, 2, 1),
       Day(2020, 3, 15), 24, {5, 3, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunFixture f;
    if (c.world) {
      f.World(c.a, c.b);
    } else {
      f.Personal(c.a, c.b, Radians(c.natalDegrees));
    }
    f.Zone(c.zone);
    f.Orbs(c.orbs[0], c.orbs[1], c.orbs[2]);
    f.Period(c.start, c.end);
    f.Run();
    ASSERT_FALSE(f.state.Table.RowIsEmpty(FirstTransitRow));
    ExpectIndependentlyRight(f);
  }
}

// A personal Show-all series of transiting Mercury at orbs 5, 3, 1, which a
// series takes though a single run would not: each run of it right.
TEST(TransitSearch, EveryExactAspectOfAShowAllSeries) {
  test::FormFixture f;
  test::Personal(f, 1, 0, "1990");  // Mercury, natal Sun
  f.EnterDate(0, "2021", "1", "1");
  f.EnterDate(1, "2021", "12", "31");
  for (int16_t k = 0; k < 3; ++k) f.Choose(Ctl(ControlName::cboOrbs, k), static_cast<int16_t>(4 - 2 * k));
  f.Press(Ctl(ControlName::cmdShowAll, 1));  // "Show all transits by transiting Mercury"
  ASSERT_EQ(f.state.Results.size(), 10u) << f.LastMessage().text;
  for (const RunResult& run : f.state.Results) {
    EXPECT_EQ(run.orbDegrees, (std::array<int16_t, 3>{5, 3, 1}));
    for (const std::string& problem : test::VerifyRun(run)) ADD_FAILURE() << problem;
  }
}

// At the ends of Pluto's data no longitude is made up: a transit the data
// cannot close stays open, and nothing is dated before the period or the data.
TEST(TransitSearch, EndsOfTheDataMakeNothingUp) {
  RunFixture f;
  f.World(Mars, Pluto);
  f.Orbs(10, 5, 3);
  f.Period(Day(2099, 10, 1), Day(2099, 12, 31));
  f.Run();
  const RunResult& end = f.state.Results.back();
  ASSERT_EQ(end.transits.size(), 2u) << f.Output();
  const TransitRowData& open = end.transits[1].passes.at(0);
  EXPECT_TRUE(open.entry[0] && open.entry[1]);
  EXPECT_FALSE(open.minimum || open.exit[0] || open.exit[1] || open.exit[2]) << f.Output();

  for (const int16_t zone : {int16_t{24}, int16_t{34}, int16_t{1}}) {
    RunFixture g;
    g.World(Jupiter, Pluto);
    g.Zone(zone);
    g.Period(Day(1600, 1, 1), Day(1600, 12, 31));
    g.Run();
    for (const TransitRecord& transit : g.state.Results.back().transits)
      for (const TransitRowData& row : transit.passes) {
        EXPECT_GE(row.minimum ? row.minimum->day : Day(1600, 1, 1), Day(1600, 1, 1)) << g.Output();
        for (const auto& date : row.entry) EXPECT_GE(date ? date->day : Day(1600, 1, 1), Day(1600, 1, 1));
      }
    ExpectIndependentlyRight(g);
  }
}

TEST(TransitSearch, WholeReportOfAWorldRun) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2020, 1, 1), Day(2020, 12, 31));
  f.Run();
  const std::string want =
      "\r\n" + std::string(kHeading10_5_2) + Dashes() +
      "Conjunction | 2020-02-14  2020-04-28              | 2020-05-18r |             2020-06-07r             | 4°42'\r\n"
      "            |             2020-11-02  2020-12-03  | 2020-12-21* |                                     | 18:21 GMT\r\n";
  EXPECT_EQ(f.Output(), want);
  EXPECT_EQ(f.window.PopUps().size(), 1u);
  EXPECT_TRUE(f.window.MessageBoxes().empty());
  EXPECT_EQ(f.window.Text(Ctl(ControlName::cmdStart)), "Show all world transits between Jupiter and Saturn");
  EXPECT_FALSE(f.window.Visible(Ctl(ControlName::lblShortDate)));
  EXPECT_TRUE(f.window.Enabled(Ctl(ControlName::cboPlanet, 0)));
}

// Saturn's loop of 2020 over a point at 298 degrees: three exact passes, the
// first row with the outer and middle orbs' entries and exits.
TEST(TransitSearch, RetrogradeLoopGivesThreePasses) {
  RunFixture f;
  const double natal = Radians(298.0);
  f.Personal(Saturn, Sun, natal);
  f.Period(Day(2019, 12, 1), Day(2021, 3, 31));
  f.Run();
  const std::string out = f.Output();
  const std::string rows =
      "Conjunction | 2019-12-01  2020-01-14  2020-02-09  | 2020-02-28* | 2020-03-22  2021-01-12  2021-02-24  | 07:42 GMT\r\n"
      "            |                         2020-07-01r | 2020-07-29*r| 2020-08-31r                         | 15:39 GMT\r\n"
      "            |                         2020-10-27  | 2020-11-26* | 2020-12-17                          | 09:59 GMT\r\n";
  EXPECT_NE(out.find(rows), std::string::npos) << out;
  ExpectIndependentlyRight(f);
}

// Just past Saturn's station the point is approached to half a degree and
// left again: a closest approach with its size in column 8.
TEST(TransitSearch, InnerOrbWithoutExactAspectGivesClosestApproach) {
  RunFixture f;
  const double natal = Radians(302.45);
  f.Personal(Saturn, Sun, natal);
  f.Period(Day(2019, 12, 1), Day(2021, 3, 31));
  f.Run();
  const std::string out = f.Output();
  EXPECT_NE(out.find("Conjunction | 2020-01-09  2020-02-22  2020-03-28  | 2020-05-11r | 2020-06-25r 2020-08-06r"
                     "             | 0°30'\r\n"),
            std::string::npos)
      << out;
  const TransitRowData& first = f.state.Table.Data(FirstTransitRow);
  ASSERT_TRUE(first.minimum.has_value());
  EXPECT_FALSE(first.minimum->exact);
  // The closest approach is the station of 2020 May 11, half a degree short.
  EXPECT_NEAR(first.minimum->deviation, Radians(0.5), Radians(1.0 / 60));
  ExpectIndependentlyRight(f);
}

// With a 15-degree outer orb the trine's orb ends on the day the square's
// begins: one row ends and the next starts with the same date.
TEST(TransitSearch, OuterOrbSwitchOnOneDay) {
  RunFixture f;
  f.World(Sun, Mars);
  f.Orbs(15, 13, 11);
  f.Period(Day(2021, 1, 1), Day(2021, 3, 31));
  f.Run();
  const std::string out = f.Output();
  EXPECT_NE(out.find("Trine       |                                     |             |                         "
                     "2021-01-03  | \r\n"
                     "Square      | 2021-01-03  2021-01-07  2021-01-10  | 2021-02-01* | 2021-02-25  2021-03-02  "
                     "2021-03-07  | 10:34 GMT\r\n"
                     "Sextile     | 2021-03-07  2021-03-11  2021-03-16  |"),
            std::string::npos)
      << out;
  ExpectIndependentlyRight(f);
  // Without the 15-degree orb nothing switches: the square starts on its own.
  RunFixture g;
  g.World(Sun, Mars);
  g.Orbs(14, 12, 10);
  g.Period(Day(2021, 1, 1), Day(2021, 3, 31));
  g.Run();
  ExpectIndependentlyRight(g);
  EXPECT_EQ(g.state.Table.Data(FirstTransitRow + 1).entry[0]->day, Day(2021, 1, 5));
}

TEST(TransitSearch, PairAlreadyInOrbOnTheFirstDay) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2020, 12, 10), Day(2021, 1, 31));
  f.Run();
  EXPECT_EQ(f.Output(), "\r\n" + std::string(kHeading10_5_2) + Dashes() +
                            "Conjunction |                                     | 2020-12-21* | 2021-01-08       "
                            "                   | 18:21 GMT\r\n");
}

TEST(TransitSearch, NoTransits) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2022, 6, 1), Day(2022, 6, 4));
  f.Run();
  EXPECT_EQ(f.Output(), "\r\n" + std::string(kHeading10_5_2) + Dashes() + "No transits in this period.\r\n");
  ASSERT_EQ(f.window.MessageBoxes().size(), 1u);
  EXPECT_EQ(f.window.MessageBoxes()[0].text, "There are no transits of this kind in the period specified.");
  EXPECT_EQ(f.window.MessageBoxes()[0].title, "No transits");
  EXPECT_EQ(f.window.MessageBoxes()[0].icon, MsgIcon::Information);
  EXPECT_TRUE(f.window.PopUps().empty());
  // Inside a Show-all series the box stays silent.
  RunFixture g;
  g.World(Jupiter, Saturn);
  g.state.ShowAllMode = true;
  g.Period(Day(2022, 6, 1), Day(2022, 6, 4));
  g.Run();
  EXPECT_TRUE(g.window.MessageBoxes().empty());
}

// A one-day period still looks at the midnights on both sides of the day.
TEST(TransitSearch, OneDayPeriod) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  // The minimum of 18:21 on the 21st is found from that day's two
  // midnights; the 22nd holds no event of its own, and a report never dates
  // anything before its period.
  f.Period(Day(2020, 12, 21), Day(2020, 12, 21));
  f.Run();
  EXPECT_NE(f.Output().find("| 2020-12-21* |"), std::string::npos) << f.Output();
  RunFixture g;
  g.World(Jupiter, Saturn);
  g.Period(Day(2020, 12, 22), Day(2020, 12, 22));
  g.Run();
  EXPECT_NE(g.Output().find("No transits in this period."), std::string::npos) << g.Output();
}

TEST(TransitSearch, StopDuringARun) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2020, 1, 1), Day(2020, 12, 31));
  int yields = 0;
  f.window.SetPendingEventsHook([&] {
    // The user presses the button, now reading "Stop", in the 100th day.
    if (++yields == 100) {
      EXPECT_EQ(f.window.Text(Ctl(ControlName::cmdStart)), "Stop");
      EXPECT_TRUE(f.window.Enabled(Ctl(ControlName::cmdStart)));
      EXPECT_FALSE(f.window.Enabled(Ctl(ControlName::cboPlanet, 0)));
      f.state.StopRequested = true;
    }
  });
  f.Run();
  EXPECT_EQ(yields, 100);
  const std::string out = f.Output();
  EXPECT_EQ(out.substr(out.size() - 7), "Stopped");
  EXPECT_EQ(out.find("Conjunction"), std::string::npos);
  EXPECT_TRUE(f.window.PopUps().empty());
  EXPECT_TRUE(f.window.MessageBoxes().empty());
  EXPECT_FALSE(f.state.StopRequested);
  EXPECT_TRUE(f.window.Enabled(Ctl(ControlName::cboPlanet, 0)));
}

TEST(TransitSearch, AppendKeepsTheEarlierReport) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2022, 6, 1), Day(2022, 6, 4));
  f.Run();
  const std::string first = f.Output();
  f.window.SetValue(Ctl(ControlName::chkAppendToOutput), 1);
  f.Run();
  EXPECT_EQ(f.Output(), first + "\r\n" + Dashes() + first);
  // Unchecked, the next run starts on an empty box.
  f.window.SetValue(Ctl(ControlName::chkAppendToOutput), 0);
  f.Run();
  EXPECT_EQ(f.Output(), first);
}

TEST(TransitSearch, FullOutputBoxStopsTheRun) {
  // Full at a transit's row: the row is not printed and the run stops the
  // next day.
  RunFixture f;
  f.World(Sun, Mars);
  f.Orbs(15, 13, 11);
  f.Period(Day(2021, 1, 1), Day(2021, 12, 31));
  f.window.SetText(Ctl(ControlName::txbOutput), std::string(63800, 'x'));
  f.window.SetValue(Ctl(ControlName::chkAppendToOutput), 1);
  f.Run();
  const std::string out = f.Output();
  EXPECT_EQ(out.substr(out.size() - 26), "Textbox is full -- Stopped");
  EXPECT_EQ(out.find("Trine"), std::string::npos);
  ASSERT_EQ(f.window.MessageBoxes().size(), 1u);
  EXPECT_EQ(f.window.MessageBoxes()[0].text, "Output textbox is full.");
  EXPECT_EQ(f.window.MessageBoxes()[0].icon, MsgIcon::Exclamation);
  EXPECT_TRUE(f.state.RunAbandoned);
  EXPECT_TRUE(f.window.PopUps().empty());

  // Already full as the run starts: the heading row is refused and the run
  // stops on its first day instead of going on.
  RunFixture g;
  g.World(Sun, Mars);
  g.Period(Day(2021, 1, 1), Day(2021, 12, 31));
  g.window.SetText(Ctl(ControlName::txbOutput), std::string(64001, 'x'));
  g.window.SetValue(Ctl(ControlName::chkAppendToOutput), 1);
  int days = 0;
  g.window.SetPendingEventsHook([&] { ++days; });
  g.Run();
  EXPECT_EQ(days, 1);
  const std::string full = g.Output();
  EXPECT_NE(full.find("Textbox is full -- "), std::string::npos);
  EXPECT_EQ(full.substr(full.size() - 7), "Stopped");
  EXPECT_EQ(g.window.MessageBoxes().size(), 1u);
}

TEST(TransitSearch, HtmlTableOfARun) {
  const auto path = std::filesystem::temp_directory_path() / ("skyloom_run_" + std::to_string(::getpid()) + ".htm");
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2020, 12, 10), Day(2021, 1, 31));
  f.window.SetValue(Ctl(ControlName::chkOutputAsHTML), 1);
  f.state.OutputFilePath = path.string();
  f.Run();
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string html = text.str();
  std::filesystem::remove(path);
  EXPECT_EQ(html.rfind("<center>\r\n", 0), 0u);
  EXPECT_NE(html.find("<td align=\"left\" valign=\"top\">&nbsp;2020-12-21* &nbsp;</td>\r\n"), std::string::npos);
  EXPECT_NE(html.find("<td align=\"left\" valign=\"top\">&nbsp;18:21 GMT   &nbsp;</td>\r\n"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 22), "</table></center><p>\r\n");
  EXPECT_FALSE(f.state.HtmlFileOpen);
}

TEST(TransitSearch, HtmlFileThatCannotBeOpened) {
  RunFixture f;
  f.World(Jupiter, Saturn);
  f.Period(Day(2020, 12, 10), Day(2021, 1, 31));
  f.window.SetValue(Ctl(ControlName::chkOutputAsHTML), 1);
  f.state.OutputFilePath = "/nonexistent-folder/report.htm";
  f.Run();
  // Once for the heading row, once for the transit's row; the text report
  // is not affected.
  int opening = 0;
  for (const auto& box : f.window.MessageBoxes())
    if (box.text.rfind("Error when opening file /nonexistent-folder/report.htm:", 0) == 0) ++opening;
  EXPECT_EQ(opening, 2);
  EXPECT_NE(f.Output().find("| 2020-12-21* |"), std::string::npos);
}

// The table grows when a run records more rows than its period suggests.
TEST(TransitSearch, TableGrowsPastItsEstimate) {
  EXPECT_EQ(TransitTable::RowsForPeriod(1), 200);
  EXPECT_EQ(TransitTable::RowsForPeriod(1450), 200);
  EXPECT_EQ(TransitTable::RowsForPeriod(1451), 200);
  EXPECT_EQ(TransitTable::RowsForPeriod(1458), 201);
  EXPECT_EQ(TransitTable::RowsForPeriod(650 * 366), 32760);
  TransitTable table;
  table.Create(3);
  const int32_t far = 1000;
  table.SetEntry(far, 1, 0, DateMark{Day(2020, 1, 1), false});
  EXPECT_GT(table.RowCount(), far);
  EXPECT_FALSE(table.RowIsEmpty(far));
  EXPECT_TRUE(table.RowIsEmpty(far - 1));
  EXPECT_EQ(table.Cell(far, 1), "2020-01-01");
  EXPECT_EQ(table.Data(far).aspect, 1);
  EXPECT_TRUE(table.RowIsEmpty(table.RowCount() + 5));
}

}  // namespace
}  // namespace skyloom
