// Cost of a position: a body's longitude against the bare Swiss Ephemeris
// call for the same body and instants, with its speed, the Pluto table, and
// the separation.
#include <benchmark/benchmark.h>
#include <swephexp.h>

#include "bench_session.h"
#include "engine/longitude_fits.h"
#include "ports/ephemeris.h"

namespace {

using namespace skyloom;
using bench::TheSession;

// Instants a day apart, as the daily walk asks for them.
constexpr double kStart = 2459200.5;
constexpr double kStep = 1.0;

void BM_BodyLongitude(benchmark::State& state) {
  const BodyPositions& p = TheSession().positions;
  const auto body = static_cast<BodyIndex>(state.range(0));
  double t = kStart;
  for (auto _ : state) {
    benchmark::DoNotOptimize(p.Longitude(body, t, Zodiac::Tropical));
    t += kStep;
  }
  state.SetLabel(BodyNames[body]);
}
BENCHMARK(BM_BodyLongitude)->DenseRange(1, 10);

void BM_BareSwissEphemeris(benchmark::State& state) {
  TheSession();
  static constexpr int32 kSweBody[] = {0,         SE_SUN,    SE_MERCURY, SE_VENUS, SE_MARS, SE_JUPITER,
                                       SE_SATURN, SE_URANUS, SE_NEPTUNE, SE_PLUTO, SE_MOON};
  const auto body = static_cast<int>(state.range(0));
  double t = kStart;
  double xx[6];
  char err[AS_MAXCH];
  for (auto _ : state) {
    swe_calc_ut(t, kSweBody[body], SEFLG_SWIEPH, xx, err);
    benchmark::DoNotOptimize(xx[0]);
    t += kStep;
  }
  state.SetLabel(BodyNames[body]);
}
BENCHMARK(BM_BareSwissEphemeris)->DenseRange(1, 10);

// The same positions with the nutation from fits (as a batch of charts or a
// series asks for them), over one year again and again as a batch's runs
// go over their period: the fits are made in the first year's pass.
void BM_BodyLongitudeFittedNutation(benchmark::State& state) {
  const BodyPositions& p = TheSession().positions;
  const auto body = static_cast<BodyIndex>(state.range(0));
  UseFittedNutation(true);
  int64_t day = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(p.Longitude(body, kStart + static_cast<double>(day % 365) * kStep, Zodiac::Tropical));
    ++day;
  }
  UseFittedNutation(false);
  state.SetLabel(BodyNames[body]);
}
BENCHMARK(BM_BodyLongitudeFittedNutation)->DenseRange(1, 10);

// The same positions with their speeds, as the exact-time search asks for
// them at turning points.
void BM_BodyLongitudeWithSpeed(benchmark::State& state) {
  const BodyPositions& p = TheSession().positions;
  const auto body = static_cast<BodyIndex>(state.range(0));
  double t = kStart;
  double speed = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(p.Longitude(body, t, Zodiac::Tropical, speed));
    t += kStep;
  }
  state.SetLabel(BodyNames[body]);
}
BENCHMARK(BM_BodyLongitudeWithSpeed)->Arg(1)->Arg(5)->Arg(6)->Arg(9);

void BM_AngularSeparation(benchmark::State& state) {
  double a = 0.3, b = 6.1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(AngularSeparation(a, b));
    a += 1e-3;
    if (a > TwoPi) a -= TwoPi;
  }
}
BENCHMARK(BM_AngularSeparation);

// A fitted longitude, once its span is made: what a decision costs where
// the fit settles it.
void BM_FittedLongitude(benchmark::State& state) {
  LongitudeFits fits(TheSession().positions, Zodiac::Tropical);
  const auto body = static_cast<BodyIndex>(state.range(0));
  double t = kStart;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fits.At(body, t));
    t += 0.37;
    if (t > kStart + 64) t = kStart;
  }
  state.SetLabel(BodyNames[body]);
}
BENCHMARK(BM_FittedLongitude)->Arg(1)->Arg(2)->Arg(6)->Arg(10);

// Reading the Pluto table whole, with every check of its records.
void BM_LoadPlutoTable(benchmark::State& state) {
  for (auto _ : state) {
    PlutoTable table;
    std::string error;
    benchmark::DoNotOptimize(table.Load(ExecutableFolder() + PlutoFileName, error));
  }
}
BENCHMARK(BM_LoadPlutoTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
