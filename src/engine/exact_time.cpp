#include "engine/exact_time.h"

#include "engine/midnight_longitudes.h"
#include "engine/roots.h"

#include <cmath>

#include "calendar/date_format.h"
#include "engine/positions.h"

namespace skyloom {
namespace {

// An angle taken into (-pi, pi].
double WrapToHalfCircle(double x) {
  while (x > Pi) x -= TwoPi;
  while (x <= -Pi) x += TwoPi;
  return x;
}

}  // namespace

int AspectSide(double la, double lb) { return WrapToHalfCircle(la - lb) >= 0 ? 1 : -1; }

double SignedAspectDeviation(double la, double lb, AspectIndex aspect, int side) {
  // How far the first body leads the second, less the angle on that side.
  // Conjunction and opposition have one side only; the opposition's
  // deviation wraps through +-pi rather than through zero.
  return WrapToHalfCircle(WrapToHalfCircle(la - lb) - side * AspectTable[aspect].Angle);
}

double PairDeviation::Value(double jd) {
  // Only asked for within days where both bodies have positions.
  const double la = positions_.Longitude(run_.bodies[0], jd, run_.zodiac).longitude;
  const double lb = run_.world ? positions_.Longitude(run_.bodies[1], jd, run_.zodiac).longitude : run_.natalLongitude;
  return SignedAspectDeviation(la, lb, aspect_, side_);
}

double PairDeviation::Slope(double jd) {
  double speedA = 0, speedB = 0;
  positions_.Longitude(run_.bodies[0], jd, run_.zodiac, speedA);
  if (run_.world) positions_.Longitude(run_.bodies[1], jd, run_.zodiac, speedB);
  return speedA - speedB;
}

double PairDeviation::MinuteEdge(double jd) { return NearestMinuteEdge(Instant{jd}, ZoneOf(run_)).ut; }

std::optional<double> PairDeviation::FittedZero(double a, double b, double va, double vb) {
  const BodyIndex first = run_.bodies[0], second = run_.bodies[1];
  if (!midnights_ || !midnights_->TimesRootsOnFits(first, a) ||
      (run_.world && !midnights_->TimesRootsOnFits(second, a)))
    return std::nullopt;
  // Within the sum of both longitudes' bounds of the ephemeris' deviation.
  auto fitted = [&](double jd, double& bound) {
    const FittedLongitude fa = midnights_->RootFitAt(first, jd);
    const FittedLongitude fb =
        run_.world ? midnights_->RootFitAt(second, jd) : FittedLongitude{true, run_.natalLongitude, 0};
    if (!fa.known || !fb.known) return std::nan("");
    bound = fa.bound + fb.bound;
    return SignedAspectDeviation(fa.longitude, fb.longitude, aspect_, side_);
  };
  return FittedRootMinute(fitted, a, b, va, vb, [&](double jd) { return MinuteEdge(jd); });
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
