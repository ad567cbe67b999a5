// A series whose runs are computed ahead on other threads ends where the one
// computed run by run ends when the report fills up: the same text, the same
// messages and the same results, wherever the report is cut.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ports/program_folder.h"
#include "report/exports.h"
#include "runs/session.h"
#include "support/engine_setup.h"
#include "support/text_face.h"

namespace {

using namespace skyloom;
using namespace skyloom::test;

// A report that takes `capacity` bytes and no more, like the window's box.
struct BoxFace : TextFace {
  explicit BoxFace(std::size_t room) : capacity(room) {}
  bool ReportFull() const override { return text.size() >= capacity; }
  std::size_t capacity;
};

struct Outcome {
  std::string text, told, csv;
};

Outcome RunSeries(const RunRequest& request, unsigned jobs, std::size_t capacity) {
  Session session(ExecutableFolder());
  session.UsePlutoTable(SharedPluto());
  session.UseJobs(jobs);
  BoxFace face(capacity);
  session.ShowAll(request, face);
  Outcome out{face.text, {}, WriteCsv(session.Results())};
  for (const std::string& message : face.told) out.told += message + "\n";
  return out;
}

TEST(SeriesOnThreads, FullReportEndsTheSeriesWhereOneThreadEndsIt) {
  InitEngineOnce();
  RunRequest world = WorldRequest(Sun, Saturn, 2019, 2020);
  world.series = SeriesKind::Outer;
  RunRequest chart =
      PersonalRequest(Sun, Sun, 2021, 2021, EnteredDate::Of(1970, 3, 15), 14, 37, Zone::Fixed(3600, "GMT+1"));
  chart.end = EnteredDate::Of(2021, 6, 30);
  chart.series = SeriesKind::Every;
  for (const RunRequest& request : {world, chart}) {
    const Outcome whole = RunSeries(request, 1, std::string::npos);
    ASSERT_GT(whole.text.size(), 3000u) << whole.told;
    // Cut in a first run, in the middle, near the end and past it; each place
    // from the length of the whole report, so that a changed report still
    // cuts its runs at these places.
    for (const double share : {0.02, 0.3, 0.55, 0.9, 0.999, 2.0}) {
      const auto capacity = static_cast<std::size_t>(static_cast<double>(whole.text.size()) * share);
      const Outcome one = RunSeries(request, 1, capacity);
      const Outcome two = RunSeries(request, 2, capacity);
      EXPECT_EQ(two.text, one.text) << share;
      EXPECT_EQ(two.told, one.told) << share;
      EXPECT_EQ(two.csv, one.csv) << share;
      if (share < 0.95) {
        EXPECT_NE(one.told.find("Output textbox is full."), std::string::npos) << share;
      }
    }
  }
}

}  // namespace
