// A report that fills up ends where it fills: one message, one closing note,
// and no run of a series after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/bodies.h"
#include "ports/program_folder.h"
#include "support/text_face.h"

namespace skyloom {
namespace {

// A report that counts as full beyond a capacity, and notes where each
// run's block began.
struct SmallReport : test::TextFace {
  size_t capacity = std::string::npos;
  std::vector<size_t> blockStarts;
  void BeginReport() override { blockStarts.push_back(text.size()); }
  bool ReportFull() const override { return text.size() > capacity; }
};

constexpr const char* kFullMessage = "Output textbox is full.|!|Skyloom 10.0";

// World series of Jupiter, 2020: Sun, Mercury ... Neptune, then Pluto.
RunRequest JupiterSeries() {
  RunRequest r = test::WorldRequest(Sun, Jupiter, 2020, 2020);
  r.series = SeriesKind::Outer;
  return r;
}

TEST(FullReport, EndsASeriesOnceWhereverItFills) {
  SmallReport whole;
  {
    Session session(ExecutableFolder());
    session.ShowAll(JupiterSeries(), whole);
  }
  ASSERT_GE(whole.blockStarts.size(), 3U);
  const size_t secondBlock = whole.blockStarts[1];
  const struct {
    const char* what;
    size_t capacity;
    int32_t runs;  // runs that print a block
  } kCases[] = {
      {"fills in the middle of the first run", secondBlock / 2, 1},
      // The first run's last row brings it over: the second run finds it full.
      {"full as the second run begins", secondBlock - 1, 1},
      {"full as the third run begins", whole.blockStarts[2] - 1, 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    SmallReport face;
    face.capacity = c.capacity;
    Session session(ExecutableFolder());
    session.ShowAll(JupiterSeries(), face);
    EXPECT_EQ(std::count(face.told.begin(), face.told.end(), kFullMessage), 1);
    EXPECT_EQ(face.told.size(), 1U);
    EXPECT_EQ(static_cast<int32_t>(face.blockStarts.size()), c.runs);
    const std::string end = "Textbox is full -- Stopped";
    ASSERT_GE(face.text.size(), end.size());
    EXPECT_EQ(face.text.substr(face.text.size() - end.size()), end);
    EXPECT_EQ(face.text.find("Textbox is full"), face.text.size() - end.size());
  }
}

// A single run appended to a full report stops under its title line.
TEST(FullReport, SingleRunOnAFullReportStopsAtItsHeading) {
  SmallReport face;
  face.text = std::string(100, 'x');
  face.capacity = 99;
  Session session(ExecutableFolder());
  session.Start(test::WorldRequest(Jupiter, Saturn, 2020, 2020), face);
  EXPECT_EQ(face.text, std::string(100, 'x') + "\r\nTextbox is full -- Stopped");
  EXPECT_EQ(face.told, std::vector<std::string>{kFullMessage});
  EXPECT_TRUE(session.Results().empty());
}

}  // namespace
}  // namespace skyloom
