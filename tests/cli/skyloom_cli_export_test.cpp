// The command-line front end's exports, run as a separate process and read
// back with Python's parsers (csv, json, icalendar).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/python_parsers.h"

namespace {

namespace fs = std::filesystem;
using skyloom::test::CliResult;
using skyloom::test::Fields;
using skyloom::test::ParsedExport;
using skyloom::test::ParseExport;
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
                     line.compare(64, 2, "| ") == 0 && line.compare(102, 2, "| ") == 0 && line.rfind("Aspect ", 0) != 0;
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
  for (size_t i = 1; i < parsed.lines.size(); ++i) EXPECT_EQ(Fields(again.lines[i])[1], Fields(parsed.lines[i])[1]);
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
    const CliResult r = RunCli(std::string(c.arguments) + " --csv " + Quoted(csv) + " --json " + Quoted(json));
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
  const CliResult r = RunCli(
      "world Mars Jupiter --start 2020-01-01 --end 2020-06-30 --zone GMT --show-all outer --json " + Quoted(json));
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
  EXPECT_NE(two.err.find("only one file can go to standard output"), std::string::npos) << two.err;
}

// However long the run, every row is printed and every export holds it:
// Mercury and Jupiter over a century print far more than the window's
// output box takes (64000 characters).
TEST(SkyloomCliExport, LongRunsAreWhole) {
  const fs::path csv = Scratch() / "century.csv";
  const CliResult r =
      RunCli("world Mercury Jupiter --start 1900-01-01 --end 1999-12-31 --orbs 10,6,3 --zone GMT --csv " + Quoted(csv));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_GT(r.out.size(), 100000u);
  EXPECT_EQ(r.out.find("full"), std::string::npos);
  const std::vector<std::string> report = ReportRows(r.out);
  EXPECT_NE(report.back().find("1999-"), std::string::npos) << report.back();
  EXPECT_EQ(Parse("csv", csv).lines, report);
}

// A series that a check cuts short prints and exports what it ran, and says
// so with status 1: natal Pluto has no data after 2099, so the series stops
// there and never reaches the Moon.
TEST(SkyloomCliExport, SeriesCutShortEndsWithStatusOne) {
  const fs::path csv = Scratch() / "cut.csv";
  const CliResult r = RunCli(
      "personal Sun Sun --start 2090-01-01 --end 2100-03-31 --zone GMT --birth 1970-01-01 --birth-time 12:00 "
      "--birth-zone GMT --show-all inner --csv " +
      Quoted(csv));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Skyloom: End date is too late for Pluto.\n");
  size_t reports = 0;
  for (size_t at = r.out.find("Aspect      |"); at != std::string::npos; at = r.out.find("Aspect      |", at + 1))
    ++reports;
  EXPECT_EQ(reports, 8u) << "natal Sun to Neptune";
  EXPECT_EQ(Parse("csv", csv).lines, ReportRows(r.out));
}

// Every export, the HTML report and the timeline included, takes "-" for
// standard output, in the report's place.
TEST(SkyloomCliExport, EveryExportGoesToStandardOutput) {
  const std::pair<const char*, const char*> cases[] = {{"--html", "<center>\r\n"},
                                                       {"--ics", "BEGIN:VCALENDAR\r\n"},
                                                       {"--csv", "run,mode,"},
                                                       {"--json", "{\r\n"},
                                                       {"--timeline", "<?xml"}};
  for (const auto& [option, start] : cases) {
#ifndef SKYLOOM_TIMELINE
    if (std::string(option) == "--timeline") continue;
#endif
    const CliResult r = RunCli(std::string(kGreatConjunction) + " " + option + " -");
    EXPECT_EQ(r.status, 0) << option << "\n" << r.err;
    EXPECT_EQ(r.out.rfind(start, 0), 0u) << option << "\n" << r.out.substr(0, 200);
    EXPECT_EQ(r.out.find("Aspect      |"), std::string::npos) << option;
  }
}

// A file the command cannot write is told once, with status 3. Files are
// opened before the run, so nothing is run and no other file is written.
TEST(SkyloomCliExport, FilesThatCannotBeWritten) {
  const fs::path json = Scratch() / "fine.json";
  const fs::path folder = Scratch() / "a-folder.ics";
  fs::create_directories(folder);
  const std::string missing = "/nonexistent-skyloom-folder/rows";
  struct Case {
    std::string arguments, message;
  };
  const Case cases[] = {
      {"--csv " + missing + ".csv", "cannot write " + missing + ".csv: No such file or directory"},
      {"--html " + missing + ".html", "cannot write " + missing + ".html: No such file or directory"},
      {"--timeline " + missing + ".svg", "cannot write " + missing + ".svg: No such file or directory"},
      {"--ics " + Quoted(folder), "cannot write " + folder.string() + ": Is a directory"},
  };
  for (const Case& c : cases) {
    fs::remove(json);
    const CliResult r = RunCli(std::string(kGreatConjunction) + " " + c.arguments + " --json " + Quoted(json));
    EXPECT_EQ(r.status, 3) << c.arguments;
    EXPECT_EQ(r.err, "skyloom-cli: " + c.message + "\n") << c.arguments;
    EXPECT_EQ(r.out, "") << c.arguments;
    EXPECT_FALSE(fs::exists(json)) << c.arguments;
  }
  for (const auto& entry : fs::directory_iterator(Scratch()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();

  // Writes that fail, to a full device or a full standard output.
  const CliResult device = RunCli(std::string(kGreatConjunction) + " --csv /dev/full");
  EXPECT_EQ(device.status, 3);
  EXPECT_EQ(device.err, "skyloom-cli: cannot write /dev/full: No space left on device\n");
  const fs::path err = Scratch() / "full.err";
  const int raw = std::system(
      (Quoted(skyloom::test::CliProgram()) + " " + kGreatConjunction + " >/dev/full 2>" + Quoted(err)).c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 3);
  EXPECT_EQ(Slurp(err), "skyloom-cli: cannot write standard output: No space left on device\n");

  // A run the checks refuse writes no file.
  const fs::path refused = Scratch() / "refused.csv";
  fs::remove(refused);
  const CliResult no =
      RunCli("world Mars Jupiter --start 2020-02-30 --end 2020-12-31 --zone GMT --csv " + Quoted(refused));
  EXPECT_EQ(no.status, 1);
  EXPECT_FALSE(fs::exists(refused));
}

// Every export refuses a read-only file alike and leaves it as it was
// (run as an unprivileged user, for whom the permissions hold).
TEST(SkyloomCliExport, ReadOnlyFilesAreRefusedAlike) {
  const fs::path folder = Scratch() / "open-folder";
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::all);
  for (const char* option : {"--html", "--ics", "--csv", "--json", "--timeline"}) {
#ifndef SKYLOOM_TIMELINE
    if (std::string(option) == "--timeline") continue;
#endif
    const fs::path file = folder / (std::string("kept") + (std::string(option) == "--timeline" ? ".svg" : ".txt"));
    fs::remove(file);
    std::ofstream(file) << "kept";
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const CliResult r =
        skyloom::test::RunCliUnprivileged(std::string(kGreatConjunction) + " " + option + " " + Quoted(file));
    EXPECT_EQ(r.status, 3) << option;
    EXPECT_EQ(r.err, "skyloom-cli: cannot write " + file.string() + ": Permission denied\n") << option;
    EXPECT_EQ(Slurp(file), "kept") << option;
  }
}

// File names are the bytes given, whether or not they are UTF-8.
TEST(SkyloomCliExport, FileNamesAreTakenByteForByte) {
  const fs::path folder = Scratch() / "names";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string csv = "rows-\xe9\xff.csv", html = "report-\xe9.htm", timeline = "line-\xfe.svg";
  std::string arguments =
      std::string(kGreatConjunction) + " --csv " + Quoted(folder / csv) + " --html " + Quoted(folder / html);
  std::vector<std::string> want = {csv, html};
#ifdef SKYLOOM_TIMELINE
  arguments += " --timeline " + Quoted(folder / timeline);
  want.push_back(timeline);
#endif
  ASSERT_EQ(RunCli(arguments).status, 0);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(names, want);
}

}  // namespace
