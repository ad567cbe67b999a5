#include "support/independent.h"

#include <swephexp.h>

#include <cmath>
#include <sstream>

#include "calendar/date_format.h"

namespace skyloom::test {
namespace {

constexpr int32 kSweBody[] = {0, SE_SUN, SE_MERCURY, SE_VENUS, SE_MARS, SE_JUPITER,
                              SE_SATURN, SE_URANUS, SE_NEPTUNE, SE_PLUTO, SE_MOON};
constexpr double kAspectDegrees[] = {0, 0, 180, 90, 120, 60};

// The library's full nutation series, whatever the program has set.
double LongitudeDegrees(BodyIndex body, double jd) {
  double xx[6];
  char err[AS_MAXCH];
  swe_set_interpolate_nut(0);
  swe_calc_ut(jd, kSweBody[body], SEFLG_SWIEPH, xx, err);
  swe_set_interpolate_nut(1);
  return xx[0];
}

double Midnight(int32_t day, int16_t zone) { return day - 0.5 - zone / 1440.0; }

}  // namespace

double IndependentDeviation(const IndependentRun& run, double jd) {
  const double a = LongitudeDegrees(run.bodyA, jd);
  const double b = run.world ? LongitudeDegrees(run.bodyB, jd) : run.natalLongitude * 180.0 / M_PI;
  double sep = std::fabs(std::fmod(a - b + 720.0, 360.0));
  if (sep > 180.0) sep = 360.0 - sep;
  return std::fabs(sep - kAspectDegrees[run.aspect]);
}

double IndependentMinimum(const IndependentRun& run, double from, double to) {
  const double g = (std::sqrt(5.0) - 1) / 2;
  double a = from, b = to;
  double c = b - g * (b - a), d = a + g * (b - a);
  while (b - a > 1e-7) {
    if (IndependentDeviation(run, c) < IndependentDeviation(run, d)) {
      b = d;
    } else {
      a = c;
    }
    c = b - g * (b - a);
    d = a + g * (b - a);
  }
  return (a + b) / 2;
}

std::vector<std::string> VerifyTable(const FormState& state, bool world, double natalLongitude) {
  std::vector<std::string> problems;
  const TransitTable& t = state.Table;
  for (int32_t row = FirstTransitRow; row < t.RowCount() && !t.RowIsEmpty(row); ++row) {
    const TransitRowData& data = t.Data(row);
    IndependentRun run{world, state.RunBodies[0], state.RunBodies[1], natalLongitude, data.aspect,
                       state.ZoneMinutes};
    auto complain = [&](const std::string& what) {
      std::ostringstream text;
      text << "row " << row << " (" << AspectTable[data.aspect].Name << "): " << what;
      problems.push_back(text.str());
    };
    for (OrbIndex o = 0; o < 3; ++o) {
      const double orb = state.Orbs.OrbDegrees[o];
      if (data.entry[o]) {
        const int32_t d = data.entry[o]->day;
        if (!(IndependentDeviation(run, Midnight(d, run.zoneMinutes)) >= orb &&
              IndependentDeviation(run, Midnight(d + 1, run.zoneMinutes)) < orb))
          complain("entry into orb " + std::to_string(o) + " is not on " + FormatDayNumber(d));
      }
      if (data.exit[o]) {
        const int32_t d = data.exit[o]->day;
        if (!(IndependentDeviation(run, Midnight(d, run.zoneMinutes)) < orb &&
              IndependentDeviation(run, Midnight(d + 1, run.zoneMinutes)) >= orb))
          complain("exit from orb " + std::to_string(o) + " is not on " + FormatDayNumber(d));
      }
    }
    if (data.minimum && data.minimum->exact) {
      const MinimumRecord& m = *data.minimum;
      const double truth = IndependentMinimum(run, m.instantUt - 0.5, m.instantUt + 0.5);
      const double offMinutes = (m.instantUt - truth) * 1440.0;
      if (std::fabs(offMinutes) > 0.5 + 1e-3)
        complain("exact minute " + FormatDayNumber(m.day) + " is " + std::to_string(offMinutes) +
                 " minutes from the true instant");
      if (IndependentDeviation(run, truth) > 1.0 / 60)
        complain("the minimum reported exact is " + std::to_string(IndependentDeviation(run, truth) * 60) + "'");
      // The printed local date and minute follow from the instant.
      const double local = m.instantUt + run.zoneMinutes / 1440.0 + 0.5;
      const auto localMinute = static_cast<int64_t>(std::llround(local * 1440.0));
      if (localMinute / 1440 != m.day || localMinute % 1440 != m.minuteOfDay)
        complain("local date or minute does not follow from the instant");
    }
  }
  return problems;
}

}  // namespace skyloom::test
