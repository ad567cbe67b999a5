// Exact times, closest approaches and retrograde marks: the pair's signed
// deviation from an aspect, the records and texts of the result table's
// minimum columns, and the "r" that follows every date of a transit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/day_minima.h"
#include "engine/run_state.h"

namespace skyloom {

class MidnightLongitudes;

// An angle taken into (-pi, pi].
inline double WrapToHalfCircle(double x) {
  while (x > Pi) x -= TwoPi;
  while (x <= -Pi) x += TwoPi;
  return x;
}

// The side of the aspect two longitudes stand nearest: +1 when the first
// body leads the second (separation measured eastwards), -1 when it trails.
inline int AspectSide(double la, double lb) { return WrapToHalfCircle(la - lb) >= 0 ? 1 : -1; }
// The deviation from the aspect's angle on that side, signed: it passes
// through zero where the aspect is exact, and its size is the deviation
// |separation - angle| wherever the pair stands on that side.
inline double SignedAspectDeviation(double la, double lb, AspectIndex aspect, int side) {
  // How far the first body leads the second, less the angle on that side.
  // Conjunction and opposition have one side only; the opposition's
  // deviation wraps through +-pi rather than through zero.
  return WrapToHalfCircle(WrapToHalfCircle(la - lb) - side * AspectTable[aspect].Angle);
}

// The run's pair's signed deviation from one side of an aspect, computed
// afresh from the bodies' positions (a personal run's second body is the
// natal position).
class PairDeviation : public SignedDeviation {
 public:
  // With midnights, zeros are timed on their fits where those tell them.
  PairDeviation(const RunDescription& run, const BodyPositions& positions, AspectIndex aspect, int side,
                MidnightLongitudes* midnights = nullptr)
      : run_(run), positions_(positions), aspect_(aspect), side_(side), midnights_(midnights) {}
  double Value(double jd) override;
  double Slope(double jd) override;
  double MinuteEdge(double jd) override;
  std::optional<double> FittedZero(double a, double b, double va, double vb) override;

 private:
  const RunDescription& run_;
  const BodyPositions& positions_;
  AspectIndex aspect_;
  int side_;
  MidnightLongitudes* midnights_;
};

// The run's pair as the fits that time roots give it at jd: both
// longitudes, and how far anything computed from their separation may lie
// from the ephemeris' (the sum of their bounds); unknown where either body
// has no such fit. A personal run's natal place is exact.
struct PairFit {
  bool known = false;
  double first = 0, second = 0, bound = 0;
};
PairFit FittedPair(const RunDescription& run, MidnightLongitudes& midnights, double jd);
// Whether a root of the run's pair near jd is timed on those fits (see
// MidnightLongitudes::TimesRootsOnFits; counted for each body asked).
bool PairTimesRootsOnFits(const RunDescription& run, MidnightLongitudes& midnights, double jd);

// The exact aspect at a UT instant as the table records it: the nearest
// whole minute of the results zone, its local date, and the retrograde mark
// of the midnight ending that date from the run's daily samples (never where
// the run leaves the marks out).
MinimumRecord ExactMinimum(const RunDescription& run, MidnightLongitudes& midnights, Instant instant);
// A pass's closest approach without an exact aspect: its size, the local
// date of its instant and the mark.
MinimumRecord ClosestApproach(const RunDescription& run, MidnightLongitudes& midnights, double deviation,
                              Instant instant);

// Degrees and minutes of arc without blanks: 2°5'. Empty outside [0, 2*pi).
std::string FormatAngle(double radians);

}  // namespace skyloom
