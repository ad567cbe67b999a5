// The command-line front end run as a separate process on real arguments.
#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using skyloom::test::CliResult;
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

TEST(SkyloomCli, RefusedInputsGetTheWindowsMessage) {
  struct Case {
    const char* arguments;
    const char* message;
  };
  const Case cases[] = {
      {"world Mars Jupiter --start 2020-02-30 --end 2020-12-31 --zone GMT", "Invalid input: The start date is invalid.\n"},
      {"world Mars Jupiter --start 2020-01-01 --end 2020-01-03 --zone GMT",
       "Show all world transits between Mars and Jupiter: The start date must be at least 3 days prior to the end date.\n"},
      {"world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --orbs 10,9,6 --zone GMT",
       "Orb values: Orbs must be strictly decreasing and differ by at least 2°.\n"},
      {"world Jupiter Mars --start 2020-01-01 --end 2020-12-31 --zone GMT",
       "Show all world transits between Jupiter and Mars: Outer planet must be beyond inner planet\n"},
      {"world Mars Jupiter --start 99999999999999999999-01-01 --end 2020-12-31 --zone GMT",
       "Invalid input: The start date is invalid.\n"},
      {"personal Mars Sun --start 2020-01-01 --end 2020-12-31 --zone GMT",
       "Show all personal transits by Mars of natal Sun: Please specify year of birth.\n"},
  };
  for (const Case& c : cases) {
    const CliResult r = RunCli(c.arguments);
    EXPECT_EQ(r.status, 1) << c.arguments;
    EXPECT_EQ(r.err, c.message) << c.arguments;
    EXPECT_EQ(r.out, "") << c.arguments;
  }
}

TEST(SkyloomCli, UnusableArguments) {
  for (const char* arguments :
       {"", "world Mars", "galaxy Mars Jupiter --start 2020-01-01 --end 2020-12-31",
        "world Pluto Sun --start 2020-01-01 --end 2020-12-31", "world Mars Jupiter --start 2020-01-01",
        "world Mars Jupiter --start 2020/01/01 --end 2020-12-31", "world Mars Jupiter --frobnicate",
        "world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --zone GMT+13:00",
        "world Mars Jupiter --start 2020-01-01 --end 2020-12-31 --orbs 10,5",
        "personal Mars Sun --start 2020-01-01 --end 2020-12-31 --birth-time 14:32"}) {
    const CliResult r = RunCli(arguments);
    EXPECT_EQ(r.status, 2) << arguments;
    EXPECT_NE(r.err.find("Usage: skyloom-cli"), std::string::npos) << arguments;
  }
  const CliResult help = RunCli("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Examples:"), std::string::npos);
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
    const CliResult r = RunCli("world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT --timeline '" +
                               file.string() + "'");
    EXPECT_EQ(r.status, 0) << r.err;
  }
  const std::string drawing = Slurp(svg);
  EXPECT_NE(drawing.find("<svg"), std::string::npos);
  EXPECT_NE(drawing.find("Jupiter conjunction Saturn"), std::string::npos);
  EXPECT_EQ(Slurp(png).substr(1, 3), "PNG");
  const CliResult wrong =
      RunCli("world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT --timeline '" +
             (Scratch() / "timeline.gif").string() + "'");
  EXPECT_EQ(wrong.status, 3);
}

TEST(SkyloomCli, SearchFindsTheNextConjunction) {
  const CliResult r = RunCli("world Jupiter Saturn --start 2010-01-01 --end 2010-12-31 --zone GMT --search conjunction");
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
  for (size_t p = r.out.find("\n" + kDashes + "\n"); p != std::string::npos; p = r.out.find("\n" + kDashes + "\n", p + 1))
    ++separators;
  EXPECT_EQ(separators, 7u) << r.out;
  EXPECT_EQ(r.err, "");
}

}  // namespace
