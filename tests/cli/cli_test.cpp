// skyloom-cli run as a separate process: status, messages, output and files
// for each kind of argument; its files under faults; its chart collection.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/cli_cases.h"
#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace skyloom::test;

const std::string kRun = "world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT";
const std::string kLong = "world Mercury Jupiter --start 1600-01-01 --end 1700-12-31 --zone GMT --orbs 10,6,3";

class CliCases : public ::testing::TestWithParam<CaseLine> {};

TEST_P(CliCases, StatusMessagesAndWhatIsWritten) {
  const CaseLine& c = GetParam();
  const std::vector<std::string> flags = Split(c[4], ' ');
#ifdef SKYLOOM_TIMELINE
  if (std::ranges::count(flags, "no-timeline")) GTEST_SKIP() << "this build draws timelines";
#else
  if (std::ranges::count(flags, "timeline")) GTEST_SKIP() << "this build draws no timelines";
#endif
  const fs::path file = CliScratch() / "written-\xe9\xff.svg";
  fs::remove(file);
  const std::string arguments = Replaced(Replaced(c[1], "FILE", Quoted(file)), "FOLDER", FreshFolder("a-folder"));
  const std::string messages = Replaced(c[2], "FOLDER", FreshFolder("a-folder"));
  // Qt's notices (of no runtime folder, say) stay out of the messages.
  const CliResult r = RunCli(arguments, "env -u XDG_RUNTIME_DIR");
  EXPECT_EQ(r.status, std::stoi(c[0])) << c.where << "\n" << r.err;
  EXPECT_EQ(r.err.empty(), messages.empty()) << c.where << "\n" << r.err;
  for (const std::string& message : Split(messages, '|'))
    if (!message.empty()) {
      EXPECT_EQ(Count(r.err, message), 1u) << c.where << "\n" << r.err;
    }
  EXPECT_EQ(Count(r.err, "Usage: "), Count(messages, "Usage: ")) << c.where << "\n" << r.err;
  if (c[3].empty()) {
    EXPECT_EQ(r.out, "") << c.where;
  } else {
    EXPECT_EQ(Count(r.out, c[3]), 1u) << c.where << "\n" << r.out.substr(0, 400);
  }
  EXPECT_EQ(fs::exists(file), std::ranges::count(flags, "written") == 1) << c.where;
}

INSTANTIATE_TEST_SUITE_P(SkyloomCli, CliCases, ::testing::ValuesIn(ReadCliCases("cli/cases/status.txt")),
                         [](const auto& info) { return CaseName(info.param); });

// The machine's zone, with --zone local too; a note where it has no name.
TEST(SkyloomCliZone, TheMachinesZone) {
  const std::string run = "world Mars Jupiter --start 2020-01-01 --end 2020-12-31";
  for (const CaseLine& c : ReadCases("cli/cases/machine_zones.txt")) {
    const CliResult r = RunCli(run, "TZ=" + Quoted(c[0]));
    EXPECT_EQ(Count(r.out, " " + c[1] + "\n"), 4u) << c.where << "\n" << r.out;
    EXPECT_EQ(Count(r.err, "no name in the time zone database"), c[2] == "yes" ? 1u : 0u) << c.where << r.err;
    EXPECT_EQ(r.err.empty(), c[2] == "no") << c.where;
  }
  EXPECT_EQ(RunCli(run + " --zone local", "TZ=:Asia/Kolkata").out, RunCli(run, "TZ=Asia/Kolkata").out);
}

class BirthZone : public ::testing::TestWithParam<CaseLine> {};

TEST_P(BirthZone, TakenAtItsInstant) {
  const CaseLine& z = GetParam();
  const std::string run = (z.fields.size() > 5 ? z[5] : "personal Saturn Moon --start 2024-01-01 --end 2024-01-31") +
                          " --zone GMT --birth ";
  const std::string named = run + z[0] + " --birth-time " + z[1] + " " + z[2];
  const CliResult report = RunCli(named), json = RunCli(named + " --json -");
  EXPECT_EQ(report.status, 0) << z.where << "\n" << report.err;
  EXPECT_EQ(Count(report.out, z[1] + " " + z[3] + " (tropical)"), 1u) << z.where << "\n" << report.out;
  const std::vector<std::string> universal = Split(z[4], ' ');
  if (universal.size() == 1) {
    EXPECT_EQ(Count(json.out, "\"natalLongitude\": " + z[4] + ","), 1u) << z.where << "\n" << json.out;
  } else {
    EXPECT_EQ(json.out, RunCli(run + universal[0] + " --birth-time " + universal[1] + " --birth-zone GMT --json -").out)
        << z.where;
  }
}

INSTANTIATE_TEST_SUITE_P(SkyloomCli, BirthZone, ::testing::ValuesIn(ReadCases("cli/cases/birth_zones.txt")),
                         [](const auto& info) { return CaseName(info.param); });

// Run as an unprivileged user: every export refuses a read-only file alike;
// a folder that takes no new file has no room for the temporary, so a file
// in it is not written at all (writing it in place emptied it before the
// run, and a run refused, killed or cut by a full disk left it empty).
TEST(SkyloomCli, FilePermissionsAreHonoured) {
  for (const CaseLine& c : ReadCases("cli/cases/permissions.txt")) {
#ifndef SKYLOOM_TIMELINE
    if (c.fields.size() > 4) continue;
#endif
    const std::string option = c[0], name = c[1];
    const fs::perms earlier = c[2] == "open"   ? fs::perms::all
                              : c[2] == "none" ? fs::perms::none
                                               : fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const bool closed = c[3] == "yes";
    for (const bool refused : {false, true}) {
      const fs::path folder = FreshFolder("permissions"), file = folder / name;
      if (earlier != fs::perms::none) {
        std::ofstream(file) << "earlier";
        fs::permissions(file, earlier);
      }
      if (closed) fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_exec);
      // The dates are checked after the files are opened.
      const std::string run = refused ? "world Jupiter Saturn --start 2021-02-29 --end 2021-12-31 --zone GMT" : kRun;
      const CliResult r = RunCliUnprivileged(run + " " + option + " " + Quoted(file));
      const bool written = earlier == fs::perms::all && !closed;
      const int status = written ? (refused ? 1 : 0) : 3;
      EXPECT_EQ(r.status, status) << c.where << "\n" << r.err;
      EXPECT_EQ(r.err, written ? (refused ? "Invalid input: The start date is invalid.\n" : "")
                               : "skyloom-cli: cannot write " + file.string() + ": Permission denied\n");
      EXPECT_EQ(r.out.empty(), status != 0) << name;
      EXPECT_EQ(Slurp(file).find(status == 0 ? "2020-12-21" : "earlier") != std::string::npos,
                earlier != fs::perms::none)
          << name << refused;
      EXPECT_EQ(FilesIn(folder), earlier == fs::perms::none ? 0u : 1u) << name;
    }
  }
}

// A run stopped by a signal leaves the earlier files as they were, the HTML
// it was writing row by row included, and no temporary where it can.
TEST(SkyloomCli, RunsCutOffLeaveTheEarlierFilesWhole) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
    const fs::path folder = FreshFolder("cut"), html = folder / "report.html", csv = folder / "rows.csv";
    std::ofstream(html) << "earlier html";
    std::ofstream(csv) << "earlier csv";
    const std::string command = "echo $$; exec " + Quoted(CliProgram()) +
                                " world Mercury Jupiter --start 1600-01-01 --end 2799-12-31 --zone GMT --orbs 10,6,3" +
                                " --html " + Quoted(html) + " --csv " + Quoted(csv);
    FILE* out = ::popen(command.c_str(), "r");  // the shell tells its process id, then becomes the program
    int pid = 0;
    ASSERT_EQ(std::fscanf(out, "%d", &pid), 1);
    std::vector<char> rows(40000);
    EXPECT_EQ(std::fread(rows.data(), 1, rows.size(), out), rows.size()) << "the run ended before it was cut";
    ::kill(pid, signal);
    const int status = ::pclose(out);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << ": " << status;
    EXPECT_EQ(Slurp(html) + Slurp(csv), "earlier htmlearlier csv") << signal;
    EXPECT_TRUE(signal == SIGKILL || FilesIn(folder) == 2u) << signal;
  }
}

#ifdef SKYLOOM_TIMELINE
// The timeline's library, opened only for a timeline: without it (or with
// a file that is none) the timeline is refused before the run, with the
// loader's reason, and no file is touched.
TEST(SkyloomCli, ATimelineWithoutItsLibraryIsToldBeforeTheRun) {
  const fs::path folder = FreshFolder("alone"), program = folder / "skyloom-cli", svg = folder / "t.svg";
  fs::copy_file(CliProgram(), program);
  std::ofstream(svg) << "earlier";
  const std::string files = " --timeline " + Quoted(svg) + " --csv " + Quoted(folder / "t.csv");
  for (const std::string library : {"", "not a library"}) {
    if (!library.empty()) std::ofstream(folder / "skyloom-timeline.so") << library;
    const CliResult r = RunCli(kRun + files, "", 0, program);
    EXPECT_EQ(r.status, 3) << library;
    EXPECT_EQ(r.out, "") << library;
    const std::string told = "skyloom-cli: cannot write " + svg.string() + ": the timeline cannot be drawn: " +
                             (folder / "skyloom-timeline.so").string() + ": ";
    EXPECT_EQ(r.err.substr(0, told.size()), told) << r.err;
    EXPECT_EQ(Count(r.err, "\n"), 1u) << r.err;
    EXPECT_EQ(Slurp(svg), "earlier");
    EXPECT_EQ(FilesIn(folder), library.empty() ? 2u : 3u);
  }
  EXPECT_EQ(RunCli(kRun, "", 0, program).out, RunCli(kRun).out);
}
#endif

// Every export at once: a report, HTML table and JSON run for each run, a
// CSV record for each row (the exports' bytes are golden files').
CliResult ExpectExportsTellTheReport(const std::string& arguments, int status, const std::string& err, size_t reports) {
  const auto dir = CliScratch();
  const CliResult r = RunCli(arguments + " --csv " + Quoted(dir / "rows.csv") + " --json " + Quoted(dir / "rows.json") +
                             " --html " + Quoted(dir / "rows.html"));
  EXPECT_EQ(r.status, status) << arguments << "\n" << r.err;
  EXPECT_EQ(r.err, err) << arguments;
  EXPECT_EQ(Count(r.out, "Aspect      | Start "), reports) << arguments;
  EXPECT_EQ(Count(Slurp(dir / "rows.html"), "<table "), reports) << arguments;
  EXPECT_EQ(Count(Slurp(dir / "rows.json"), "\"mode\": "), reports) << arguments;
  size_t rows = 0;
  for (const std::string& line : Split(r.out, '\n'))
    rows +=
        line.size() >= 104 && !line.compare(12, 2, "| ") && !line.compare(102, 2, "| ") && !line.starts_with("Aspect ");
  EXPECT_GT(rows, 0u) << arguments;
  // A run without transits has a record that says so.
  EXPECT_EQ(Count(Slurp(dir / "rows.csv"), "\n"), rows + 1 + Count(r.out, "\nNo transits in this period."))
      << arguments;
  return r;
}

// A series cut short by a check (natal Pluto has no data after 2099) is
// exported as far as it ran, with status 1. Jupiter and Saturn over twelve
// centuries print three times what the window's box takes (64000
// characters): every great conjunction is there, on its published date.
TEST(SkyloomCli, ExportsHoldEveryRow) {
  ExpectExportsTellTheReport("world Mars Jupiter --start 2020-01-01 --end 2020-06-30 --zone GMT --show-all outer", 0,
                             "", 8);
  ExpectExportsTellTheReport(
      "personal Sun Sun --start 2090-01-01 --end 2100-03-31 --zone GMT --birth 1970-01-01 --birth-time 12:00 "
      "--birth-zone GMT --show-all inner",
      1, "Skyloom: End date is too late for Pluto.\n", 8);
  const CliResult r =
      ExpectExportsTellTheReport("world Jupiter Saturn --start 1600-01-01 --end 2799-12-31 --zone GMT", 0, "", 1);
  EXPECT_GT(r.out.size(), 3 * 64000u);
  for (const char* date :
       {"1603-12-18* ", "1623-07-16* ", "1643-02-24* ", "1663-10-16* ", "1682-10-24* ", "1683-02-09*r", "1683-05-18* ",
        "2020-12-21* ", "2040-10-31* ", "2060-04-07* ", "2080-03-15* ", "2100-09-18* "})
    EXPECT_EQ(Count(r.out, std::string("| ") + date + "|"), 1u) << date;
  EXPECT_GT(Count(r.out.substr(r.out.size() - 120), "| 2799-"), 0u) << r.out.substr(r.out.size() - 120);
}

class FullDisk : public ::testing::TestWithParam<CaseLine> {};

TEST_P(FullDisk, LeavesTheEarlierFile) {
  const CaseLine& c = GetParam();
#ifndef SKYLOOM_TIMELINE
  if (c.fields.size() > 3) GTEST_SKIP() << "this build draws no timelines";
#endif
  const fs::path folder = FreshFolder("full"), file = folder / c[0];
  std::ofstream(file) << "earlier";
  const CliResult r = RunCli(Replaced(c[1], "FILE", Quoted(file)), "", 32768);
  EXPECT_EQ(r.status, 3) << c.where << "\n" << r.err;
  EXPECT_EQ(r.err, "skyloom-cli: cannot write " + file.string() + ": " + c[2]) << c.where;
  EXPECT_EQ(Slurp(file), "earlier") << c.where;
  EXPECT_EQ(FilesIn(folder), 1u) << c.where;
}

INSTANTIATE_TEST_SUITE_P(SkyloomCliFiles, FullDisk, ::testing::ValuesIn(ReadCliCases("cli/cases/full_disk.txt")),
                         [](const auto& info) { return CaseName(info.param); });

// One file named twice, in whatever spelling, would keep one of the two
// exports: refused with the usage before anything runs.
TEST(SkyloomCliFiles, OneFileNamedTwiceIsRefused) {
  const fs::path folder = FreshFolder("same"), there = folder / "there.csv";
  std::ofstream(there) << "earlier";
  fs::create_symlink(there, folder / "link.csv");
  fs::create_hard_link(there, folder / "hard.csv");
  fs::create_symlink(folder / "later.csv", folder / "dangling.csv");
  const std::string relative = fs::relative(folder / "new.csv", fs::current_path()).string();
  const auto paths = [&](const std::string& text) {
    return Replaced(Replaced(text, "DIR", folder.string()), "REL", relative);
  };
  for (const CaseLine& c : ReadCases("cli/cases/named_twice.txt")) {
    const CliResult r = RunCli(kRun + " " + paths(c[1]));
    EXPECT_EQ(r.status, 2) << c.where << "\n" << r.err;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), "skyloom-cli: two files are named " + paths(c[2]) + "\n")
        << c.where;
    EXPECT_EQ(Count(r.err, "Usage: skyloom-cli"), 1u) << c.where;
    EXPECT_EQ(r.out, "") << c.where;
  }
  EXPECT_EQ(Slurp(there), "earlier");
  EXPECT_EQ(FilesIn(folder), 4u);
  const CliResult r = RunCli(kRun + " --csv " + paths("DIR/there.csv --json DIR/../same-not/there.csv"));
  EXPECT_EQ(r.status, 3) << r.err;  // that folder does not exist
}

// A reader that goes away early, of standard output or of a FIFO, is a
// write error with status 3, the other files still written whole (the
// program was killed by SIGPIPE and left them as they were).
TEST(SkyloomCliFiles, ReaderGoneIsAWriteError) {
  const CliResult whole = RunCli(kLong + " --csv -");
  ASSERT_EQ(whole.status, 0);
  // The fault, the shell's command (FIFO, CSV and PROGRAM stand for paths), the message.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"standard output closed", "PROGRAM " + kLong + " --csv CSV | head -c 40000 >/dev/null",
       "standard output: Broken pipe"},
      {"an export FIFO closed", "head -c 1000 FIFO >/dev/null & PROGRAM " + kLong + " --html FIFO --csv CSV >/dev/null",
       "FIFO: Broken pipe"},
  };
  for (const auto& [fault, shellCommand, shellMessage] : cases) {
    const fs::path folder = FreshFolder("reader"), fifo = folder / "fifo", csv = folder / "rows.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(csv) << "earlier";
    std::string command = shellCommand + "\necho \"status ${PIPESTATUS[0]}\" >&2\n";
    for (const auto& [name, path] : {std::pair{"FIFO", fifo}, {"CSV", csv}, {"PROGRAM", CliProgram()}})
      command = Replaced(command, name, Quoted(path));
    const std::string message = Replaced(shellMessage, "FIFO", fifo.string());
    const fs::path script = CliScratch() / "reader.sh", err = CliScratch() / "reader-err";
    std::ofstream(script) << command;
    const std::string shell = "bash " + Quoted(script) + " 2>" + Quoted(err);
    ASSERT_NE(std::system(shell.c_str()), -1);
    const std::string told = Slurp(err);
    EXPECT_EQ(Count(told, "skyloom-cli: cannot write " + message + "\n"), 1u) << fault << "\n" << told;
    EXPECT_EQ(Count(told, "status 3"), 1u) << fault << "\n" << told;
    EXPECT_EQ(Slurp(csv), whole.out) << fault;
    EXPECT_EQ(FilesIn(folder), 2u) << fault;
  }
}

std::string Store(const std::string& folder) { return " --chart-store " + Quoted(FreshFolder(folder) / "c.sqlite"); }

class ChartImports : public ::testing::TestWithParam<CaseLine> {};

TEST_P(ChartImports, KeepWhatTheFilesSayOrTellTheBadRecordsLine) {
  const CaseLine& c = GetParam();
  const std::string store = Store("charts-import");
  ASSERT_EQ(RunCli("charts add Zoe --birth 1990-01-01 --birth-time 12:00 --birth-zone GMT" + store).status, 0);
  const fs::path file = CliScratch() / "charts-import" / c[0];
  std::ofstream(file, std::ios::binary) << c[1];
  const CliResult r = RunCli("charts import " + Quoted(file) + store);
  const size_t charts = Count(c[2], "\n") - 1;
  if (c.fields.size() > 3) {
    EXPECT_EQ(r.status, 1) << c.where;
    EXPECT_EQ(Count(r.err, c[3]), 1u) << c.where << "\n" << r.err;
  } else {
    EXPECT_EQ(r.status, 0) << c.where << "\n" << r.err;
    EXPECT_EQ(r.out, std::to_string(charts) + (charts == 1 ? " chart" : " charts") + " imported\n") << c.where;
  }
  EXPECT_EQ(RunCli("charts list" + store).out, c[2]) << c.where;
}

INSTANTIATE_TEST_SUITE_P(ChartsCli, ChartImports, ::testing::ValuesIn(ReadCliCases("cli/cases/chart_imports.txt")),
                         [](const auto& info) { return CaseName(info.param); });

TEST(ChartsCli, AnExportedCollectionImportsAsItWas) {
  const std::string first = Store("charts-export"), second = Store("charts-reimport");
  for (const char* add :
       {"Ann --birth 1970-03-15 --birth-time 14:37 --birth-place 'Paris, FR' --tag a --tag 'b c'",
        "'Ben, the \"second\"' --birth 1985-07-04 --birth-time 06:00 --birth-zone GMT+5:30 --note 'x,y'",
        "Cleo --birth 1890-12-31 --birth-time 23:59 --birth-place -33.87,151.21 --birth-zone LMT --sidereal"})
    ASSERT_EQ(RunCli(std::string("charts add ") + add + first).status, 0) << add;
  const fs::path all = CliScratch() / "charts-export" / "all.csv",
                 again = CliScratch() / "charts-reimport" / "again.csv";
  ASSERT_EQ(RunCli("charts export " + Quoted(all) + first).status, 0);
  ASSERT_EQ(RunCli("charts import " + Quoted(all) + second).status, 0);
  ASSERT_EQ(RunCli("charts export " + Quoted(again) + second).status, 0);
  EXPECT_EQ(Slurp(again), Slurp(all));
  EXPECT_EQ(RunCli("charts list" + second).out, RunCli("charts list" + first).out);
}

const std::string kPeriod = "personal Saturn Sun --start 2024-01-01 --end 2024-12-31 --zone GMT ";

TEST(ChartsCli, EachChartOfABatchReadsAsItsOwnRun) {
  const std::string store = Store("charts-batch");
  const std::vector<CaseLine> births = ReadCases("cli/cases/chart_births.txt");
  for (const CaseLine& b : births) ASSERT_EQ(RunCli("charts add " + b[0] + " " + b[1] + store).status, 0) << b.where;
  const auto folder = CliScratch() / "charts-batch";
  // With the tables after the transits, which each chart has of its own.
  const std::string series = "--show-all inner --stations --lunations ";
  const CliResult batch = RunCli(kPeriod + series + "--charts all --csv " + Quoted(folder / "all.csv") + store);
  ASSERT_EQ(batch.status, 0) << batch.err;
  const std::vector<std::string> rows = Lines(Slurp(folder / "all.csv"));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].rfind("chart,run,mode,", 0), 0u);
  std::string expectedReport;
  size_t records = 0;
  for (const CaseLine& b : births) {
    const std::string& name = b[0];
    const CliResult single = RunCli(kPeriod + series + b[1] + " --csv " + Quoted(folder / "one.csv"));
    ASSERT_EQ(single.status, 0) << name;
    // --chart-store stands anywhere, before the mode too.
    EXPECT_EQ(RunCli(store + " " + kPeriod + series + "--chart " + name).out, single.out) << name;
    const std::vector<std::string> own = Lines(Slurp(folder / "one.csv"));
    for (size_t k = 1; k < own.size(); ++k) {
      ++records;
      EXPECT_EQ(Count(Slurp(folder / "all.csv"), name + "," + own[k] + "\n"), 1u) << name << " " << own[k];
    }
    std::string report;
    for (const std::string& line : Lines(single.out))
      report += (line.starts_with("Saturn transits of natal") ? name + ": " : "") + line + "\n";
    if (!expectedReport.empty()) expectedReport += "\n" + std::string(119, '=') + "\n";
    expectedReport += report;
  }
  EXPECT_EQ(rows.size(), records + 1);
  EXPECT_EQ(batch.out, expectedReport);
}

// With 2>&1 a chart's message falls after the report of the chart before it.
TEST(ChartsCli, MessagesWithTheOutputFollowTheRowsBeforeThem) {
  const std::string store = Store("charts-order");
  ASSERT_EQ(RunCli("charts add early --birth 1985-07-04 --birth-time 06:05 --birth-zone GMT" + store).status, 0);
  ASSERT_EQ(RunCli("charts add late --birth 2030-07-04 --birth-time 06:05 --birth-zone GMT" + store).status, 0);
  const std::string run = "personal Sun Sun --charts all --start 2024-01-01 --end 2024-03-10 --zone GMT" + store;
  const CliResult together = RunCli(run + " 2>&1"), apart = RunCli(run);
  EXPECT_EQ(together.status, 1);
  EXPECT_EQ(together.out, apart.out + apart.err);
  EXPECT_NE(apart.out.find("Trine"), std::string::npos);
  EXPECT_EQ(apart.err.rfind("late: ", 0), 0u) << apart.err;
}

TEST(ChartsCli, CompletionOffersTheDefaultCollectionsNamesAndTags) {
  const auto data = FreshFolder("charts-completion");
  const std::string env = "XDG_DATA_HOME=" + Quoted(data) + " ";
  EXPECT_EQ(RunCli("__complete charts", env).out, "");
  EXPECT_FALSE(std::filesystem::exists(data / "skyloom"));
  ASSERT_EQ(
      RunCli("charts add 'Ann Lee' --birth 1970-03-15 --birth-time 14:37 --birth-zone GMT --tag b --tag a", env).status,
      0);
  ASSERT_EQ(RunCli("charts add Ben --birth 1970-03-15 --birth-time 14:37 --birth-zone GMT --tag a", env).status, 0);
  EXPECT_EQ(RunCli("__complete charts", env).out, "Ann Lee\nBen\n");
  EXPECT_EQ(RunCli("__complete chart-selections", env).out, "all\ntag:a\ntag:b\n");
  EXPECT_EQ(Count(RunCli("__complete options").out, "--charts\n"), 1u);
}

}  // namespace
