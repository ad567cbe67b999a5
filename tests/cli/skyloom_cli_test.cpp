// The command-line front end run as a separate process on real arguments.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using skyloom::test::CliResult;
using skyloom::test::Quoted;
using skyloom::test::RunCli;
using skyloom::test::Slurp;

fs::path Scratch() { return skyloom::test::CliScratch(); }

const char* kHeading =
    "Aspect      | Start 10°   Start 5°    Start 2°    | Minimum at  | End 2°      End 5°      End 10°     "
    "| Minimum\n";
const std::string kDashes = std::string(119, '-') + "\n";

TEST(SkyloomCli, WorldRunPrintsTheReport) {
  const CliResult r = RunCli("world jupiter SATURN --start 2020-01-01 --end 2020-12-31 --zone GMT");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "\n" + std::string(kHeading) + kDashes +
                       "Conjunction | 2020-02-14  2020-04-28              | 2020-05-18r |             2020-06-07r"
                       "             | 4°42'\n"
                       "            |             2020-11-02  2020-12-03  | 2020-12-21* |                       "
                       "              | 18:21 GMT\n");
}

TEST(SkyloomCli, PersonalRunWithBirthDataAndAbbreviatedZone) {
  const CliResult r = RunCli(
      "personal Saturn Sun --start 2024-01-01 --end 2024-12-31 --birth 1970-03-15 --birth-time 14:30 "
      "--birth-zone GMT+1:00 --zone EST/CDT");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Saturn transits of natal Sun, Jan. 1, 2024, to Dec. 31, 2024, birth at March 15, 1970, "
                        "14:30 GMT+1:00 (tropical)\n",
                        0),
            0u)
      << r.out;
}

// A square already under way on 1 January of year 1 starts the run there:
// the walk back to its start never reaches a year 0.
TEST(SkyloomCli, NoDateBeforeTheFirstYear) {
  const CliResult r = RunCli("world Sun Mars --start 0001-01-01 --end 0001-03-31 --zone GMT");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Square      |                                     | 1-01-02*    |"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("0-12-"), std::string::npos) << r.out;
}

TEST(SkyloomCli, RefusedInputsGetTheWindowsMessage) {
  struct Case {
    const char* arguments;
    const char* message;
  };
  const Case cases[] = {
      {"world Mars Jupiter --start 2020-02-30 --end 2020-12-31 --zone GMT",
       "Invalid input: The start date is invalid.\n"},
      {"world Mars Jupiter --start 2021-02-29 --end 2021-12-31 --zone GMT",
       "Invalid input: The start date is invalid.\n"},
      {"world Mars Jupiter --start 2020-01-01 --end 2800-01-01 --zone GMT",
       "Show all world transits between Mars and Jupiter: End date is too late\n"},
      {"world Mars Jupiter --start 2020-01-01 --end 2020-01-03 --zone GMT",
       "Show all world transits between Mars and Jupiter: The start date must be at least 3 days prior to the end "
       "date.\n"},
      {"world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --orbs 10,9,6 --zone GMT",
       "Orb values: Orbs must be strictly decreasing and differ by at least 2°.\n"},
      // A series is refused before its first run, with the message once.
      {"world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --orbs 2,5,10 --zone GMT --show-all outer",
       "Orb values: Orbs must be strictly decreasing and differ by at least 2°.\n"},
      {"personal Sun Sun --start 2020-01-01 --end 2020-12-31 --orbs 10,9,6 --zone GMT --birth 1970-01-01 "
       "--birth-time 12:00 --birth-zone GMT --show-all inner",
       "Orb values: Orbs must be strictly decreasing and differ by at least 2°.\n"},
      {"world Jupiter Mars --start 2020-01-01 --end 2020-12-31 --zone GMT",
       "Show all world transits between Jupiter and Mars: Outer planet must be beyond inner planet\n"},
      {"personal Mars Sun --start 2020-01-01 --end 2020-12-31 --zone GMT",
       "Show all personal transits by Mars of natal Sun: Please specify year of birth.\n"},
      {"personal Mars Sun --start 2020-01-01 --end 2020-12-31 --zone GMT --birth 1970-02-29 --birth-time 12:00 "
       "--birth-zone Europe/Berlin",
       "Show all personal transits by Mars of natal Sun: The birth date is invalid.\n"},
  };
  for (const Case& c : cases) {
    const CliResult r = RunCli(c.arguments);
    EXPECT_EQ(r.status, 1) << c.arguments;
    EXPECT_EQ(r.err, c.message) << c.arguments;
    EXPECT_EQ(r.out, "") << c.arguments;
  }
}

// Refused before any run: the usage, nothing on standard output, and no file made.
TEST(SkyloomCli, UnusableArguments) {
  const fs::path never = Scratch() / "never.ics";
  fs::remove(never);
  const std::string period = "--start 2020-01-01 --end 2020-12-31";
  const std::string personal = "personal Mars Sun " + period + " --zone GMT --birth 1970-01-01 ";
  const std::string cases[] = {
      "", "world Mars", "galaxy Mars Jupiter " + period, "world Pluto Sun " + period,
      "world Mars Jupiter --start 2020-01-01", "world Mars Jupiter --frobnicate",
      // A date is YYYY-MM-DD and nothing else.
      "world Mars Jupiter --start 2020/01/01 --end 2020-12-31", "world Mars Jupiter --start -5-01-01 --end 2020-12-31",
      "world Mars Jupiter --start 0x7e4-01-01 --end 2020-12-31",
      "world Mars Jupiter --start 2020-01-1e3 --end 2020-12-31",
      "world Mars Jupiter --start 0000-01-01 --end 2020-12-31",
      "world Mars Jupiter --start 2020-13-01 --end 2020-12-31",
      "world Mars Jupiter --start 2020-00-10 --end 2020-12-31",
      "world Mars Jupiter --start 2020-01-32 --end 2020-12-31", "world Mars Jupiter --start 2020-1-01 --end 2020-12-31",
      "world Mars Jupiter --start 99999999999999999999-01-01 --end 2020-12-31",
      "world Mars Jupiter " + period + " --start 2020-02-01", "world Mars Jupiter " + period + " --zone GMT+13:00",
      "world Mars Jupiter " + period + " --orbs 10,5", "world Mars Jupiter " + period + " --orbs 10,5,+2",
      personal + "--birth-time 24:00 --birth-zone GMT", personal + "--birth-time 7:05 --birth-zone GMT",
      personal + "--birth-time 12:00 --birth-zone Europe/Berln", "world Mars Jupiter " + period + " --csv - --html -",
      "world Mars Jupiter " + period + " --timeline t.gif",
      "world Mars Jupiter " + period + " --csv x.csv --json x.csv"};
  for (const std::string& arguments : cases) {
    const CliResult r = RunCli(arguments + " --ics " + Quoted(never));
    EXPECT_EQ(r.status, 2) << arguments;
    EXPECT_NE(r.err.find("Usage: skyloom-cli"), std::string::npos) << arguments;
    EXPECT_EQ(r.out, "") << arguments;
    EXPECT_FALSE(fs::exists(never)) << arguments;
  }
  // An unknown zone name is answered with the nearest names the database has.
  const CliResult zone = RunCli(personal + "--birth-time 12:00 --birth-zone Europe/Berln");
  EXPECT_NE(zone.err.find("nearest: Europe/Berlin"), std::string::npos) << zone.err;

  const CliResult help = RunCli("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* text :
       {"Examples:", "Exit status:", "  0  ", "  1  ", "  2  ", "  3  ", "Europe/Berlin", "00:00 to 23:59"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
}

// The natal position is taken at the birth minute in Universal Time that
// the named zone gives. The UT of each local time is date(1)'s, for example
// date -u -d 'TZ="Europe/Berlin" 1985-07-04 14:30' gives 12:30; a run with
// that UT and the birth zone GMT must find the same natal Moon.
TEST(SkyloomCli, BirthZoneByItsName) {
  struct Case {
    const char *date, *local, *zone, *universalDate, *universal, *offset;
  };
  const Case cases[] = {
      {"1985-07-04", "14:30", "Europe/Berlin", "1985-07-04", "12:30", "GMT+2:00"},  // summer time
      {"1975-07-04", "14:30", "Europe/Berlin", "1975-07-04", "13:30", "GMT+1:00"},  // none in West Germany 1950-79
      {"1950-01-01", "12:00", "Asia/Kolkata", "1950-01-01", "06:30", "GMT+5:30"},
      {"1970-07-01", "23:59", "America/New_York", "1970-07-02", "03:59", "GMT-4:00"},
      {"1985-07-04", "14:37", "Europe/Berlin", "1985-07-04", "12:37", "GMT+2:00"},  // any minute
  };
  const fs::path json = Scratch() / "natal.json";
  auto natal = [](const std::string& document) {
    const size_t at = document.find("\"natalLongitude\": ");
    return at == std::string::npos ? std::string("none") : document.substr(at, document.find(',', at) - at);
  };
  const std::string run = "personal Saturn Moon --start 2024-01-01 --end 2024-01-31 --zone GMT --birth ";
  for (const Case& c : cases) {
    const CliResult named =
        RunCli(run + c.date + " --birth-time " + c.local + " --birth-zone " + c.zone + " --json " + Quoted(json));
    EXPECT_EQ(named.status, 0) << c.zone << " " << c.date << "\n" << named.err;
    EXPECT_NE(named.out.find(std::string(c.local) + " " + c.zone + " (" + c.offset + ") (tropical)\n"),
              std::string::npos)
        << named.out;
    const CliResult utc = RunCli(run + c.universalDate + " --birth-time " + c.universal + " --birth-zone GMT --json -");
    EXPECT_EQ(natal(Slurp(json)), natal(utc.out)) << c.zone << " " << c.date << " " << c.local;
  }
  // The Moon at 1985-07-04 12:37 UT: 308.5249568 (swetest -b4.7.1985 -ut12:37 -p1 -fl).
  EXPECT_EQ(natal(Slurp(json)), "\"natalLongitude\": 308.5250");

  // New York set its clocks back at 02:00 on 1970-10-25 and forward at 02:00 on 1970-04-26.
  const std::string newYork =
      "personal Saturn Moon --start 2024-01-01 --end 2024-01-31 --zone GMT "
      "--birth-zone America/New_York --birth ";
  const CliResult twice = RunCli(newYork + "1970-10-25 --birth-time 01:30");
  EXPECT_EQ(twice.status, 1);
  EXPECT_EQ(twice.out, "");
  for (const char* reading :
       {"came twice", "GMT-4:00 (EDT), 1970-10-25 05:30 UT", "GMT-5:00 (EST), 1970-10-25 06:30 UT"})
    EXPECT_NE(twice.err.find(reading), std::string::npos) << twice.err;
  const CliResult skipped = RunCli(newYork + "1970-04-26 --birth-time 02:30");
  EXPECT_EQ(skipped.status, 1);
  EXPECT_EQ(skipped.out, "");
  EXPECT_NE(skipped.err.find("1970-04-26 02:30 did not exist in America/New_York"), std::string::npos) << skipped.err;
}

TEST(SkyloomCli, HtmlTableIsWritten) {
  const fs::path file = Scratch() / "report.htm";
  const CliResult r =
      RunCli("world Jupiter Saturn --start 2020-12-10 --end 2021-01-31 --zone GMT --html '" + file.string() + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string html = Slurp(file);
  EXPECT_EQ(html.rfind("<center>\r\n<table border=\"1\" cellpadding=\"1\" cellspacing=\"1\">\r\n", 0), 0u);
  EXPECT_NE(html.find("&nbsp;2020-12-21* &nbsp;"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 22), "</table></center><p>\r\n");
}

TEST(SkyloomCli, TimelineDrawnWithoutADisplay) {
#ifndef SKYLOOM_TIMELINE
  GTEST_SKIP() << "built without Qt: no timeline";
#endif
  const fs::path svg = Scratch() / "timeline.svg";
  const fs::path png = Scratch() / "timeline.png";
  for (const fs::path& file : {svg, png}) {
    // Qt's notices about its surroundings stay out of the messages.
    const CliResult r =
        RunCli("world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT --timeline '" + file.string() + "'",
               "env -u XDG_RUNTIME_DIR");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
  }
  const std::string drawing = Slurp(svg);
  EXPECT_NE(drawing.find("<svg"), std::string::npos);
  EXPECT_NE(drawing.find("Jupiter conjunction Saturn"), std::string::npos);
  EXPECT_EQ(Slurp(png).substr(1, 3), "PNG");
}

TEST(SkyloomCli, SearchFindsTheNextConjunction) {
  const CliResult r =
      RunCli("world Jupiter Saturn --start 2010-01-01 --end 2010-12-31 --zone GMT --search conjunction");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("| 2020-12-21* |"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("Dates set to 2020-"), std::string::npos) << r.err;
  const CliResult kept =
      RunCli("world Jupiter Saturn --start 2010-01-01 --end 2010-12-31 --zone GMT --search conjunction --keep-dates");
  EXPECT_EQ(kept.status, 0);
  EXPECT_EQ(kept.err, "");
}

TEST(SkyloomCli, ShowAllRunsTheWholeSeries) {
  const CliResult r = RunCli("world Mars Jupiter --start 2020-01-01 --end 2020-03-31 --zone GMT --show-all outer");
  EXPECT_EQ(r.status, 0) << r.err;
  // Eight pairs with Jupiter (the Jupiter-Jupiter pair is skipped), each a
  // report of its own after the first separated by a line of dashes.
  size_t separators = 0;
  for (size_t p = r.out.find("\n" + kDashes + "\n"); p != std::string::npos;
       p = r.out.find("\n" + kDashes + "\n", p + 1))
    ++separators;
  EXPECT_EQ(separators, 7u) << r.out;
  EXPECT_EQ(r.err, "");
}

}  // namespace
