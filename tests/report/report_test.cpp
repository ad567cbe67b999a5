// The report's rows written from the engine's data: which rows name their
// aspect, and each cell's text in its place.
#include "report/report.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ports/program_folder.h"
#include "report/timeline.h"
#include "support/engine_setup.h"
#include "support/text_face.h"

namespace skyloom {
namespace {

constexpr AspectIndex kConjunction = 1, kSquare = 3;

DateMark Mark(int32_t year, int32_t month, int32_t day, bool retrograde = false) {
  return {test::Day(year, month, day), retrograde, {}};
}

MinimumRecord Exact(int32_t year, int32_t month, int32_t day, int16_t minuteOfDay, bool retrograde) {
  MinimumRecord minimum;
  minimum.exact = true;
  minimum.day = test::Day(year, month, day);
  minimum.retrograde = retrograde;
  minimum.minuteOfDay = minuteOfDay;
  minimum.zoneText = "GMT-11:30";
  return minimum;
}

MinimumRecord Closest(int32_t year, int32_t month, int32_t day, double degrees) {
  MinimumRecord minimum;
  minimum.day = test::Day(year, month, day);
  minimum.deviation = OrbRadiansFromDegrees(1) * degrees;
  return minimum;
}

// The rows of one run, in the order handed over, with the lines the output
// box shows for them (in tests/report/cases/rows_of_a_run.txt).
TEST(ReportTableWriter, RowsOfARun) {
  TransitRowData full{kConjunction, {}, {}, {}};
  full.entry = {Mark(2020, 1, 5), Mark(2020, 1, 20, true), Mark(2020, 2, 1, true)};
  full.minimum = Exact(2020, 2, 10, 14 * 60 + 30, true);
  full.exit = {Mark(2020, 3, 9), Mark(2020, 3, 1), Mark(2020, 2, 20, true)};
  TransitRowData approach{kConjunction, {}, Closest(2020, 6, 30, 0.2), {}};
  approach.entry[2] = Mark(2020, 6, 25);
  approach.exit[2] = Mark(2020, 7, 2);
  TransitRowData outerOnly{kConjunction, {}, {}, {}};
  outerOnly.entry[0] = Mark(2021, 1, 1);
  TransitRowData squareExactOnly{kSquare, {}, Exact(2021, 5, 3, 0, false), {}};
  TransitRowData square{kSquare, {}, {}, {}};
  square.exit[0] = Mark(2021, 9, 30, true);

  const std::pair<TransitRowData, RowPlace> handed[] = {
      {full, {true, true}},      {approach, {false, true}}, {outerOnly, {true, true}}, {squareExactOnly, {true, false}},
      {outerOnly, {true, true}}, {square, {true, true}},    {outerOnly, {true, true}}, {square, {false, true}}};
  std::ifstream file(std::string(SKYLOOM_TEST_DIR) + "/report/cases/rows_of_a_run.txt");
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);)
    if (!line.starts_with("#"))
      lines.push_back(line.ends_with("$") ? line.substr(0, line.size() - 1) : "no $: " + line);
  ASSERT_EQ(lines.size(), std::size(handed));
  ReportTableWriter writer;
  for (size_t k = 0; k < lines.size(); ++k)
    EXPECT_EQ(ReportLine(writer.Next(handed[k].first, handed[k].second)), lines[k] + "\r\n") << "row " << k + 1;
}

// The timeline tells, for any row of a run's results, the line the report
// printed for it: here for runs of many transits of one aspect in a row,
// and of transits of every aspect.
TEST(ReportTableWriter, TimelineRowTextsAreTheReportsLines) {
  for (const BodyIndex outer : {Mercury, Mars}) {
    Session session(ExecutableFolder());
    test::TextFace face;
    ASSERT_TRUE(session.Start(test::WorldRequest(Sun, outer, 2020, 2022), face));
    std::istringstream output(face.text);
    std::string line;
    for (int header = 0; header < 3; ++header) std::getline(output, line);
    ASSERT_EQ(session.Results().size(), 1u);
    const RunResult& run = session.Results()[0];
    size_t rows = 0;
    for (size_t t = 0; t < run.transits.size(); ++t) {
      for (size_t p = 0; p < run.transits[t].passes.size(); ++p, ++rows) {
        ASSERT_TRUE(std::getline(output, line));
        EXPECT_EQ(ReportRowText(run, t, p) + "\r", line) << "transit " << t << " row " << p;
      }
    }
    EXPECT_GT(rows, 10u);
    EXPECT_FALSE(std::getline(output, line)) << line;
  }
}

}  // namespace
}  // namespace skyloom
