// skyloom-cli's chart collection: charts kept by add and imports (CSV and
// AAF) as the runs read them, a bad record refused with its line and
// nothing kept, --chart giving the very bytes of the same birth typed in,
// and a batch whose every chart reads as its own single run.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace {

using namespace skyloom::test;

std::string Store(const std::string& folder) { return " --chart-store " + Quoted(FreshFolder(folder) / "c.sqlite"); }

std::string Write(const std::string& folder, const std::string& name, const std::string& text) {
  const auto path = CliScratch() / folder / name;
  std::ofstream(path, std::ios::binary) << text;
  return Quoted(path);
}

TEST(ChartsCli, ImportsKeepWhatTheFilesSay) {
  struct Case {
    std::string name, file, list;
  };
  const Case cases[] = {
      {"csv",
       "name,date,time,zone,place,tags,note\n"
       "Ann,1970-03-15,14:37,Europe/Berlin,,family;clients,\"born, so they say, at \"\"home\"\"\"\n"
       "\n"
       "Ben,1985-07-04,06:00,,\"Paris, FR\",,\n",
       // A city gives its zone; names are listed in letter order.
       "Ann | 1970-03-15 | 14:37 | Europe/Berlin |  | family, clients\n"
       "Ben | 1985-07-04 | 06:00 | Europe/Paris | Paris, FR | \n"},
      {"csv-coordinates",
       "Zone,Name,Time,Date,Latitude,Longitude,Zodiac\r\n"
       "LMT,Cleo,23:59,1890-12-31,-33.87,151.21,sidereal\r\n",
       "Cleo | 1890-12-31 | 23:59 | LMT | -33.87,151.21 | \n"},
  };
  for (const Case& c : cases) {
    const std::string store = Store("charts-" + c.name);
    const std::string file = Write("charts-" + c.name, c.name + ".csv", c.file);
    const CliResult r = RunCli("charts import " + file + store);
    EXPECT_EQ(r.status, 0) << c.name << "\n" << r.err;
    EXPECT_EQ(RunCli("charts list" + store).out, c.list) << c.name;
  }
  const std::string store = Store("charts-aaf-whole");
  const std::string file = Write("charts-aaf-whole", "whole.aaf",
                                 "# exported charts\n"
                                 "#A93:Einstein,Albert,m,14.3.1879g,11:30,Ulm,D\n"
                                 "#B93:2407422.9375,48n24,9e59,1hE00,0\n"
                                 "#A93:Somebody,*,f,1.12.1950g,23:05:00,*,*\n"
                                 "#B93:*,40s30,58w15,3hW00,1\n");
  EXPECT_EQ(RunCli("charts import " + file + store).out, "2 charts imported\n");
  // Minutes of arc into degrees; summer time's hour on top of the zone.
  EXPECT_EQ(RunCli("charts list" + store).out,
            "Albert Einstein | 1879-03-14 | 11:30 | GMT+1:00 | Ulm | aaf\n"
            "Somebody | 1950-12-01 | 23:05 | GMT-2:00 | -40.5,-58.25 | aaf\n");
}

TEST(ChartsCli, ABadRecordIsToldWithItsLineAndNothingIsKept) {
  const std::string header = "name,date,time,zone\n";
  const std::string good = "Ann,1970-03-15,14:37,GMT\nBen,1971-01-01,12:00,GMT+1:00\n";
  struct Case {
    std::string file, err;
  };
  const Case cases[] = {
      {header + good + "Cy,1970-02-30,12:00,GMT\n", "line 4: The birth date is invalid."},
      {header + good + "Cy,1970-02-03,25:00,GMT\n", "line 4: --birth-time takes HH:MM from 00:00 to 23:59, not 25:00"},
      {header + good + "Cy,1970-02-03,12:00,Mars/Olympus\n", "line 4: --birth-zone:"},
      {header + good + "Cy,2020-03-29,02:30,Europe/Berlin\n",
       "line 4: 2020-03-29 02:30 did not exist in Europe/Berlin"},
      {header + good + "Cy,1970-02-03,12:00\n", "line 4: 3 fields where the header has 4"},
      {header + "\"Ann\nthe elder\",1970-03-15,14:37,GMT\n,1970-03-15,14:37,GMT\n", "line 4: a chart needs a name"},
      {header + good + "ann,1972-01-01,12:00,GMT\n", "line 4: there is already a chart called Ann"},
      {"name,date,time\nAnn,1970-03-15,14:37\n", "line 1: the header names no column zone"},
      {"name,date,time,zone,planet\n", "line 1: no column is called planet"},
      {"#A93:Julius,*,m,1.1.1500j,12:00,Rome,I\n#B93:*,41n54,12e29,1hE00,0\n",
       "line 1: dates of the Julian calendar are not read"},
      {"#A93:Nobody,*,m,1.1.1950g,12:00,*,*\n#B93:*,41x54,12e29,1hE00,0\n", "line 2: the latitude is degrees"},
      {"#A93:Nobody,*,m,1.1.1950g,12:00,*,*\n", "line 1: the #A93 record has no #B93 record after it"},
      // Forty minutes east is no zone of the lists nor a tz name.
      {"#A93:Nobody,*,m,1.1.1950g,12:00,*,*\n#B93:*,41n54,12e29,0hE40,0\n", "line 1: --birth-zone:"},
  };
  for (const Case& c : cases) {
    const std::string store = Store("charts-bad");
    ASSERT_EQ(RunCli("charts add Zoe --birth 1990-01-01 --birth-time 12:00 --birth-zone GMT" + store).status, 0);
    const CliResult r = RunCli("charts import " + Write("charts-bad", "bad.csv", c.file) + store);
    EXPECT_EQ(r.status, 1) << c.file;
    EXPECT_EQ(Count(r.err, c.err), 1u) << c.file << "\n" << r.err;
    EXPECT_EQ(RunCli("charts list" + store).out, "Zoe | 1990-01-01 | 12:00 | GMT |  | \n") << c.file;
  }
}

TEST(ChartsCli, AnExportedCollectionImportsAsItWas) {
  const std::string first = Store("charts-export"), second = Store("charts-reimport");
  for (const std::string& add :
       {std::string("Ann --birth 1970-03-15 --birth-time 14:37 --birth-place 'Paris, FR' --tag a --tag 'b c'"),
        std::string("'Ben, the \"second\"' --birth 1985-07-04 --birth-time 06:00 --birth-zone GMT+5:30 --note 'x,y'"),
        std::string(
            "Cleo --birth 1890-12-31 --birth-time 23:59 --birth-place -33.87,151.21 --birth-zone LMT --sidereal")})
    ASSERT_EQ(RunCli("charts add " + add + first).status, 0) << add;
  const std::string file = Quoted(CliScratch() / "charts-export" / "all.csv");
  ASSERT_EQ(RunCli("charts export " + file + first).status, 0);
  ASSERT_EQ(RunCli("charts import " + file + second).status, 0);
  const std::string again = Quoted(CliScratch() / "charts-reimport" / "again.csv");
  ASSERT_EQ(RunCli("charts export " + again + second).status, 0);
  EXPECT_EQ(Slurp(CliScratch() / "charts-reimport" / "again.csv"), Slurp(CliScratch() / "charts-export" / "all.csv"));
  EXPECT_EQ(RunCli("charts list" + second).out, RunCli("charts list" + first).out);
}

const std::string kPeriod = "personal Saturn Sun --start 2024-01-01 --end 2024-12-31 --zone GMT ";

// Charts and the same birth data typed in.
struct Birth {
  std::string name, typed;
};
const Birth kBirths[] = {
    {"Named", "--birth 1985-07-04 --birth-time 06:00 --birth-place Berlin"},
    {"Offset", "--birth 1970-03-15 --birth-time 14:37 --birth-zone GMT+5:30"},
    {"Mean", "--birth 1890-03-15 --birth-time 06:00 --birth-place 'Paris, FR' --birth-zone LMT"},
    {"Sidereal", "--birth 1950-11-20 --birth-time 23:15 --birth-zone America/New_York --sidereal"},
};

std::string FilledStore(const std::string& folder) {
  const std::string store = Store(folder);
  for (const Birth& b : kBirths) EXPECT_EQ(RunCli("charts add " + b.name + " " + b.typed + store).status, 0) << b.name;
  return store;
}

TEST(ChartsCli, AChartRunsAsItsBirthDataTypedIn) {
  const std::string store = FilledStore("charts-chart");
  const auto folder = CliScratch() / "charts-chart";
  const std::string options[] = {"", "--show-all inner --stations", "--house-ingresses"};
  for (const Birth& b : kBirths) {
    for (const std::string& more : options) {
      if (more == "--house-ingresses" && b.typed.find("place") == std::string::npos) continue;
      // --chart-store stands anywhere, before the mode too.
      const CliResult chart =
          RunCli(store + " " + kPeriod + more + " --chart " + b.name + " --csv " + Quoted(folder / "chart.csv"));
      const CliResult typed = RunCli(kPeriod + more + " " + b.typed + " --csv " + Quoted(folder / "typed.csv"));
      EXPECT_EQ(chart.status, typed.status) << b.name << " " << more;
      EXPECT_EQ(chart.out, typed.out) << b.name << " " << more;
      EXPECT_EQ(chart.err, typed.err) << b.name << " " << more;
      EXPECT_EQ(Slurp(folder / "chart.csv"), Slurp(folder / "typed.csv")) << b.name << " " << more;
      EXPECT_GT(Count(typed.out, "Saturn transits of natal"), 0u) << b.name << " " << more;
    }
  }
  const CliResult missing = RunCli(kPeriod + "--chart Nobody" + store);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(Count(missing.err, "has no chart called Nobody"), 1u) << missing.err;
  EXPECT_EQ(RunCli(kPeriod + "--chart Named --birth-time 12:00" + store).status, 2);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ChartsCli, EachChartOfABatchReadsAsItsOwnRun) {
  const std::string store = FilledStore("charts-batch");
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
  // In the order charts list gives.
  for (const std::string name : {"Mean", "Named", "Offset", "Sidereal"}) {
    std::string typed;
    for (const Birth& b : kBirths)
      if (b.name == name) typed = b.typed;
    const CliResult single = RunCli(kPeriod + series + typed + " --csv " + Quoted(folder / "one.csv"));
    ASSERT_EQ(single.status, 0) << name;
    const std::vector<std::string> own = Lines(Slurp(folder / "one.csv"));
    for (size_t k = 1; k < own.size(); ++k) {
      ++records;
      EXPECT_EQ(Count(Slurp(folder / "all.csv"), name + std::string(",") + own[k] + "\n"), 1u) << name << " " << own[k];
    }
    // The report's titles name the chart; the rest is the single run's.
    std::string report;
    for (const std::string& line : Lines(single.out))
      report += (line.rfind("Saturn transits of natal", 0) == 0 ? name + std::string(": ") : "") + line + "\n";
    if (!expectedReport.empty()) expectedReport += "\n" + std::string(119, '=') + "\n";
    expectedReport += report;
  }
  EXPECT_EQ(rows.size(), records + 1);
  EXPECT_EQ(batch.out, expectedReport);
}

TEST(ChartsCli, CompletionOffersTheDefaultCollectionsNamesAndTags) {
  const auto data = FreshFolder("charts-completion");
  const std::string env = "XDG_DATA_HOME=" + Quoted(data) + " ";
  // No collection yet: no names, and none is made by asking.
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
