// A report that fills up ends where it fills, told once, on threads too.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "engine/bodies.h"
#include "ports/program_folder.h"
#include "report/exports.h"
#include "support/engine_setup.h"
#include "support/text_face.h"

namespace skyloom {
namespace {

// Full beyond a capacity, like the window's box; notes where each run's block began.
// Stopped from the day stopFrom on, as by the window's Stop; notes the days it was asked about.
struct SmallReport : test::TextFace {
  size_t capacity = std::string::npos;
  int32_t stopFrom = std::numeric_limits<int32_t>::max(), firstDay = stopFrom, lastDay = 0;
  std::vector<size_t> blocks;
  void BeginReport() override { blocks.push_back(text.size()); }
  bool ReportFull() const override { return text.size() > capacity; }
  bool NextDay(int32_t day) override {
    firstDay = std::min(firstDay, day);
    lastDay = std::max(lastDay, day);
    return day < stopFrom;
  }
};

const std::string kFull = "Output textbox is full.|!|Skyloom 10.0", kEnd = "Textbox is full -- Stopped";

// The report of a run or series on `jobs` threads, its messages and its CSV.
SmallReport RunReport(const RunRequest& request, size_t capacity, unsigned jobs, std::string* csv = nullptr,
                      int32_t stopFrom = std::numeric_limits<int32_t>::max()) {
  Session session(ExecutableFolder());
  // A series of moved bodies reads the table itself, after its first runs.
  if (request.progression == ProgressionKind::Transit) session.UsePlutoTable(test::SharedPluto());
  session.UseJobs(jobs);
  SmallReport face;
  face.capacity = capacity;
  face.stopFrom = stopFrom;
  session.Perform(request, face);
  if (csv) *csv = WriteCsv(session.Results());
  return face;
}

// A series filled in its first run, by the last row of its first run and of
// its second; then a single run appended to a full report.
TEST(FullReport, EndsWhereItFillsToldOnce) {
  RunRequest series = test::WorldRequest(Sun, Jupiter, 2020, 2020);
  series.series = SeriesKind::Outer;
  const SmallReport whole = RunReport(series, std::string::npos, 1);
  ASSERT_GE(whole.blocks.size(), 3U);
  // The report's capacity, the blocks begun.
  const std::pair<size_t, size_t> kCases[] = {
      {whole.blocks[1] / 2, 1}, {whole.blocks[1] - 1, 1}, {whole.blocks[2] - 1, 2}};
  for (const auto& [capacity, blocks] : kCases) {
    const SmallReport face = RunReport(series, capacity, 1);
    EXPECT_EQ(face.told, std::vector<std::string>{kFull}) << capacity;
    EXPECT_EQ(face.blocks.size(), blocks) << capacity;
    EXPECT_EQ(face.text.find("Textbox is full"), face.text.size() - kEnd.size()) << capacity;
    EXPECT_TRUE(face.text.ends_with(kEnd)) << capacity;
  }

  SmallReport full;
  full.text = std::string(100, 'x');
  full.capacity = 99;
  Session session(ExecutableFolder());
  session.Start(test::WorldRequest(Jupiter, Saturn, 2020, 2020), full);
  EXPECT_EQ(full.text, std::string(100, 'x') + "\r\n" + kEnd);
  EXPECT_EQ(full.told, std::vector<std::string>{kFull});
  EXPECT_TRUE(session.Results().empty());
}

// Cut at shares of the whole report's length (so a changed report is cut at
// the same places) and not cut: two threads tell, write and keep what one does.
TEST(FullReport, OnThreadsEndsWhereOneThreadEndsIt) {
  test::InitEngineOnce();
  auto born = [](BodyIndex transiting, BodyIndex natal, int32_t from, int32_t to) {
    return test::PersonalRequest(transiting, natal, from, to, EnteredDate::Of(1970, 3, 15), 14, 37,
                                 Zone::Fixed(3600, "GMT+1"));
  };
  RunRequest world = test::WorldRequest(Sun, Saturn, 2019, 2020);
  world.series = SeriesKind::Outer;
  RunRequest chart = born(Sun, Sun, 2021, 2021);
  chart.end = EnteredDate::Of(2021, 6, 30);
  chart.series = SeriesKind::Every;
  chart.zodiac = Zodiac::Sidereal;
  chart.withMoon = true;
  chart.orbs = {10, 6, 3};
  // Moved bodies, Pluto's among them: the table is read in mid-series.
  RunRequest progressed = born(Sun, Sun, 2000, 2002);
  progressed.series = SeriesKind::Every;
  progressed.progression = ProgressionKind::Progressed;
  progressed.orbs = {5, 3, 1};
  // Single runs of decades, whose fits are made ahead on a second thread.
  RunRequest worldRun = test::WorldRequest(Sun, Mercury, 1990, 2009);
  worldRun.orbs = {10, 5, 3};
  for (const RunRequest& request : {world, chart, progressed, worldRun, born(Venus, Mars, 1990, 2019)}) {
    const std::string whole = RunReport(request, std::string::npos, 1).text;
    const size_t size = whole.size();
    ASSERT_GT(size, 3000u);
    // Progressed Pluto stays in conjunction with its natal place for decades.
    if (request.progression != ProgressionKind::Transit) {
      const size_t rows =
          whole.find('\n', whole.find("------", whole.find("Progressed Pluto transits of natal Pluto")));
      ASSERT_NE(rows, std::string::npos);
      EXPECT_NE(whole.substr(rows, whole.find("------", rows) - rows).find("Conjunction"), std::string::npos);
    }
    for (const double share : {0.02, 0.3, 0.55, 0.9, 0.999, 2.0}) {
      const auto capacity = static_cast<size_t>(static_cast<double>(size) * share);
      std::string csvOne, csvTwo;
      const SmallReport one = RunReport(request, capacity, 1, &csvOne), two = RunReport(request, capacity, 2, &csvTwo);
      EXPECT_EQ(two.text, one.text) << share;
      EXPECT_EQ(two.told, one.told) << share;
      EXPECT_EQ(csvTwo, csvOne) << share;
      if (share < 0.95) {
        EXPECT_EQ(one.told, std::vector<std::string>{kFull}) << share;
      }
    }
  }
}

// Stopped at shares of the period: a run cut into stretches for two threads
// stops where one thread stops it, with the same rows, results and end.
TEST(FullReport, StoppedOnThreadsWhereOneThreadStops) {
  RunRequest worldRun = test::WorldRequest(Sun, Mercury, 1990, 2009);
  worldRun.orbs = {10, 5, 3};
  const RunRequest personal = test::PersonalRequest(Venus, Mars, 1990, 2019, EnteredDate::Of(1970, 3, 15), 14, 37,
                                                    Zone::Fixed(3600, "GMT+1"));
  for (const RunRequest& request : {worldRun, personal}) {
    const SmallReport whole = RunReport(request, std::string::npos, 1);
    ASSERT_EQ(whole.text.find("Stopped"), std::string::npos);
    for (const double share : {0.1, 0.45, 0.55, 0.9}) {
      const auto stopFrom = static_cast<int32_t>(whole.firstDay + (whole.lastDay - whole.firstDay) * share);
      std::string csvOne, csvTwo;
      const SmallReport one = RunReport(request, std::string::npos, 1, &csvOne, stopFrom),
                        two = RunReport(request, std::string::npos, 2, &csvTwo, stopFrom);
      EXPECT_TRUE(one.text.ends_with("Stopped")) << share;
      EXPECT_LT(one.text.size(), whole.text.size()) << share;
      EXPECT_EQ(two.text, one.text) << share;
      EXPECT_EQ(two.told, one.told) << share;
      EXPECT_EQ(csvTwo, csvOne) << share;
    }
  }
}

}  // namespace
}  // namespace skyloom
