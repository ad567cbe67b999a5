#include "engine/exact_time.h"

#include <cmath>
#include <utility>
#include <vector>

#include "calendar/date_format.h"
#include "engine/positions.h"
#include "ports/ephemeris.h"
#include "ports/window.h"

namespace skyloom {
namespace {

constexpr int kMinutesPerDay = 1440;

double SecondLongitude(const FormState& state, BodyIndex body, double jd) {
  return state.WorldRun ? BodyLongitude(body, jd) : state.NatalLongitude[body];
}

double Deviation(double la, double lb, AspectIndex aspect) {
  return std::fabs(AngularSeparation(la, lb) - AspectTable[aspect].Angle);
}

std::string TwoDigits(int value) {
  std::string text(2, '0');
  text[0] = static_cast<char>('0' + value / 10 % 10);
  text[1] = static_cast<char>('0' + value % 10);
  return text;
}

}  // namespace

bool RetroState(const FormState& state, int32_t day, BodyIndex body) {
  if (state.ShowAllMode && state.WorldRun) return false;
  return IsRetrograde(body, LocalMidnight(day, state.ZoneMinutes));
}

bool RetroState(const FormState& state, int32_t day, BodyIndex body, double longitudeAtMidnight) {
  if (state.ShowAllMode && state.WorldRun) return false;
  return RetroCheck(body, longitudeAtMidnight, LocalMidnight(day, state.ZoneMinutes));
}

std::string RetroMark(const FormState& state, int32_t day, BodyIndex body) {
  return RetroState(state, day, body) ? "r" : "";
}

double DeviationAt(const FormState& state, double jd, AspectIndex aspect) {
  return Deviation(BodyLongitude(state.RunBodies[0], jd), SecondLongitude(state, state.RunBodies[1], jd),
                   aspect);
}

namespace {

// The deviation at each minute of the span from the local midnight starting
// day - 1 (step 0) to the one starting day + 1 (step 2880), each minute
// evaluated at most once.
class MinuteDeviation {
 public:
  MinuteDeviation(const FormState& state, int32_t day, BodyIndex body, BodyIndex secondBody, AspectIndex aspect)
      : state_(state), body_(body), second_(secondBody), aspect_(aspect),
        start_(LocalMidnight(day - 1, state.ZoneMinutes)) {}

  double Start() const { return start_; }
  double Instant(int step) const { return start_ + static_cast<double>(step) / kMinutesPerDay; }
  double At(int step) {
    const Longitudes l = Positions(step);
    return Deviation(l.body, l.second, aspect_);
  }
  // Motion of the first body relative to the second, radians a day, from
  // the minute at step on (positions at step and step + 1).
  double RelativeSpeed(int step) {
    const Longitudes l0 = Positions(step), l1 = Positions(step + 1);
    double d = l1.body - l0.body;
    if (state_.WorldRun) d -= l1.second - l0.second;
    while (d > Pi) d -= TwoPi;
    while (d < -Pi) d += TwoPi;
    return d * kMinutesPerDay;
  }

 private:
  struct Longitudes {
    double body, second;
  };
  // Both positions at a minute, each minute computed once: the bisection and
  // the speed checks ask for some minutes more than once; the full walk asks
  // for each once and keeps nothing.
  Longitudes Positions(int step) {
    for (const auto& [s, l] : seen_)
      if (s == step) return l;
    const double t = Instant(step);
    const Longitudes l{BodyLongitude(body_, t),
                       state_.WorldRun ? BodyLongitude(second_, t) : state_.NatalLongitude[second_]};
    if (seen_.size() < kRemembered) seen_.emplace_back(step, l);
    return l;
  }

  const FormState& state_;
  BodyIndex body_, second_;
  AspectIndex aspect_;
  double start_;
  static constexpr size_t kRemembered = 64;
  std::vector<std::pair<int, Longitudes>> seen_;
};

std::optional<MinimumRecord> ExactRecord(const FormState& state, int32_t day, BodyIndex body, double best,
                                         int bestStep, double start) {
  if (best >= ExactThreshold) return std::nullopt;
  MinimumRecord minimum;
  minimum.exact = true;
  minimum.day = day - 1 + bestStep / kMinutesPerDay;
  minimum.minuteOfDay = static_cast<int16_t>(bestStep % kMinutesPerDay);
  minimum.instantUt = start + static_cast<double>(bestStep) / kMinutesPerDay;
  minimum.retrograde = RetroState(state, minimum.day + 1, body);
  minimum.zoneMinutes = state.ZoneMinutes;
  minimum.zoneText = state.window.Text(Ctl(ControlName::cboTimezone, 0));
  return minimum;
}

constexpr int kLastStep = 2 * kMinutesPerDay;
// Relative motion below this (radians a day, about 0.001 degrees) may hide
// a turning point; the search then walks every minute.
constexpr double kSteadyMotion = 1.7e-5;

}  // namespace

// The minute decided is only as good as the positions: they are computed
// with the full nutation series here, where the few positions asked for
// make its cost small.
class FullNutation {
 public:
  FullNutation() { set_interpolated_nutation(false); }
  ~FullNutation() { set_interpolated_nutation(true); }
  FullNutation(const FullNutation&) = delete;
  FullNutation& operator=(const FullNutation&) = delete;
};

std::optional<MinimumRecord> FindExactTimeByMinuteScan(const FormState& state, int32_t day, BodyIndex body,
                                                       BodyIndex secondBody, AspectIndex aspect) {
  const FullNutation precise;
  // The daily samples only say that the minimum lies between the local
  // midnights before and after the one starting day; the walk covers exactly
  // that span, in whole minutes of local time.
  MinuteDeviation dev(state, day, body, secondBody, aspect);
  double best = 10.0;
  int bestStep = 0;
  for (int step = 0;; ++step) {
    const double d = dev.At(step);
    if (d < best) {
      best = d;
      bestStep = step;
    }
    if (d > best || step >= kLastStep) break;
  }
  return ExactRecord(state, day, body, best, bestStep, dev.Start());
}

std::optional<MinimumRecord> FindExactTime(const FormState& state, int32_t day, BodyIndex body,
                                           BodyIndex secondBody, AspectIndex aspect) {
  const FullNutation precise;
  // While the relative longitude moves one way over the whole span, the
  // deviation falls to a single minimum and rises after it, so the minute
  // the walk stops at is the minute of least deviation: found by bisecting
  // on the slope. Near a station the walk itself decides.
  MinuteDeviation dev(state, day, body, secondBody, aspect);
  const double v0 = dev.RelativeSpeed(0), v1 = dev.RelativeSpeed(kMinutesPerDay),
               v2 = dev.RelativeSpeed(kLastStep - 1);
  const bool steady = (v0 > kSteadyMotion && v1 > kSteadyMotion && v2 > kSteadyMotion) ||
                      (v0 < -kSteadyMotion && v1 < -kSteadyMotion && v2 < -kSteadyMotion);
  if (!steady) return FindExactTimeByMinuteScan(state, day, body, secondBody, aspect);
  int lo = 0, hi = kLastStep;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (dev.At(mid + 1) < dev.At(mid)) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return ExactRecord(state, day, body, dev.At(lo), lo, dev.Start());
}

std::string ExactTimeText(const MinimumRecord& minimum) {
  return MinimumDateText(minimum) + MinimumValueText(minimum);
}

std::string FormatTimeOfDay(double dayFraction, bool rounding, std::string_view separator) {
  if (!(dayFraction >= 0.0 && dayFraction < 1.0)) return {};
  const auto seconds = static_cast<int>(std::floor(dayFraction * 86400.0));
  const int sec = seconds % 60;
  int minute = seconds / 60 % 60;
  int hour = seconds / 3600;
  std::string text;
  if (rounding) {
    if (sec >= 30) {
      ++minute;
      if (minute == 60) {
        // Rounding never moves the time into the next day.
        if (hour == 23) {
          minute = 59;
        } else {
          minute = 0;
          ++hour;
        }
      }
    }
    text = TwoDigits(hour);
    text += separator;
    text += TwoDigits(minute);
  } else {
    text = TwoDigits(hour);
    text += separator;
    text += TwoDigits(minute);
    text += separator;
    text += TwoDigits(sec);
  }
  return text;
}

std::pair<std::string, std::string> SplitExactText(std::string_view text) {
  size_t p = text.find('r');
  if (p == std::string_view::npos) p = text.find('*');
  if (p == std::string_view::npos) return {std::string(text), {}};
  return {std::string(text.substr(0, p + 1)), std::string(text.substr(p + 1))};
}

int16_t DeviationAfterMidnight(const FormState& state, double jd, AspectIndex aspect, double minDeviation) {
  const double dev = DeviationAt(state, jd + 1.0 / 48, aspect);
  if (dev > minDeviation) return 1;
  if (dev == minDeviation) return 0;
  return -1;
}

std::string MinimumDate(const FormState& state, int32_t& day, AspectIndex aspect, double minDeviation) {
  // Half an hour after the best midnight, a growing deviation puts the
  // closest approach before that midnight, on the local day that ends there.
  if (DeviationAfterMidnight(state, LocalMidnight(day, state.ZoneMinutes), aspect, minDeviation) > 0) --day;
  return FormatDayNumber(day);
}

void RecordNearMiss(FormState& state, int32_t row, int32_t minDay, AspectIndex aspect, double minDeviation) {
  int32_t day = minDay;
  MinimumDate(state, day, aspect, minDeviation);
  MinimumRecord minimum;
  minimum.exact = false;
  minimum.day = day;
  minimum.retrograde = RetroState(state, day + 1, state.RunBodies[0]);
  minimum.deviation = minDeviation;
  state.Table.SetMinimum(row, aspect, minimum);
}

std::string FormatAngle(double radians) {
  double x = radians;
  if (std::fabs(x) < 0.000001) x = 0;
  if (!(x >= 0 && x < TwoPi)) return {};
  const double degrees = x / TwoPi * 360.0;
  auto d = static_cast<int>(std::floor(degrees + 0.00001));
  auto m = static_cast<int>(std::nearbyint((degrees - d) * 60.0));
  if (m == 60) {
    if (d == 359) {
      m = 59;
    } else {
      ++d;
      m = 0;
    }
  }
  return std::to_string(d) + "°" + std::to_string(m) + "'";
}

}  // namespace skyloom
