// The fits for decisions that a series' runs ask for, handed to other
// threads in pieces: each group of bodies with alike spans over its own span
// numbers, so that no body's fits are made over spans counted in another's
// length (the Sun's are three times Mercury's, and Mercury's place takes
// nodes of its own).
#include "runs/decision_fits.h"

#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <utility>
#include <vector>

#include "support/engine_setup.h"

namespace {

using namespace skyloom;
using test::Day;

RunDescription MakeRun(bool world, BodyIndex first, BodyIndex second, int32_t from, int32_t to, Zone zone) {
  RunDescription run;
  run.world = world;
  run.bodies = {first, second};
  run.startDay = from;
  run.endDay = to;
  run.zone = std::move(zone);
  return run;
}

// By group of bodies: the spans its pieces cover, in order, each piece at
// most kAtOnce, and the instant each begins.
constexpr int64_t kAtOnce = 8;
std::map<uint32_t, std::pair<int64_t, int64_t>> Covered(const std::vector<DecisionFitPiece>& pieces) {
  std::map<uint32_t, std::pair<int64_t, int64_t>> covered;
  for (const DecisionFitPiece& piece : pieces) {
    EXPECT_LE(piece.first, piece.last);
    EXPECT_LE(piece.last - piece.first, kAtOnce - 1);
    const auto lead = static_cast<BodyIndex>(std::countr_zero(piece.bodies));
    EXPECT_EQ(piece.from, LongitudeFits::SpanStart(lead, piece.first, FitSpans::Decisions));
    const auto [at, added] = covered.try_emplace(piece.bodies, piece.first, piece.last);
    if (!added) {
      EXPECT_EQ(piece.first, at->second.second + 1) << "pieces of one group follow each other";
      at->second.second = piece.last;
    }
  }
  return covered;
}

std::pair<int64_t, int64_t> Spans(BodyIndex body, const RunDescription& first, const RunDescription& last) {
  return {DecisionSpans(first, body).first, DecisionSpans(last, body).second};
}

TEST(DecisionFitPieces, EachGroupOverItsOwnSpans) {
  const Zone gmt = Zone::Fixed(0, "GMT"), india = Zone::Fixed(19800, "GMT+5:30");
  const int32_t from = Day(2024, 1, 1), to = Day(2033, 12, 31);
  // A whole chart's series: every transiting body to one natal point, the
  // Moon's midnights computed rather than fitted.
  std::vector<RunDescription> chart;
  for (const BodyIndex body : {Sun, Mercury, Venus, Mars, Jupiter, Saturn, Pluto, Moon})
    chart.push_back(MakeRun(false, body, Sun, from, to, india));
  const auto covered = Covered(DecisionFitPieces(chart, kAtOnce));
  const uint32_t slow = 1u << Venus | 1u << Mars | 1u << Jupiter | 1u << Saturn | 1u << Pluto;
  EXPECT_EQ(covered.size(), 3u);
  EXPECT_EQ(covered.at(1u << Sun), Spans(Sun, chart[0], chart[0]));
  EXPECT_EQ(covered.at(1u << Mercury), Spans(Mercury, chart[1], chart[1]));
  EXPECT_EQ(covered.at(slow), Spans(Venus, chart[2], chart[2]));

  // Runs over periods apart: one stretch from the first span to the last.
  const std::vector<RunDescription> apart{MakeRun(false, Jupiter, Sun, Day(1700, 3, 1), Day(1709, 12, 31), gmt),
                                          MakeRun(true, Jupiter, Saturn, Day(2300, 1, 1), Day(2300, 6, 30), gmt)};
  const auto spread = Covered(DecisionFitPieces(apart, kAtOnce));
  EXPECT_EQ(spread.size(), 1u);
  EXPECT_EQ(spread.at(1u << Jupiter | 1u << Saturn), Spans(Jupiter, apart[0], apart[1]));

  // A world pair of unlike spans; a pair with the Moon fits its other body.
  const RunDescription sunMercury = MakeRun(true, Sun, Mercury, from, to, gmt);
  const auto pair = Covered(DecisionFitPieces({sunMercury}, kAtOnce));
  EXPECT_EQ(pair.size(), 2u);
  EXPECT_EQ(pair.at(1u << Sun), Spans(Sun, sunMercury, sunMercury));
  EXPECT_EQ(pair.at(1u << Mercury), Spans(Mercury, sunMercury, sunMercury));
  const auto withMoon = Covered(DecisionFitPieces({MakeRun(true, Moon, Mars, from, to, gmt)}, kAtOnce));
  EXPECT_EQ(withMoon.size(), 1u);
  EXPECT_TRUE(withMoon.contains(1u << Mars));
  EXPECT_TRUE(DecisionFitPieces({MakeRun(false, Moon, Sun, from, to, gmt)}, kAtOnce).empty());
}

}  // namespace
