#include "support/independent.h"

#include <swephexp.h>

#include <algorithm>
#include <cmath>

#include "calendar/date_format.h"
#include "engine/exact_time.h"
#include "support/angle_check.h"
#include "support/worst_error.h"

namespace skyloom::test {
namespace {

constexpr int32 kSweBody[] = {0,         SE_SUN,     SE_MERCURY, SE_VENUS, SE_MARS,      SE_JUPITER,   SE_SATURN,
                              SE_URANUS, SE_NEPTUNE, SE_PLUTO,   SE_MOON,  SE_TRUE_NODE, SE_MEAN_NODE, SE_CHIRON};
// By aspect number: the five major, then the six minor aspects.
constexpr double kAspectDegrees[] = {0, 0, 180, 90, 120, 60, 30, 45, 72, 135, 144, 150};
constexpr double kArcMinute = 1.0 / 60;
constexpr double kScanStep = 0.25;  // days
constexpr double kMinutesPerDay = 1440;

double Midnight(int32_t day, int16_t zone) { return day - 0.5 - zone / 1440.0; }

// Whether the pair is outside the orb at both midnights of the day.
bool OutsideAllDay(const IndependentRun& run, int32_t day, int16_t zone, double orb) {
  return IndependentDeviation(run, Midnight(day, zone)) >= orb &&
         IndependentDeviation(run, Midnight(day + 1, zone)) >= orb;
}

// Whether the row enters and leaves orb o on that day.
bool InAndOutOn(const TransitRowData& row, OrbIndex o, int32_t day) {
  return row.entry[o] && row.exit[o] && row.entry[o]->day == day && row.exit[o]->day == day;
}

// How far body A leads body B, in (-180, 180].
double Lead(const IndependentRun& run, double jd) {
  const double b = run.world ? EphemerisDegrees(run.bodyB, jd) : run.natalLongitude * kDegreesPerRadian;
  return WrappedDifferenceDegrees(EphemerisDegrees(run.bodyA, jd), b);
}

// Each side of each aspect: the lead that makes it exact.
struct Target {
  AspectIndex aspect;
  double lead;
};
constexpr Target kTargets[] = {{1, 0},   {2, 180},  {3, 90},   {3, -90},   {4, 120},  {4, -120}, {5, 60},
                               {5, -60}, {6, 30},   {6, -30},  {7, 45},    {7, -45},  {8, 72},   {8, -72},
                               {9, 135}, {9, -135}, {10, 144}, {10, -144}, {11, 150}, {11, -150}};

// The instant in [a, b] where f changes sign, to 1e-8 days.
template <typename F>
double SignChange(F f, double a, double b) {
  const bool negative = f(a) < 0;
  while (b - a > 1e-8) ((f((a + b) / 2) < 0) == negative ? a : b) = (a + b) / 2;
  return (a + b) / 2;
}

double Bisect(const IndependentRun& run, double lead, double a, double b) {
  return SignChange([&](double t) { return WrappedDifferenceDegrees(Lead(run, t), lead); }, a, b);
}

// The instant in [a, b] where sign * deviation is least.
double GoldenSection(const IndependentRun& run, double lead, double sign, double a, double b) {
  const double g = (std::sqrt(5.0) - 1) / 2;
  auto f = [&](double t) { return sign * WrappedDifferenceDegrees(Lead(run, t), lead); };
  while (b - a > 1e-8) {
    const double c = b - g * (b - a), d = a + g * (b - a);
    const bool left = f(c) < f(d);
    (left ? b : a) = left ? d : c;
  }
  return (a + b) / 2;
}

std::string Minute(double instant, int16_t zone) {
  const double local = instant + zone / 1440.0 + 0.5;
  const auto day = static_cast<int32_t>(std::floor(local));
  const int minutes = static_cast<int>((local - day) * kMinutesPerDay);
  char text[16];
  std::snprintf(text, sizeof text, " %02d:%02d", minutes / 60, minutes % 60);
  return FormatDayNumber(day) + text;
}

}  // namespace

double EphemerisDegrees(BodyIndex body, double jd, double* speed) {
  double xx[6];
  char err[AS_MAXCH];
  swe_set_interpolate_nut(0);
  swe_calc_ut(jd, kSweBody[body], SEFLG_SWIEPH | (speed ? SEFLG_SPEED : 0), xx, err);
  if (speed) *speed = xx[3];
  return xx[0];
}

double IndependentDeviation(const IndependentRun& run, double jd) {
  return std::fabs(std::fabs(Lead(run, jd)) - kAspectDegrees[run.aspect]);
}

std::vector<ScanMinimum> ScanMinima(IndependentRun run, double from, double to) {
  std::vector<double> t, lead;
  for (double x = from - kScanStep; x < to + kScanStep; x += kScanStep) {
    t.push_back(x);
    lead.push_back(Lead(run, x));
  }
  std::vector<ScanMinimum> found;
  auto keep = [&](AspectIndex aspect, double instant, double deviation) {
    if (instant >= from && instant < to) found.push_back({aspect, instant, deviation, deviation < kArcMinute});
  };
  for (const Target& target : kTargets) {
    auto g = [&](size_t i) { return WrappedDifferenceDegrees(lead[i], target.lead); };
    for (size_t i = 0; i + 1 < t.size(); ++i) {
      const double a = g(i), b = g(i + 1);
      // A change of sign near the target, not the wrap half a circle away.
      if (std::fabs(a) < 90 && ((a < 0 && b >= 0) || (a > 0 && b <= 0)))
        keep(target.aspect, Bisect(run, target.lead, t[i], t[i + 1]), 0);
      if (i == 0) continue;
      const double before = g(i - 1);
      // A least size between samples on one side of the target; the turn
      // of the deviation may still reach across it between samples.
      if (std::fabs(a) < 16 && std::fabs(a) <= std::fabs(before) && std::fabs(a) < std::fabs(b) &&
          (a < 0) == (before < 0) && (a < 0) == (b < 0)) {
        const double sign = a < 0 ? -1 : 1;
        const double turn = GoldenSection(run, target.lead, sign, t[i - 1], t[i + 1]);
        const double at = WrappedDifferenceDegrees(Lead(run, turn), target.lead);
        if ((at < 0) != (a < 0)) {
          keep(target.aspect, Bisect(run, target.lead, t[i - 1], turn), 0);
          keep(target.aspect, Bisect(run, target.lead, turn, t[i + 1]), 0);
        } else {
          keep(target.aspect, turn, std::fabs(at));
        }
      }
    }
  }
  std::sort(found.begin(), found.end(),
            [](const ScanMinimum& x, const ScanMinimum& y) { return x.instant < y.instant; });
  return found;
}

std::vector<std::string> VerifyRun(const RunResult& result, WorstError& exactMinutes) {
  std::vector<std::string> problems;
  const auto zone = static_cast<int16_t>(result.zone.OffsetSecondsAt({}) / 60);
  IndependentRun run{result.world, result.bodies[0], result.bodies[1], result.natalLongitude, 1, zone};
  const bool pluto = run.bodyA == Pluto || (run.world && run.bodyB == Pluto);
  const double from = Midnight(result.startDay, zone), to = Midnight(result.endDay + 1, zone);
  const std::vector<ScanMinimum> scan = ScanMinima(run, from, to);
  // The first local midnight with positions of both bodies (Pluto's too).
  double firstJudged = from;
  for (int32_t d = result.startDay; pluto && firstJudged < FirstTableDay - 0.5; ++d) firstJudged = Midnight(d, zone);
  const std::string pairName = BodyName(run.bodyA) + (run.world ? "-" : "-natal ") + BodyName(run.bodyB);
  const std::string pair = pairName + ": ";

  // The nearest minute lies within half a minute of the instant, and as far
  // again as Pluto's table, up to 0.5" off the ephemeris, moves a slow pair.
  auto tolerance = [&](const ScanMinimum& m) {
    double minutes = 0.5 + 2e-3;
    if (pluto) {
      const double h = 1.0 / 24;
      const double speed =
          std::fabs(WrappedDifferenceDegrees(Lead(run, m.instant + h), Lead(run, m.instant - h))) / (2 * h);
      minutes += 0.5 / 3600 / std::max(speed, 1e-9) * kMinutesPerDay;
    }
    return minutes;
  };

  std::vector<bool> reported(scan.size(), false);
  int row = 0;
  std::vector<TransitRowData> rows;
  for (const TransitRecord& transit : result.transits)
    rows.insert(rows.end(), transit.passes.begin(), transit.passes.end());
  for (const TransitRowData& data : rows) {
    ++row;
    run.aspect = data.aspect;
    auto complain = [&](const std::string& what) {
      problems.push_back(pair + "row " + std::to_string(row) + " (" + AspectTable[data.aspect].Name + "): " + what);
    };
    // An orb crossing's minute is the nearest one, within the day of its date.
    auto checkCrossing = [&](const DateMark& mark, double orb, bool entry, const char* what) {
      if (!mark.crossing) {
        complain(std::string(what) + " on " + FormatDayNumber(mark.day) + " has no minute");
        return;
      }
      const double at = InstantOf(*mark.crossing).ut;
      const double from = Midnight(mark.day, zone), to = Midnight(mark.day + 1, zone);
      if (at < from - 0.5 / kMinutesPerDay || at > to + 0.5 / kMinutesPerDay) {
        complain(std::string(what) + " at " + Minute(at, zone) + " is not on " + FormatDayNumber(mark.day));
        return;
      }
      auto beyond = [&](double t) { return IndependentDeviation(run, t) - orb; };
      const double span = 30.0 / kMinutesPerDay;
      const double a = std::max(from, at - span), b = std::min(to, at + span);
      if ((beyond(a) >= 0) == (beyond(b) >= 0) || (beyond(a) >= 0) != entry) {
        complain(std::string(what) + " at " + Minute(at, zone) + " is no crossing of the orb");
        return;
      }
      const double crossing = SignChange(beyond, a, b);
      const std::string where = pairName + " " + AspectTable[data.aspect].Name + " " + what + " " + Minute(at, zone);
      exactMinutes.Note((at - crossing) * kMinutesPerDay, tolerance({data.aspect, crossing, 0, true}), where);
    };
    for (OrbIndex o = 0; o < 3; ++o) {
      const double orb = result.orbDegrees[o];
      // An inner orb passed between two midnights has that day as both dates.
      auto passedOn = [&](int32_t d) {
        return o > 0 && InAndOutOn(data, o, d) && data.minimum && data.minimum->exact && data.minimum->day == d &&
               OutsideAllDay(run, d, zone, orb);
      };
      // An orb date is the day between whose midnights the pair crosses it.
      auto checkDay = [&](const std::optional<DateMark>& mark, bool entry) {
        if (!mark) return;
        checkCrossing(*mark, orb, entry, entry ? "entry" : "exit");
        const int32_t d = mark->day;
        const bool crossed = (IndependentDeviation(run, Midnight(d, zone)) >= orb) == entry &&
                             (IndependentDeviation(run, Midnight(d + 1, zone)) < orb) == entry;
        if (!crossed && !passedOn(d))
          complain((entry ? "entry into orb " : "exit from orb ") + std::to_string(o) + " is not on " +
                   FormatDayNumber(d));
      };
      checkDay(data.entry[o], true);
      checkDay(data.exit[o], false);
    }
    if (!data.minimum) continue;
    const MinimumRecord& m = *data.minimum;
    if (m.exact) {
      // The printed local date and minute follow from the instant.
      const double local = m.instant.ut + zone / 1440.0 + 0.5;
      const auto localMinute = static_cast<int64_t>(std::llround(local * kMinutesPerDay));
      if (localMinute / 1440 != m.day || localMinute % 1440 != m.minuteOfDay)
        complain("local date or minute does not follow from the instant");
      // The nearest exact aspect of the scan must lie within the tolerance.
      size_t nearest = scan.size();
      for (size_t i = 0; i < scan.size(); ++i)
        if (scan[i].aspect == data.aspect && scan[i].exact &&
            (nearest == scan.size() ||
             std::fabs(m.instant.ut - scan[i].instant) < std::fabs(m.instant.ut - scan[nearest].instant)))
          nearest = i;
      if (nearest == scan.size()) {
        complain("exact " + Minute(m.instant.ut, zone) + " is no exact aspect of the scan");
        continue;
      }
      const ScanMinimum& s = scan[nearest];
      const std::string where = pairName + " " + AspectTable[data.aspect].Name + " " + Minute(m.instant.ut, zone);
      if (exactMinutes.Note((m.instant.ut - s.instant) * kMinutesPerDay, tolerance(s), where)) {
        reported[nearest] = true;
        // And conversely, such an orb has that day as its entry and exit.
        const auto day = static_cast<int32_t>(std::floor(s.instant + zone / 1440.0 + 0.5));
        for (OrbIndex o = 1; o < 3; ++o)
          if (OutsideAllDay(run, day, zone, result.orbDegrees[o]) && !InAndOutOn(data, o, day))
            complain("orb " + std::to_string(o) + " passed on " + FormatDayNumber(day) +
                     " is not entered and left that day");
      }
    } else {
      // A least size the scan found, or the first midnight, already separating.
      const double size = m.deviation * kDegreesPerRadian;
      bool matched = std::fabs(m.instant.ut - firstJudged) < 1e-9 &&
                     std::fabs(IndependentDeviation(run, firstJudged) - size) < (pluto ? 1.0 : 0.1) / 3600;
      for (const ScanMinimum& s : scan)
        if (s.aspect == data.aspect && !s.exact && std::fabs(s.instant - m.instant.ut) < 0.01 &&
            std::fabs(s.deviation - size) < (pluto ? 1.0 : 0.1) / 3600)
          matched = true;
      if (!matched)
        complain("closest approach " + FormatAngle(m.deviation) + " on " + FormatDayNumber(m.day) +
                 " is no least deviation of the scan");
      const auto day = static_cast<int32_t>(std::floor(m.instant.ut + zone / 1440.0 + 0.5));
      if (day != m.day) complain("closest approach's date is not that of its instant");
    }
  }
  // Every exact aspect of the scan the run looked for is in the table.
  for (size_t i = 0; i < scan.size(); ++i)
    if (scan[i].exact && !reported[i] && result.aspects.Has(scan[i].aspect))
      problems.push_back(pair + AspectTable[scan[i].aspect].Name + " exact at " + Minute(scan[i].instant, zone) +
                         " is missing from the table");
  // And every least deviation of the scan that falls on a day with a
  // midnight inside the outer orb lies within a transit of its aspect in the
  // table, from its entry to its exit (or the period's ends): none is left
  // out for want of an exact aspect.
  for (const ScanMinimum& s : scan) {
    const auto day = static_cast<int32_t>(std::floor(s.instant + zone / 1440.0 + 0.5));
    run.aspect = s.aspect;
    if (s.exact || !result.aspects.Has(s.aspect) || OutsideAllDay(run, day, zone, result.orbDegrees[0])) continue;
    bool held = false;
    for (const TransitRecord& transit : result.transits) {
      if (transit.aspect != s.aspect) continue;
      int32_t first = result.startDay, last = result.endDay;
      for (const TransitRowData& data : transit.passes) {
        if (data.entry[0]) first = data.entry[0]->day;
        if (data.exit[0]) last = data.exit[0]->day;
      }
      held = held || (first <= day && day <= last);
    }
    if (!held)
      problems.push_back(pair + AspectTable[s.aspect].Name + " within its outer orb on " + FormatDayNumber(day) +
                         " is in no transit of the table");
  }
  return problems;
}

void ExpectIndependentlyRight(const RunResult& result, WorstError& exactMinutes) {
  for (const std::string& problem : VerifyRun(result, exactMinutes)) ADD_FAILURE() << problem;
}

}  // namespace skyloom::test
