#include "engine/exact_time.h"

#include "engine/midnight_longitudes.h"
#include "engine/roots.h"

#include <cmath>

#include "calendar/date_format.h"
#include "engine/positions.h"

namespace skyloom {

double PairDeviation::Value(double jd) {
  // Only asked for within days where both bodies have positions.
  const double la = positions_.Longitude(run_.bodies[0], jd, run_.zodiac).longitude;
  const double lb = run_.world ? positions_.Longitude(run_.bodies[1], jd, run_.zodiac).longitude : run_.natalLongitude;
  return SignedAspectDeviation(la, lb, aspect_, side_);
}

double PairDeviation::Slope(double jd) {
  auto speed = [&](BodyIndex body) {
    if (midnights_ && &midnights_->Positions() == &positions_ && midnights_->Serves(ZoneOf(run_), run_.zodiac))
      return midnights_->Speed(body, jd);
    double s = 0;
    positions_.Longitude(body, jd, run_.zodiac, s);
    return s;
  };
  const double speedA = speed(run_.bodies[0]);
  return run_.world ? speedA - speed(run_.bodies[1]) : speedA;
}

double PairDeviation::MinuteEdge(double jd) { return NearestMinuteEdge(Instant{jd}, ZoneOf(run_)).ut; }

std::optional<double> PairDeviation::FittedZero(double a, double b, double va, double vb) {
  if (!midnights_ || !PairTimesRootsOnFits(run_, *midnights_, a)) return std::nullopt;
  auto fitted = [&](double jd, double& bound) {
    const PairFit pair = FittedPair(run_, *midnights_, jd);
    bound = pair.bound;
    return pair.known ? SignedAspectDeviation(pair.first, pair.second, aspect_, side_) : std::nan("");
  };
  return FittedRootMinute(
      fitted, a, b, va, vb, [&](double jd) { return MinuteEdge(jd); }, [&](double jd) { return Value(jd); });
}

PairFit FittedPair(const RunDescription& run, MidnightLongitudes& midnights, double jd) {
  const FittedLongitude a = midnights.RootFitAt(run.bodies[0], jd);
  const FittedLongitude b =
      run.world ? midnights.RootFitAt(run.bodies[1], jd) : FittedLongitude{true, run.natalLongitude, 0};
  if (!a.known || !b.known) return {};
  return {true, a.longitude, b.longitude, a.bound + b.bound};
}

bool PairTimesRootsOnFits(const RunDescription& run, MidnightLongitudes& midnights, double jd) {
  return midnights.TimesRootsOnFits(run.bodies[0], jd) &&
         (!run.world || midnights.TimesRootsOnFits(run.bodies[1], jd));
}

namespace {

// The records without their retrograde mark, which is that of the midnight
// ending their day.
MinimumRecord ExactRecord(const RunDescription& run, Instant instant) {
  const LocalMinute at = ToLocalMinute(instant, ZoneOf(run));
  MinimumRecord minimum;
  minimum.exact = true;
  minimum.day = at.day;
  minimum.minuteOfDay = at.minuteOfDay;
  minimum.instant = InstantOf(at);
  minimum.offsetSeconds = at.offsetSeconds;
  minimum.zoneText = run.zone.Text();
  return minimum;
}

MinimumRecord ApproachRecord(const RunDescription& run, double deviation, Instant instant) {
  MinimumRecord minimum;
  minimum.exact = false;
  minimum.day = LocalDay(instant, ZoneOf(run));
  minimum.instant = instant;
  minimum.deviation = deviation;
  return minimum;
}

bool MarkAt(const RunDescription& run, MidnightLongitudes& midnights, int32_t day) {
  return run.retrogradeMarks && midnights.Retrograde(run.bodies[0], day);
}

}  // namespace

MinimumRecord ExactMinimum(const RunDescription& run, MidnightLongitudes& midnights, Instant instant) {
  MinimumRecord minimum = ExactRecord(run, instant);
  minimum.retrograde = MarkAt(run, midnights, minimum.day + 1);
  return minimum;
}

MinimumRecord ClosestApproach(const RunDescription& run, MidnightLongitudes& midnights, double deviation,
                              Instant instant) {
  MinimumRecord minimum = ApproachRecord(run, deviation, instant);
  minimum.retrograde = MarkAt(run, midnights, minimum.day + 1);
  return minimum;
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
