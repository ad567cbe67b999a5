// A series computed on several threads tells and writes exactly what it does
// on one: the report, the messages, the exit status and every file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace skyloom::test;

const std::string kBirth = " --birth 1970-03-15 --birth-time 14:37 --birth-zone Europe/Berlin --zone GMT";

struct Output {
  CliResult run;
  std::vector<std::string> files;
};

Output RunWithJobs(const std::string& arguments, const std::string& jobs, const std::vector<std::string>& names) {
  const fs::path folder = FreshFolder("jobs" + jobs);
  std::string line = arguments + " --jobs " + jobs;
  for (const std::string& name : names)
    line += " --" + fs::path(name).extension().string().substr(1) + " " + Quoted(folder / name);
  Output out;
  out.run = RunCli(line, "SOURCE_DATE_EPOCH=1700000000");
  for (const std::string& name : names) out.files.push_back(Slurp(folder / name));
  return out;
}

TEST(SkyloomCliJobs, TwoThreadsTellAndWriteWhatOneDoes) {
  struct Case {
    std::string what, arguments;
    std::vector<std::string> files;
  };
  const std::vector<std::string> all = {"r.html", "r.ics", "r.csv", "r.json"};
  const Case cases[] = {
      {"whole chart with the angles, stations and house ingresses",
       "personal Sun Sun --start 2021-01-01 --end 2021-05-31 --show-all every --birth-place Berlin --stations "
       "--ingresses --house-ingresses" +
           kBirth,
       all},
      {"whole chart with the Moon, sidereal, every aspect",
       "personal Sun Sun --start 2021-03-01 --end 2021-04-30 --show-all every --with-moon --orbs 10,6,3 --sidereal "
       "--aspects all" +
           kBirth,
       all},
      {"transiting Mars to every natal body",
       "personal Mars Sun --start 2020-01-01 --end 2021-12-31 --show-all inner" + kBirth,
       {"r.csv", "r.json"}},
      {"every transiting body to natal Venus",
       "personal Sun Venus --start 2020-01-01 --end 2020-12-31 --show-all outer" + kBirth,
       {"r.ics"}},
      {"world series, Pluto's pair last",
       "world Sun Saturn --start 2019-06-01 --end 2020-12-31 --show-all outer --zone GMT", all},
      {"a series' CSV on standard output in place of its report",
       "world Sun Jupiter --start 2020-01-01 --end 2020-12-31 --show-all outer --zone GMT --csv -",
       {}},
  };
  for (const Case& c : cases) {
    const Output one = RunWithJobs(c.arguments, "1", c.files);
    const Output two = RunWithJobs(c.arguments, "2", c.files);
    ASSERT_EQ(one.run.status, 0) << c.what << "\n" << one.run.err;
    EXPECT_GT(one.run.out.size(), 2000u) << c.what;  // a series of several runs
    EXPECT_EQ(two.run.status, one.run.status) << c.what;
    EXPECT_EQ(two.run.out, one.run.out) << c.what;
    EXPECT_EQ(two.run.err, one.run.err) << c.what;
    for (size_t k = 0; k < c.files.size(); ++k) {
      EXPECT_GT(one.files[k].size(), 100u) << c.what << " " << c.files[k];
      EXPECT_EQ(two.files[k], one.files[k]) << c.what << " " << c.files[k];
    }
  }
}

// A number of threads that is not one from 1 is refused like any unusable
// argument, before anything runs.
TEST(SkyloomCliJobs, UnusableCountsAreRefused) {
  for (const std::string jobs : {"0", "-1", "two", "2x", "", "99999999999"}) {
    const CliResult r =
        RunCli("world Jupiter Saturn --start 2020-01-01 --end 2020-12-31 --zone GMT --jobs '" + jobs + "'");
    EXPECT_EQ(r.status, 2) << jobs;
    EXPECT_EQ(r.out, "") << jobs;
    EXPECT_EQ(Count(r.err, "Usage: skyloom-cli"), 1u) << jobs;
    EXPECT_NE(r.err.find("--jobs"), std::string::npos) << jobs << "\n" << r.err;
  }
}

#ifdef SKYLOOM_TIMELINE
// A timeline is drawn from every run held at once: a series too long for it
// is refused before it runs, one just inside the limit is drawn.
TEST(SkyloomCliJobs, TimelineOfALongSeriesIsRefusedBeforeTheRun) {
  struct Case {
    std::string series, start, end;
    int status;
  };
  const Case cases[] = {
      {"every", "2000-01-01", "2010-12-31", 2},
      {"inner", "1950-01-01", "2050-12-31", 2},
      {"every", "2021-01-01", "2021-02-28", 0},
  };
  for (const Case& c : cases) {
    const fs::path folder = FreshFolder("timeline"), file = folder / "t.svg";
    const CliResult r = RunCli("personal Mars Sun --show-all " + c.series + " --start " + c.start + " --end " + c.end +
                               kBirth + " --timeline " + Quoted(file) + " >/dev/null");
    EXPECT_EQ(r.status, c.status) << c.series << " " << c.start << "\n" << r.err;
    EXPECT_EQ(fs::exists(file), c.status == 0) << c.series << " " << c.start;
    if (c.status == 2) {
      EXPECT_NE(r.err.find("--timeline draws at most"), std::string::npos) << r.err;
    }
  }
}
#endif

}  // namespace
