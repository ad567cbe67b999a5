// A report that fills up ends where it fills: one message, one closing note,
// and no further run of a series.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/bodies.h"
#include "ports/program_folder.h"
#include "support/text_face.h"

namespace skyloom {
namespace {

// Full beyond a capacity; notes where each run's block began.
struct SmallReport : test::TextFace {
  size_t capacity = std::string::npos;
  std::vector<size_t> blocks;
  void BeginReport() override { blocks.push_back(text.size()); }
  bool ReportFull() const override { return text.size() > capacity; }
};

const std::string kFull = "Output textbox is full.|!|Skyloom 10.0", kEnd = "Textbox is full -- Stopped";

// Jupiter's world series of 2020 in a report filled in the middle of its
// first run, by the last row of its first run, and by that of its second;
// then a single run appended to a full report.
TEST(FullReport, EndsWhereItFillsToldOnce) {
  RunRequest series = test::WorldRequest(Sun, Jupiter, 2020, 2020);
  series.series = SeriesKind::Outer;
  SmallReport whole;
  Session(ExecutableFolder()).ShowAll(series, whole);
  ASSERT_GE(whole.blocks.size(), 3U);
  const struct {
    size_t capacity, blocks;
  } kCases[] = {{whole.blocks[1] / 2, 1}, {whole.blocks[1] - 1, 1}, {whole.blocks[2] - 1, 2}};
  for (const auto& c : kCases) {
    SmallReport face;
    face.capacity = c.capacity;
    Session(ExecutableFolder()).ShowAll(series, face);
    EXPECT_EQ(face.told, std::vector<std::string>{kFull}) << c.capacity;
    EXPECT_EQ(face.blocks.size(), c.blocks) << c.capacity;
    EXPECT_EQ(face.text.find("Textbox is full"), face.text.size() - kEnd.size()) << c.capacity;
    EXPECT_TRUE(face.text.ends_with(kEnd)) << c.capacity;
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

}  // namespace
}  // namespace skyloom
