// Whole runs of the engine: a 100-year world run of Jupiter and Saturn, ten
// years of the Sun and Mercury at the smallest orbs a series takes, and
// one-year personal runs of each transiting body against a natal point.
// Reports the positions each run evaluates and the time per evaluation, so
// the engine's own share of the run can be read off.
#include <benchmark/benchmark.h>

#include "bench_session.h"

namespace {

using namespace skyloom;
using bench::DayOf;
using bench::TheSession;

void Measure(benchmark::State& st, const RunDescription& run) {
  const BodyPositions& positions = TheSession().positions;
  bench::TakeEverything observer;
  uint64_t evaluations = 0;
  for (auto _ : st) {
    TransitTable table;
    table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
    RunResult result = ResultOf(run);
    const uint64_t before = positions.Evaluations();
    SearchTransits(run, positions, table, result, observer);
    evaluations += positions.Evaluations() - before;
  }
  st.counters["positions"] = benchmark::Counter(static_cast<double>(evaluations) / st.iterations());
  st.counters["ns_per_position"] =
      benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

RunDescription Run(bool world, BodyIndex a, BodyIndex b, int32_t start, int32_t end) {
  RunDescription run;
  run.world = world;
  run.bodies = {a, b};
  run.natalLongitude = world ? 0.0 : 1.0;
  run.startDay = start;
  run.endDay = end;
  run.zoneText = "GMT";
  return run;
}

void BM_WorldJupiterSaturn100Years(benchmark::State& st) {
  Measure(st, Run(true, Jupiter, Saturn, DayOf(1950, 1, 1), DayOf(2049, 12, 31)));
}
BENCHMARK(BM_WorldJupiterSaturn100Years)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_WorldSunMercury10Years(benchmark::State& st) {
  RunDescription run = Run(true, Sun, Mercury, DayOf(2020, 1, 1), DayOf(2029, 12, 31));
  run.orbs.Set(5, 3, 1);
  Measure(st, run);
}
BENCHMARK(BM_WorldSunMercury10Years)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_PersonalOneYearToNatalPoint(benchmark::State& st) {
  const auto body = static_cast<BodyIndex>(st.range(0));
  Measure(st, Run(false, body, Sun, DayOf(2024, 1, 1), DayOf(2024, 12, 31)));
  st.SetLabel(BodyNames[body]);
}
BENCHMARK(BM_PersonalOneYearToNatalPoint)->DenseRange(1, 9)->Unit(benchmark::kMillisecond);

}  // namespace
