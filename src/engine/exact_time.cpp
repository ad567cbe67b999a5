#include "engine/exact_time.h"

#include <cmath>

#include "calendar/date_format.h"
#include "engine/positions.h"

namespace skyloom {
namespace {

constexpr int kMinutesPerDay = 1440;

// An angle taken into (-pi, pi].
double WrapToHalfCircle(double x) {
  while (x > Pi) x -= TwoPi;
  while (x <= -Pi) x += TwoPi;
  return x;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

}  // namespace

bool RetroState(const RunDescription& run, const BodyPositions& positions, int32_t day) {
  if (!run.retrogradeMarks) return false;
  return positions.IsRetrograde(run.bodies[0], LocalMidnight(day, run.zoneMinutes), run.zodiac);
}

bool RetroState(const RunDescription& run, const BodyPositions& positions, int32_t day, double longitudeAtMidnight) {
  if (!run.retrogradeMarks) return false;
  return positions.RetroCheck(run.bodies[0], longitudeAtMidnight, LocalMidnight(day, run.zoneMinutes), run.zodiac);
}

int AspectSide(double la, double lb) { return WrapToHalfCircle(la - lb) >= 0 ? 1 : -1; }

double SignedAspectDeviation(double la, double lb, AspectIndex aspect, int side) {
  // How far the first body leads the second, less the angle on that side.
  // Conjunction and opposition have one side only; the opposition's
  // deviation wraps through +-pi rather than through zero.
  return WrapToHalfCircle(WrapToHalfCircle(la - lb) - side * AspectTable[aspect].Angle);
}

double PairDeviation::Value(double jd) {
  const double la = positions_.Longitude(run_.bodies[0], jd, run_.zodiac);
  const double lb = run_.world ? positions_.Longitude(run_.bodies[1], jd, run_.zodiac) : run_.natalLongitude;
  return SignedAspectDeviation(la, lb, aspect_, side_);
}

double PairDeviation::Slope(double jd) {
  double speedA = 0, speedB = 0;
  positions_.Longitude(run_.bodies[0], jd, run_.zodiac, speedA);
  if (run_.world) positions_.Longitude(run_.bodies[1], jd, run_.zodiac, speedB);
  return speedA - speedB;
}

LocalMinute NearestLocalMinute(double instant, int16_t zoneMinutes) {
  // Zones are whole minutes, so the nearest local minute is also the
  // nearest minute of Universal Time.
  const double localMinutes = std::nearbyint((instant + zoneMinutes / 1440.0 + 0.5) * kMinutesPerDay);
  const auto minutes = static_cast<int64_t>(localMinutes);
  LocalMinute at;
  at.day = static_cast<int32_t>(FloorDiv(minutes, kMinutesPerDay));
  at.minuteOfDay = static_cast<int16_t>(minutes - int64_t{at.day} * kMinutesPerDay);
  at.instantUt = localMinutes / kMinutesPerDay - 0.5 - zoneMinutes / 1440.0;
  return at;
}

MinimumRecord ExactMinimum(const RunDescription& run, const BodyPositions& positions, double instant) {
  const LocalMinute at = NearestLocalMinute(instant, run.zoneMinutes);
  MinimumRecord minimum;
  minimum.exact = true;
  minimum.day = at.day;
  minimum.minuteOfDay = at.minuteOfDay;
  minimum.instantUt = at.instantUt;
  minimum.retrograde = RetroState(run, positions, minimum.day + 1);
  minimum.zoneMinutes = run.zoneMinutes;
  minimum.zoneText = run.zoneText;
  return minimum;
}

MinimumRecord ClosestApproach(const RunDescription& run, const BodyPositions& positions, double deviation,
                              double instant) {
  MinimumRecord minimum;
  minimum.exact = false;
  minimum.day = static_cast<int32_t>(std::floor(instant + run.zoneMinutes / 1440.0 + 0.5));
  minimum.instantUt = instant;
  minimum.retrograde = RetroState(run, positions, minimum.day + 1);
  minimum.deviation = deviation;
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
