// The exports written as a series' runs finish: a write that fails halfway
// leaves the earlier file whole and nothing beside it, and a command refused
// before its first run writes nothing at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace skyloom::test;

// About 90 kB in each export: a room of 32 kB fills during the series.
const std::string kSeries =
    "personal Sun Sun --start 2000-01-01 --end 2002-12-31 --show-all every --birth 1970-03-15 --birth-time 14:37 "
    "--birth-zone GMT --zone GMT";

TEST(StreamedExports, WriteFailingHalfwayLeavesTheEarlierFile) {
  struct Case {
    std::string fault, arguments;  // FILE: the file written
    std::string name;
  };
  const Case cases[] = {
      {"iCalendar beyond the room", kSeries + " --ics FILE >/dev/null", "t.ics"},
      {"CSV beyond the room", kSeries + " --csv FILE >/dev/null", "t.csv"},
      {"JSON beyond the room", kSeries + " --json FILE >/dev/null", "t.json"},
      // With stations the CSV's records wait in a temporary file of their own
      // until it is known whether any station came.
      {"CSV with stations beyond the room", kSeries + " --stations --csv FILE >/dev/null", "t.csv"},
      {"JSON with ingresses beyond the room", kSeries + " --ingresses --json FILE >/dev/null", "t.json"},
  };
  for (const Case& c : cases) {
    const fs::path folder = FreshFolder("streamed"), file = folder / c.name;
    std::ofstream(file) << "earlier";
    std::string arguments = c.arguments;
    arguments.replace(arguments.find("FILE"), 4, Quoted(file));
    const CliResult r = RunCliOnFullDisk(arguments, 32768);
    EXPECT_EQ(r.status, 3) << c.fault << "\n" << r.err;
    EXPECT_EQ(r.err.rfind("skyloom-cli: cannot write " + file.string() + ": ", 0), 0u) << c.fault << "\n" << r.err;
    EXPECT_NE(r.err.find("File too large\n"), std::string::npos) << c.fault << "\n" << r.err;
    EXPECT_EQ(Slurp(file), "earlier") << c.fault;
    EXPECT_EQ(FilesIn(folder), 1u) << c.fault;
  }
}

TEST(StreamedExports, RefusedCommandWritesNothing) {
  // The birth after the start: refused before the first run.
  const std::string refused =
      "personal Sun Sun --start 2000-01-01 --end 2000-12-31 --show-all every --birth 2001-03-15 --birth-time 14:37 "
      "--birth-zone GMT --zone GMT";
  for (const std::string option : {"--csv", "--json", "--ics"}) {
    const CliResult toOutput = RunCli(refused + " " + option + " -");
    EXPECT_EQ(toOutput.status, 1) << option;
    EXPECT_EQ(toOutput.out, "") << option;
    const fs::path folder = FreshFolder("refused"), file = folder / "f";
    std::ofstream(file) << "earlier";
    const CliResult toFile = RunCli(refused + " " + option + " " + Quoted(file));
    EXPECT_EQ(toFile.status, 1) << option;
    EXPECT_EQ(Slurp(file), "earlier") << option;
    EXPECT_EQ(FilesIn(folder), 1u) << option;
  }
}

}  // namespace
