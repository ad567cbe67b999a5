// skyloom-cli's files under faults: a full disk, one file named twice in
// other spellings, readers that go away early.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/cli_cases.h"
#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace skyloom::test;

const std::string kRun = "world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT";
const std::string kLong = "world Mercury Jupiter --start 1600-01-01 --end 1700-12-31 --zone GMT --orbs 10,6,3";

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

// One file named twice, in whatever spelling, would keep only one of the
// two exports: refused with the usage before anything runs, and nothing
// written. Files in different folders, or of different names, are different
// files.
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

// A reader that goes away early, of standard output or of an export
// written to a FIFO, is a write error like any other: told with the
// system's reason and status 3, the other files still written whole (the
// program was killed by SIGPIPE and left them as they were).
TEST(SkyloomCliFiles, ReaderGoneIsAWriteError) {
  const CliResult whole = RunCli(kLong + " --csv -");
  ASSERT_EQ(whole.status, 0);
  struct Case {
    std::string fault, command, message;  // command: the shell's; FIFO, CSV and PROGRAM stand for paths
  };
  const Case cases[] = {
      {"standard output closed", "PROGRAM " + kLong + " --csv CSV | head -c 40000 >/dev/null",
       "standard output: Broken pipe"},
      {"an export FIFO closed", "head -c 1000 FIFO >/dev/null & PROGRAM " + kLong + " --html FIFO --csv CSV >/dev/null",
       "FIFO: Broken pipe"},
  };
  for (const Case& c : cases) {
    const fs::path folder = FreshFolder("reader"), fifo = folder / "fifo", csv = folder / "rows.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(csv) << "earlier";
    std::string command = c.command + "\necho \"status ${PIPESTATUS[0]}\" >&2\n";
    for (const auto& [name, path] : {std::pair{"FIFO", fifo}, {"CSV", csv}, {"PROGRAM", CliProgram()}})
      command = Replaced(command, name, Quoted(path));
    const std::string message = Replaced(c.message, "FIFO", fifo.string());
    const fs::path script = CliScratch() / "reader.sh", err = CliScratch() / "reader-err";
    std::ofstream(script) << command;
    const std::string shell = "bash " + Quoted(script) + " 2>" + Quoted(err);
    ASSERT_NE(std::system(shell.c_str()), -1);
    const std::string told = Slurp(err);
    EXPECT_EQ(Count(told, "skyloom-cli: cannot write " + message + "\n"), 1u) << c.fault << "\n" << told;
    EXPECT_EQ(Count(told, "status 3"), 1u) << c.fault << "\n" << told;
    EXPECT_EQ(Slurp(csv), whole.out) << c.fault;
    EXPECT_EQ(FilesIn(folder), 2u) << c.fault;
  }
}

}  // namespace
