// Whole runs of the engine: a 100-year world run of Jupiter and Saturn, ten
// and 1200 years of the Sun and Mercury, one-year personal runs of each
// transiting body (the Moon too) against a natal point, and series that share their daily
// samples: Jupiter with every other body over 100 years, and the whole natal
// chart of a year (every transiting body to every natal body).
// Reports the positions each run evaluates and the time per evaluation, so
// the engine's own share of the run can be read off. The benchmarks that
// take an argument run with the longitudes' fits (1) and without them (0),
// deciding everything on the ephemeris, with the spans fitted beside.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_session.h"

namespace {

using namespace skyloom;
using bench::DayOf;
using bench::TheSession;

using Series = std::vector<RunDescription>;

// Series one after the other, the runs of each with one set of daily
// samples, freed at the series' end.
void Measure(benchmark::State& st, const std::vector<Series>& series, bool fits = true) {
  const BodyPositions& positions = TheSession().positions;
  bench::TakeEverything observer;
  uint64_t evaluations = 0, spans = 0;
  for (auto _ : st) {
    const uint64_t before = positions.Evaluations();
    for (const Series& runs : series) {
      MidnightLongitudes midnights(positions, runs.front().zone, runs.front().zodiac);
      midnights.UseFits(fits);
      for (const RunDescription& run : runs) {
        TransitTable table;
        table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
        RunResult result = ResultOf(run);
        SearchTransits(run, midnights, table, result, observer);
      }
      spans += midnights.Fits().SpansMade();
    }
    evaluations += positions.Evaluations() - before;
  }
  st.counters["positions"] = benchmark::Counter(static_cast<double>(evaluations) / st.iterations());
  st.counters["fitted_spans"] = benchmark::Counter(static_cast<double>(spans) / st.iterations());
  st.counters["ns_per_position"] =
      benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Measure(benchmark::State& st, const RunDescription& run, bool fits = true) { Measure(st, {Series{run}}, fits); }

RunDescription Run(bool world, BodyIndex a, BodyIndex b, int32_t start, int32_t end) {
  RunDescription run;
  run.world = world;
  run.bodies = {a, b};
  run.natalLongitude = world ? 0.0 : 1.0;
  run.startDay = start;
  run.endDay = end;
  run.zone = Zone::Fixed(0, "GMT");
  return run;
}

void BM_WorldJupiterSaturn100Years(benchmark::State& st) {
  Measure(st, Run(true, Jupiter, Saturn, DayOf(1950, 1, 1), DayOf(2049, 12, 31)), st.range(0) != 0);
}
BENCHMARK(BM_WorldJupiterSaturn100Years)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(3);

// The Sun and Mercury over the same century with orbs of 10, 5 and 3
// degrees: Mercury's retrograde loops, three passes at a time.
void BM_WorldSunMercury100Years(benchmark::State& st) {
  RunDescription run = Run(true, Sun, Mercury, DayOf(1950, 1, 1), DayOf(2049, 12, 31));
  run.orbs.Set(10, 5, 3);
  Measure(st, run, st.range(0) != 0);
}
BENCHMARK(BM_WorldSunMercury100Years)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2);

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

// The transiting Moon over a year to one natal point: about a hundred
// transits, each orb crossed within hours, every day of the year in some
// aspect's outer orb or near one.
void BM_PersonalMoonYearToNatalPoint(benchmark::State& st) {
  Measure(st, Run(false, Moon, Sun, DayOf(2024, 1, 1), DayOf(2024, 12, 31)));
}
BENCHMARK(BM_PersonalMoonYearToNatalPoint)->Unit(benchmark::kMillisecond);

// The same in a zone whose days are 23 and 25 hours long where the clocks
// change, each day's midnights found afresh.
void BM_PersonalMoonYearInANamedZone(benchmark::State& st) {
  RunDescription run = Run(false, Moon, Sun, DayOf(2024, 1, 1), DayOf(2024, 12, 31));
  run.zone = *Zone::Named("Europe/Berlin");
  Measure(st, run);
}
BENCHMARK(BM_PersonalMoonYearInANamedZone)->Unit(benchmark::kMillisecond);

void BM_WorldSunMercury1200Years(benchmark::State& st) {
  Measure(st, Run(true, Sun, Mercury, DayOf(1600, 1, 1), DayOf(2799, 12, 31)));
}
BENCHMARK(BM_WorldSunMercury1200Years)->Unit(benchmark::kMillisecond)->MinTime(2);

// The world Show-all series of Jupiter: Jupiter with each other body, the
// pair in list order, without retrograde marks.
void BM_WorldSeriesJupiter100Years(benchmark::State& st) {
  Series runs;
  for (BodyIndex other = Sun; other <= Pluto; ++other) {
    if (other == Jupiter) continue;
    RunDescription run =
        Run(true, std::min(other, Jupiter), std::max(other, Jupiter), DayOf(1950, 1, 1), DayOf(2049, 12, 31));
    run.retrogradeMarks = false;
    runs.push_back(run);
  }
  Measure(st, {runs});
}
BENCHMARK(BM_WorldSeriesJupiter100Years)->Unit(benchmark::kMillisecond)->MinTime(3);

// Every transiting body to every natal body over the years given, for a
// birth on 1985-07-04 at 06:05 GMT+5:30 (00:35 UT): one series a
// transiting body.
std::vector<Series> WholeChart(int32_t firstYear, int32_t lastYear) {
  const double birth = DayOf(1985, 7, 4) - 0.5 + 35.0 / 1440;
  std::vector<Series> series;
  for (BodyIndex transiting = Sun; transiting <= Pluto; ++transiting) {
    series.emplace_back();
    for (BodyIndex natal = Sun; natal <= Moon; ++natal) {
      RunDescription run = Run(false, transiting, natal, DayOf(firstYear, 1, 1), DayOf(lastYear, 12, 31));
      run.natalLongitude = TheSession().positions.Longitude(natal, birth, Zodiac::Tropical).longitude;
      series.back().push_back(run);
    }
  }
  return series;
}

void BM_WholeChart2024(benchmark::State& st) { Measure(st, WholeChart(2024, 2024), st.range(0) != 0); }
BENCHMARK(BM_WholeChart2024)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2);

// The same chart over a lifetime, 1985 to 2074.
void BM_WholeChartLifetime(benchmark::State& st) { Measure(st, WholeChart(1985, 2074), st.range(0) != 0); }
BENCHMARK(BM_WholeChartLifetime)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
