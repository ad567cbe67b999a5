// Angle checks that print want, got and the tolerance, wrap angles at the
// full circle (359 and 1 degrees are 2 degrees apart) and fail on any
// non-finite value.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <string>

namespace skyloom::test {

// How far a lies ahead of b round the circle, in (-180, 180].
inline double WrappedDifferenceDegrees(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180.0) d -= 360.0;
  if (d <= -180.0) d += 360.0;
  return d;
}

inline ::testing::AssertionResult AngleNearDegrees(double want, double got, double toleranceDegrees) {
  if (!std::isfinite(got) || !std::isfinite(want))
    return ::testing::AssertionFailure() << "non-finite value: want " << want << ", got " << got;
  const double d = WrappedDifferenceDegrees(got, want);
  if (std::fabs(d) <= toleranceDegrees) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::setprecision(12) << "want " << want << " deg, got " << got
                                       << " deg, off by " << d * 3600.0 << "\" (tolerance " << toleranceDegrees * 3600.0
                                       << "\")";
}

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kArcsecond = 1.0 / 3600.0;

}  // namespace skyloom::test
