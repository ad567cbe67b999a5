// Whole runs through the in-memory window: a 100-year world run of Jupiter
// and Saturn, and one-year personal runs of each transiting body against a
// natal Sun. Reports the positions each run evaluates and the time per
// evaluation, so the engine's own share of the run can be read off.
#include <benchmark/benchmark.h>

#include <string>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "engine/bodies.h"
#include "engine/pluto_table.h"
#include "engine/positions.h"
#include "engine/transit_search.h"
#include "ports/calendar_library.h"
#include "ports/memory_window.h"

namespace {

using namespace skyloom;

int32_t DayOf(int32_t y, int32_t m, int32_t d) {
  CalendarDate date;
  date.Year = y;
  date.Month = m;
  date.Day = d;
  return date_to_day_number(date);
}

void InitOnce() {
  static const bool done = [] {
    InitDateNames();
    InitAstroTables();
    std::string error;
    return ReadPlutoData(nullptr, PlutoFileName, error);
  }();
  if (!done) throw std::runtime_error("pluto.ptb not found beside the benchmark");
}

struct BenchWindow {
  BenchWindow(bool world, BodyIndex a, BodyIndex b, int32_t start, int32_t end) {
    window.LoadDesign();
    window.SetValue(Ctl(world ? ControlName::optWorld : ControlName::optPersonal), 1);
    SetUpTimezoneComboBoxes(state, false);
    window.SetListIndex(Ctl(ControlName::cboTimezone, 0), GreenwichPosition);
    for (int16_t list = 0; list < 2; ++list)
      for (BodyIndex body = Sun; body <= Moon; ++body) window.AddItem(Ctl(ControlName::cboPlanet, list), BodyNames[body]);
    window.SetListIndex(Ctl(ControlName::cboPlanet, 0), static_cast<int16_t>(a - 1));
    window.SetListIndex(Ctl(ControlName::cboPlanet, 1), static_cast<int16_t>(b - 1));
    state.RunBodies = {a, b};
    state.Orbs.Set(10, 5, 2);
    state.RunStartDay = start;
    state.RunEndDay = end;
    state.ShowAllMode = true;  // no pop-up, no message box
  }
  MemoryWindow window;
  FormState state{window};
};

void Report(benchmark::State& st, uint64_t evaluations) {
  st.counters["positions"] = benchmark::Counter(static_cast<double>(evaluations) / st.iterations());
  st.counters["ns_per_position"] =
      benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WorldJupiterSaturn100Years(benchmark::State& st) {
  InitOnce();
  uint64_t evaluations = 0;
  for (auto _ : st) {
    BenchWindow b(true, Jupiter, Saturn, DayOf(1950, 1, 1), DayOf(2049, 12, 31));
    const uint64_t before = PositionEvaluationCount();
    RunTransits(b.state);
    evaluations += PositionEvaluationCount() - before;
  }
  Report(st, evaluations);
}
BENCHMARK(BM_WorldJupiterSaturn100Years)->Unit(benchmark::kMillisecond)->MinTime(3);

// A fast pair at the smallest orbs a series allows: every exact aspect of ten
// years, many of them inferior conjunctions where the pair moves fastest.
void BM_WorldSunMercury10Years(benchmark::State& st) {
  InitOnce();
  uint64_t evaluations = 0;
  for (auto _ : st) {
    BenchWindow b(true, Sun, Mercury, DayOf(2020, 1, 1), DayOf(2029, 12, 31));
    b.state.Orbs.Set(5, 3, 1);
    const uint64_t before = PositionEvaluationCount();
    RunTransits(b.state);
    evaluations += PositionEvaluationCount() - before;
  }
  Report(st, evaluations);
}
BENCHMARK(BM_WorldSunMercury10Years)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_PersonalOneYearToNatalSun(benchmark::State& st) {
  InitOnce();
  const auto body = static_cast<BodyIndex>(st.range(0));
  uint64_t evaluations = 0;
  for (auto _ : st) {
    BenchWindow b(false, body, Sun, DayOf(2024, 1, 1), DayOf(2024, 12, 31));
    b.state.NatalLongitude[Sun] = 1.0;
    const uint64_t before = PositionEvaluationCount();
    RunTransits(b.state);
    evaluations += PositionEvaluationCount() - before;
  }
  Report(st, evaluations);
  st.SetLabel(BodyNames[body]);
}
BENCHMARK(BM_PersonalOneYearToNatalSun)->DenseRange(1, 9)->Unit(benchmark::kMillisecond);

}  // namespace
