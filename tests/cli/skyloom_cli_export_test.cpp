// The command-line front end's exports, run as a separate process and read
// back with Python's parsers (csv, json, icalendar).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/python_parsers.h"

namespace {

namespace fs = std::filesystem;
using skyloom::test::Fields;
using skyloom::test::ParsedExport;
using skyloom::test::ParseExport;
using skyloom::test::CliResult;
using skyloom::test::Quoted;
using skyloom::test::RunCli;
using skyloom::test::Slurp;

fs::path Scratch() { return skyloom::test::CliScratch(); }


ParsedExport Parse(const std::string& kind, const fs::path& file) {
  ParsedExport parsed = ParseExport(kind, file.string());
  EXPECT_EQ(parsed.status, 0) << kind << ": " << parsed.error;
  return parsed;
}

// The rows of the text report(s) on standard output, as ParseExport writes
// them: the aspect (carried down from the row that names it) and the cells of
// columns 1 to 8, cut from their fixed places.
std::vector<std::string> ReportRows(const std::string& report) {
  std::vector<std::string> rows;
  std::istringstream lines(report);
  std::string aspect;
  auto cell = [](const std::string& line, size_t at, size_t width = 12) {
    std::string text = line.substr(at, width);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  };
  for (std::string line; std::getline(lines, line);) {
    const bool row = line.size() >= 104 && line.compare(12, 2, "| ") == 0 && line.compare(50, 2, "| ") == 0 &&
                     line.compare(64, 2, "| ") == 0 && line.compare(102, 2, "| ") == 0 &&
                     line.rfind("Aspect ", 0) != 0;
    if (!row) {
      aspect.clear();  // a new report names its first aspect again
      continue;
    }
    if (!cell(line, 0).empty()) aspect = cell(line, 0);
    std::string fields = aspect;
    for (const size_t at : {14, 26, 38, 52, 66, 78, 90}) fields += "\t" + cell(line, at);
    fields += "\t" + line.substr(104);
    rows.push_back(fields);
  }
  return rows;
}

int CountOf(const std::vector<std::string>& rows, const std::string& text) {
  int n = 0;
  for (const std::string& row : rows) n += row.find(text) != std::string::npos;
  return n;
}

const char* kGreatConjunction = "world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT";

TEST(SkyloomCliExport, CalendarOfTheGreatConjunction) {
  const fs::path first = Scratch() / "first.ics", second = Scratch() / "second.ics";
  const CliResult r = RunCli(std::string(kGreatConjunction) + " --ics " + Quoted(first));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReportRows(r.out).size(), 2u) << "the report still goes to standard output";
  ASSERT_EQ(RunCli(std::string(kGreatConjunction) + " --ics " + Quoted(second)).status, 0);

  const ParsedExport parsed = Parse("ics", first);
  ASSERT_EQ(parsed.lines.size(), 3u) << parsed.error;
  EXPECT_EQ(parsed.lines[0], "CALENDAR\t2.0\t-//Skyloom//Skyloom transits//EN\tGREGORIAN");
  const std::vector<std::string> transit = Fields(parsed.lines[1]), exact = Fields(parsed.lines[2]);
  ASSERT_EQ(transit.size(), 7u);
  ASSERT_EQ(exact.size(), 7u);
  EXPECT_EQ(transit[2], "2020-02-14");
  EXPECT_EQ(transit[3], "2021-01-01");
  EXPECT_NE(transit[5].find("\\nStart 10°: 2020-02-14\\n"), std::string::npos) << transit[5];
  EXPECT_NE(transit[5].find("closest approach 4°42'"), std::string::npos) << transit[5];
  EXPECT_TRUE(exact[2] == "2020-12-21T18:21:00+00:00" || exact[2] == "2020-12-21T18:20:00+00:00") << exact[2];
  EXPECT_EQ(exact[4], "Jupiter conjunction Saturn exact");

  // A second run writes the same events under the same UIDs.
  const ParsedExport again = Parse("ics", second);
  ASSERT_EQ(again.lines.size(), parsed.lines.size());
  for (size_t i = 1; i < parsed.lines.size(); ++i)
    EXPECT_EQ(Fields(again.lines[i])[1], Fields(parsed.lines[i])[1]);
  EXPECT_EQ(Slurp(first), Slurp(second));
}

// CSV and JSON read back give the report's rows, date for date and mark for
// mark: a retrograde triple pass, and a closest approach followed by an exact
// pass late in the evening in a zone west of Greenwich (the UTC date is the
// next day).
TEST(SkyloomCliExport, CsvAndJsonAgreeWithTheReport) {
  struct Case {
    const char* arguments;
    int exactRows, closestRows;
  };
  const Case cases[] = {
      {"personal Saturn Sun --start 2019-12-01 --end 2021-03-31 --birth 1990-01-18 --birth-time 08:55 "
       "--birth-zone GMT --zone GMT",
       3, 0},
      {"personal Saturn Sun --start 2019-12-01 --end 2021-03-31 --birth 1990-01-22 --birth-time 17:50 "
       "--birth-zone GMT --zone EST/CDT",
       1, 1},
      {"world Mars Jupiter --start 2020-01-01 --end 2021-12-31 --zone GMT+5:30 --orbs 12,6,2", 9, 0},
  };
  for (const Case& c : cases) {
    const fs::path csv = Scratch() / "rows.csv", json = Scratch() / "rows.json";
    const CliResult r =
        RunCli(std::string(c.arguments) + " --csv " + Quoted(csv) + " --json " + Quoted(json));
    ASSERT_EQ(r.status, 0) << c.arguments << "\n" << r.err;
    const std::vector<std::string> report = ReportRows(r.out);
    EXPECT_EQ(CountOf(report, "*"), c.exactRows) << r.out;
    EXPECT_EQ(CountOf(report, "°"), c.closestRows) << r.out;
    EXPECT_GT(CountOf(report, "r\t"), 0) << r.out;
    EXPECT_EQ(Parse("csv", csv).lines, report) << c.arguments << "\n" << Slurp(csv);
    EXPECT_EQ(Parse("json", json).lines, report) << c.arguments << "\n" << Slurp(json);
  }
}

TEST(SkyloomCliExport, ShowAllSeriesExportsEveryRun) {
  const fs::path json = Scratch() / "series.json";
  const CliResult r =
      RunCli("world Mars Jupiter --start 2020-01-01 --end 2020-06-30 --zone GMT --show-all outer --json " +
             Quoted(json));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> report = ReportRows(r.out);
  EXPECT_GT(report.size(), 3u);
  EXPECT_EQ(Parse("json", json).lines, report);
  // One run in the document for each report of the series.
  auto count = [](const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  const size_t reports = count(r.out, "Aspect      |");
  EXPECT_GT(reports, 1u);
  EXPECT_EQ(count(Slurp(json), "\"mode\": \"world\""), reports);
}

TEST(SkyloomCliExport, ExportToStandardOutputTakesTheReportsPlace) {
  const CliResult r = RunCli(std::string(kGreatConjunction) + " --csv -");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("run,mode,body,second_body,", 0), 0u) << r.out;
  EXPECT_EQ(r.out.find("Aspect      |"), std::string::npos);
  const fs::path file = Scratch() / "stdout.csv";
  std::ofstream(file, std::ios::binary) << r.out;
  EXPECT_EQ(Parse("csv", file).lines.size(), 2u);

  const CliResult two = RunCli(std::string(kGreatConjunction) + " --csv - --json -");
  EXPECT_EQ(two.status, 2);
  EXPECT_NE(two.err.find("only one export can go to standard output"), std::string::npos) << two.err;
}

TEST(SkyloomCliExport, FileErrorsAndRefusedRuns) {
  // A file that cannot be written is told and gives status 3; the report and
  // the other exports are written all the same.
  const fs::path json = Scratch() / "fine.json";
  fs::remove(json);
  const std::string missing = "/nonexistent-skyloom-folder/rows.csv";
  const CliResult r =
      RunCli(std::string(kGreatConjunction) + " --csv " + missing + " --json " + Quoted(json));
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "skyloom-cli: cannot write " + missing + ": No such file or directory\n");
  EXPECT_EQ(ReportRows(r.out).size(), 2u);
  EXPECT_EQ(Parse("json", json).lines.size(), 2u);
  // A folder in the file's place: nothing is left behind beside it.
  const fs::path folder = Scratch() / "a-folder.ics";
  fs::create_directories(folder);
  const CliResult onFolder = RunCli(std::string(kGreatConjunction) + " --ics " + Quoted(folder));
  EXPECT_EQ(onFolder.status, 3);
  EXPECT_EQ(onFolder.err.rfind("skyloom-cli: cannot write " + folder.string() + ": ", 0), 0u) << onFolder.err;
  for (const auto& entry : fs::directory_iterator(Scratch()))
    EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();

  // A run the checks refuse writes no export.
  const fs::path refused = Scratch() / "refused.csv";
  fs::remove(refused);
  const CliResult no =
      RunCli("world Mars Jupiter --start 2020-02-30 --end 2020-12-31 --zone GMT --csv " + Quoted(refused));
  EXPECT_EQ(no.status, 1);
  EXPECT_FALSE(fs::exists(refused));

  const CliResult help = RunCli("--help");
  for (const char* option : {"--ics FILE", "--csv FILE", "--json FILE", "cannot write FILE"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

}  // namespace
