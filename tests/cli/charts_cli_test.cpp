// skyloom-cli's chart collection: charts kept by add and imports (CSV and
// AAF) as the runs read them, a bad record refused with its line and
// nothing kept, and a batch whose every chart, like --chart, reads as its
// own single run of the birth typed in.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/cli_cases.h"
#include "support/cli_runner.h"

namespace {

using namespace skyloom::test;

std::string Store(const std::string& folder) { return " --chart-store " + Quoted(FreshFolder(folder) / "c.sqlite"); }

std::string Write(const std::string& folder, const std::string& name, const std::string& text) {
  const auto path = CliScratch() / folder / name;
  std::ofstream(path, std::ios::binary) << text;
  return Quoted(path);
}

class ChartImports : public ::testing::TestWithParam<CaseLine> {};

TEST_P(ChartImports, KeepWhatTheFilesSay) {
  const CaseLine& c = GetParam();
  const std::string store = Store("charts-import");
  const CliResult r = RunCli("charts import " + Write("charts-import", c[0], c[1]) + store);
  EXPECT_EQ(r.status, 0) << c.where << "\n" << r.err;
  const size_t charts = Count(c[2], "\n");
  EXPECT_EQ(r.out, std::to_string(charts) + (charts == 1 ? " chart" : " charts") + " imported\n") << c.where;
  EXPECT_EQ(RunCli("charts list" + store).out, c[2]) << c.where;
}

INSTANTIATE_TEST_SUITE_P(ChartsCli, ChartImports, ::testing::ValuesIn(ReadCliCases("cli/cases/chart_imports.txt")),
                         [](const auto& info) { return CaseName(info.param); });

class ChartRefusals : public ::testing::TestWithParam<CaseLine> {};

TEST_P(ChartRefusals, ABadRecordIsToldWithItsLineAndNothingIsKept) {
  const CaseLine& c = GetParam();
  const std::string store = Store("charts-bad");
  ASSERT_EQ(RunCli("charts add Zoe --birth 1990-01-01 --birth-time 12:00 --birth-zone GMT" + store).status, 0);
  const CliResult r = RunCli("charts import " + Write("charts-bad", "bad.csv", c[1]) + store);
  EXPECT_EQ(r.status, 1) << c.where;
  EXPECT_EQ(Count(r.err, c[0]), 1u) << c.where << "\n" << r.err;
  EXPECT_EQ(RunCli("charts list" + store).out, "Zoe | 1990-01-01 | 12:00 | GMT |  | \n") << c.where;
}

INSTANTIATE_TEST_SUITE_P(ChartsCli, ChartRefusals, ::testing::ValuesIn(ReadCliCases("cli/cases/chart_refusals.txt")),
                         [](const auto& info) { return CaseName(info.param); });

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

// Charts and the same birth data typed in, in the order charts list gives:
// each chart of a batch runs as its birth data typed in.
struct Birth {
  std::string name, typed;
};
const Birth kBirths[] = {
    {"Mean", "--birth 1890-03-15 --birth-time 06:00 --birth-place 'Paris, FR' --birth-zone LMT"},
    {"Named", "--birth 1985-07-04 --birth-time 06:00 --birth-place Berlin"},
    {"Offset", "--birth 1970-03-15 --birth-time 14:37 --birth-zone GMT+5:30"},
    {"Sidereal", "--birth 1950-11-20 --birth-time 23:15 --birth-zone America/New_York --sidereal"},
};

TEST(ChartsCli, EachChartOfABatchReadsAsItsOwnRun) {
  const std::string store = Store("charts-batch");
  for (const Birth& b : kBirths) ASSERT_EQ(RunCli("charts add " + b.name + " " + b.typed + store).status, 0) << b.name;
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
  for (const auto& [name, typed] : kBirths) {
    const CliResult single = RunCli(kPeriod + series + typed + " --csv " + Quoted(folder / "one.csv"));
    ASSERT_EQ(single.status, 0) << name;
    // --chart-store stands anywhere, before the mode too.
    EXPECT_EQ(RunCli(store + " " + kPeriod + series + "--chart " + name).out, single.out) << name;
    const std::vector<std::string> own = Lines(Slurp(folder / "one.csv"));
    for (size_t k = 1; k < own.size(); ++k) {
      ++records;
      EXPECT_EQ(Count(Slurp(folder / "all.csv"), name + "," + own[k] + "\n"), 1u) << name << " " << own[k];
    }
    // The report's titles name the chart; the rest is the single run's.
    std::string report;
    for (const std::string& line : Lines(single.out))
      report += (line.starts_with("Saturn transits of natal") ? name + ": " : "") + line + "\n";
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
