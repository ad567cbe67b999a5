// A chart put into the birth inputs runs as --chart runs it, and the inputs
// kept as a chart give it back, unless a run would refuse them.
#include "ui/chart_list.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "support/cli_runner.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::FormFixture;

TEST(ChartList, AChartRunsAsTheCommandLineRunsItAndComesBack) {
  const StoredChart charts[] = {
      {"Ada", "1980-01-01", "12:00", "GMT", "", {}, {}, "", {}, ""},
      // A minute between the list's steps, a zone by its tz name.
      {"Bea", "1985-07-04", "14:37", "Europe/Berlin", "", {}, {}, "", {}, ""},
      // An offset of the list, a place by its coordinates, the sidereal zodiac.
      {"Cy", "1975-03-09", "06:05", "GMT+5:30", "19.076,72.8777", 19.076, 72.8777, "sidereal", {}, ""},
  };
  const std::string store = (test::FreshFolder("window-charts") / "charts.sqlite").string();
  {
    ChartStore collection(store);
    for (const StoredChart& c : charts) collection.Add(c);
  }
  for (const StoredChart& c : charts) {
    FormFixture f;
    test::Personal(f, 3, 0, "1990");  // Mars to the natal Sun, another birth first
    f.EnterDate(0, "2024", "1", "1");
    f.EnterDate(1, "2024", "12", "31");
    FillBirthFromChart(f.state, c);
    f.Press(Ctl(cmdStart));
    const test::CliResult cli =
        test::RunCli("personal Mars Sun --start 2024-01-01 --end 2024-12-31 --zone GMT --chart " + c.name +
                     " --chart-store " + test::Quoted(store));
    ASSERT_EQ(cli.status, 0) << c.name << "\n" << cli.err;
    EXPECT_EQ(f.OutputLf(), cli.out) << c.name << "\n" << f.LastMessage().text;

    const std::variant<StoredChart, Notice> back = ChartFromWindow(f.state, c.name);
    ASSERT_TRUE(std::holds_alternative<StoredChart>(back)) << c.name << ": " << std::get<Notice>(back).text;
    EXPECT_EQ(std::get<StoredChart>(back), c) << c.name;
    // Birth inputs a run would refuse make no chart, with the run's message.
    f.EnterDate(2, "1980", "13", "1");
    const std::variant<StoredChart, Notice> refused = ChartFromWindow(f.state, "X");
    ASSERT_TRUE(std::holds_alternative<Notice>(refused)) << c.name;
    EXPECT_EQ(std::get<Notice>(refused).text, "The birth date is invalid.");
  }
}

}  // namespace
}  // namespace skyloom
