#include "engine/roots.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace skyloom {
namespace {

bool OppositeSigns(double a, double b) { return (a < 0 && b > 0) || (a > 0 && b < 0); }

// The clock's minute edge next after (or before) the edge `near`, strictly
// between a and b; NaN where there is none.
double EdgeBeyond(const std::function<double(double)>& edge, double near, bool later, double a, double b) {
  const double other = edge(near + (later ? 1.0 : -1.0) / 1440);
  const bool beyond = later ? other > near : other < near;
  return beyond && other > a && other < b ? other : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

std::optional<double> BracketedRoot(const std::function<double(double)>& f, double a, double b, double fa, double fb,
                                    double tolerance, const std::function<double(double)>& edge) {
  if (fa == 0) return a;
  if (fb == 0) return b;
  if (!OppositeSigns(fa, fb)) return std::nullopt;
  // b is the best guess so far and c the other end of the bracket; a is the
  // guess before b.
  double c = a, fc = fa, d = b - a, e = d;
  const double halfTolerance = tolerance / 2;
  for (int iteration = 0; iteration < 100; ++iteration) {
    if (!OppositeSigns(fb, fc)) {
      c = a;
      fc = fa;
      d = e = b - a;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const double m = (c - b) / 2;
    if (fb == 0) return b;
    if (std::fabs(m) <= halfTolerance) {
      // The zero lies between b and c; an edge at either end (where an
      // iterate may land) leaves it on the other end's side.
      const double at = edge ? edge(b) : std::nan("");
      if (!(at >= std::min(b, c) && at <= std::max(b, c))) return b;
      const double fAt = at == b ? fb : at == c ? fc : f(at);
      if (fAt == 0) return at;
      return OppositeSigns(fAt, fb) ? (b + at) / 2 : (at + c) / 2;
    }
    if (std::fabs(e) >= halfTolerance && std::fabs(fa) > std::fabs(fb)) {
      // Inverse quadratic interpolation, or the secant when only two points differ.
      double p, q;
      const double s = fb / fa;
      if (a == c) {
        p = 2 * m * s;
        q = 1 - s;
      } else {
        const double r = fb / fc, t = fa / fc;
        p = s * (2 * m * t * (t - r) - (b - a) * (r - 1));
        q = (t - 1) * (r - 1) * (s - 1);
      }
      if (p > 0)
        q = -q;
      else
        p = -p;
      if (2 * p < std::min(3 * m * q - std::fabs(halfTolerance * q), std::fabs(e * q))) {
        e = d;
        d = p / q;
      } else {
        d = m;
        e = m;
      }
    } else {
      d = m;
      e = m;
    }
    a = b;
    fa = fb;
    b += std::fabs(d) > halfTolerance ? d : std::copysign(halfTolerance, m);
    fb = f(b);
  }
  return b;
}

double RootMinuteNear(const std::function<double(double)>& f, double a, double b, double fa, double fb, double guess,
                      const std::function<double(double)>& edge, double slope) {
  constexpr int kTries = 3;
  if (fa == 0) return a;
  if (fb == 0) return b;
  auto inside = [&](double t) { return t > a && t < b; };
  // The bracket's end on t's side of the zero moved to t.
  auto narrow = [&](double t, double ft) {
    if (OppositeSigns(ft, fa)) {
      b = t;
      fb = ft;
    } else {
      a = t;
      fa = ft;
    }
  };
  // A guess minutes off is followed by the step the slope, where known,
  // takes from the value at its edge, or else by the line through the two
  // values a minute apart that missed the zero: over minutes the deviation
  // is as good as straight, and the step's zero is rarely a minute off.
  double near = edge(guess);
  for (int tries = 0; tries < kTries && inside(near); ++tries) {
    const double fNear = f(near);
    if (fNear == 0) return near;
    if (std::isnan(fNear)) break;
    // The zero lies after the edge where f there has its sign at a.
    const bool later = !OppositeSigns(fNear, fa);
    if (std::isfinite(slope) && slope != 0) {
      const double step = edge(near - fNear / slope);
      if (inside(step) && (later ? step > near + 1.5 / 1440 : step < near - 1.5 / 1440)) {
        narrow(near, fNear);
        near = step;
        continue;
      }
    }
    const double other = EdgeBeyond(edge, near, later, a, b);
    const double fOther = std::isnan(other) ? other : f(other);
    if (fOther == 0) return other;
    if (OppositeSigns(fNear, fOther)) return (near + other) / 2;
    narrow(near, fNear);
    if (std::isnan(fOther) || fOther == fNear) break;
    narrow(other, fOther);
    near = edge(other - fOther * (other - near) / (fOther - fNear));
  }
  return *BracketedRoot(f, a, b, fa, fb, InstantTolerance, edge);
}

std::optional<double> FittedRootMinute(const std::function<double(double, double&)>& fitted, double a, double b,
                                       double fa, double fb, const std::function<double(double)>& edge,
                                       const std::function<double(double)>& f) {
  if (!OppositeSigns(fa, fb)) return std::nullopt;
  bool known = true;
  double bound = 0;
  auto g = [&](double t) {
    const double value = fitted(t, bound);
    known = known && std::isfinite(value);
    return value;
  };
  // Whether the fit puts f at t on the side it has at a (or at b) for
  // sure; value: the fit's there.
  auto surely = [&](double t, double side, double& value) {
    value = g(t);
    return known && std::fabs(value) > bound && (value < 0) == (side < 0);
  };
  const double ga = g(a), gb = g(b);
  if (!known || (ga < 0) != (fa < 0) || (gb < 0) != (fb < 0)) return std::nullopt;
  const std::optional<double> at = BracketedRoot(g, a, b, ga, gb, InstantTolerance);
  if (!at || !known) return std::nullopt;
  const double near = edge(*at);
  auto inside = [&](double t) { return t > a && t < b; };
  if (!inside(near)) return std::nullopt;
  const double gNear = g(near), boundNear = bound;
  if (!known) return std::nullopt;
  if (std::fabs(gNear) > boundNear) {
    // The fit tells the side of the nearest edge: the zero lies in the
    // minute between it and the edge beyond.
    const bool later = (gNear < 0) == (fa < 0);
    const double other = EdgeBeyond(edge, near, later, a, b);
    double gOther = 0;
    if (std::isnan(other) || !surely(other, later ? fb : fa, gOther)) return std::nullopt;
    return (near + other) / 2;
  }
  const double before = EdgeBeyond(edge, near, false, a, b), after = EdgeBeyond(edge, near, true, a, b);
  double gBefore = 0, gAfter = 0;
  if (std::isnan(before) || std::isnan(after) || !surely(before, fa, gBefore) || !surely(after, fb, gAfter))
    return std::nullopt;
  // A zero within a hundredth of a second of the edge is a tie that the
  // last bits of the instants decide: left to the ephemeris' own search, so
  // that it comes out as it always has.
  const double change = std::fabs(gAfter - gBefore) / (after - before);
  const double exact = f(near);
  if (!std::isfinite(exact) || !(std::fabs(exact) > change * (0.01 / 86400))) return std::nullopt;
  return (exact < 0) == (fa < 0) ? (near + after) / 2 : (before + near) / 2;
}

}  // namespace skyloom
