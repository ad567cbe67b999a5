#include "engine/day_minima.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/bodies.h"
#include "engine/roots.h"

namespace skyloom {
namespace {

// How far the cubic of the midnights may stray from the true deviation
// before a day could be judged wrongly. Measured against Swiss Ephemeris
// over 1600 to 2799, the cubic of one body's longitude is never more than
// about 3" off (Mercury and Mars at conjunction with the Sun, where the
// Sun's deflection of light changes fastest); a pair is at most the sum.
constexpr double kModelMargin = 0.000291;

// Deviations that may change faster than this in a day (5 degrees; a pair of
// planets reaches 3.9 at most) are checked in sub-steps.
constexpr double kSwiftReach = 5 * TwoPi / 360;

// How closely the cubic's own zero is found, in parts of its span (about a
// hundredth of a second of a day): a guess, which the deviation's values at
// the minute edges around it then check.
constexpr double kGuessTolerance = 1e-7;

// A cubic in x, the days since the day's first midnight.
struct Cubic {
  double c0 = 0, c1 = 0, c2 = 0, c3 = 0;
  double operator()(double x) const { return ((c3 * x + c2) * x + c1) * x + c0; }
  double Slope(double x) const { return (3 * c3 * x + 2 * c2) * x + c1; }

  // Through the values at x = xm < 0, 0, 1 and x2 > 1.
  static Cubic Through(double xm, double gm, double g0, double g1, double x2, double g2) {
    // Newton's divided differences, then the powers of x gathered.
    const double d01 = g1 - g0, dm0 = (g0 - gm) / -xm, d12 = (g2 - g1) / (x2 - 1);
    const double dm01 = (d01 - dm0) / (1 - xm), d012 = (d12 - d01) / x2;
    const double dm012 = (d012 - dm01) / (x2 - xm);
    // g = gm + dm0 (x - xm) + dm01 (x - xm) x + dm012 (x - xm) x (x - 1)
    return {gm - dm0 * xm, dm0 - dm01 * xm + dm012 * xm, dm01 - dm012 * (xm + 1), dm012};
  }
  // Through the midnights at x = -1, 0, 1, 2.
  static Cubic Through(double gm, double g0, double g1, double g2) {
    return {g0, -gm / 3 - g0 / 2 + g1 - g2 / 6, (gm + g1) / 2 - g0, (g2 - gm) / 6 + (g0 - g1) / 2};
  }
  // Through the values and slopes at x = 0 and 1.
  static Cubic Hermite(double g0, double s0, double g1, double s1) {
    return {g0, s0, 3 * (g1 - g0) - 2 * s0 - s1, 2 * (g0 - g1) + s0 + s1};
  }

  // The points in (0, 1) where the slope is zero, in order: two at most,
  // kept in place (asked for on most days a run walks).
  struct Turns {
    std::array<double, 2> x{};
    size_t n = 0;
    void Add(double t) {
      if (t > 0 && t < 1) x[n++] = t;
    }
    size_t size() const { return n; }
    double operator[](size_t i) const { return x[i]; }
    const double* begin() const { return x.data(); }
    const double* end() const { return x.data() + n; }
  };
  Turns TurningPoints() const {
    // 3 c3 x^2 + 2 c2 x + c1 = 0
    Turns inside;
    const double a = 3 * c3, b = 2 * c2, c = c1;
    if (std::fabs(a) < 1e-300) {
      if (b != 0) inside.Add(-c / b);
    } else {
      const double disc = b * b - 4 * a * c;
      if (disc >= 0) {
        // The stable form of the two roots.
        const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
        inside.Add(q / a);
        if (q != 0) inside.Add(c / q);
      }
    }
    if (inside.n == 2) {
      if (inside.x[1] < inside.x[0]) std::swap(inside.x[0], inside.x[1]);
      if (inside.x[1] == inside.x[0]) inside.n = 1;
    }
    return inside;
  }
};

bool OppositeSigns(double a, double b) { return (a < 0 && b > 0) || (a > 0 && b < 0); }

}  // namespace

namespace {

// A day from start, length days long, with the midnights before and after
// it before and after days away (in days of this one).
struct DaySpan {
  double start = 0, length = 1, before = 1, after = 1;
};

DayMinima FindInSpan(SignedDeviation& deviation, const DaySpan& span,
                     const std::array<std::optional<double>, 4>& samples, double refineBelow, double reach);

}  // namespace

DayMinima FindDayMinima(SignedDeviation& deviation, double start, const std::array<std::optional<double>, 4>& samples,
                        double refineBelow, double reach) {
  return FindInSpan(deviation, DaySpan{start}, samples, refineBelow, reach);
}

DayMinima FindDayMinima(SignedDeviation& deviation, const std::array<double, 4>& midnights,
                        const std::array<std::optional<double>, 4>& samples, double refineBelow, double reach) {
  const double length = midnights[2] - midnights[1];
  DaySpan span{midnights[1], length, (midnights[1] - midnights[0]) / length, (midnights[3] - midnights[2]) / length};
  // Days of 24 hours are found as they always were.
  if (std::fabs(length - 1) < 1e-9 && std::fabs(span.before - 1) < 1e-9 && std::fabs(span.after - 1) < 1e-9)
    span = DaySpan{midnights[1]};
  return FindInSpan(deviation, span, samples, refineBelow, reach);
}

namespace {

DayMinima FindInSpan(SignedDeviation& deviation, const DaySpan& span,
                     const std::array<std::optional<double>, 4>& samples, double refineBelow, double reach) {
  // x runs over the day from 0 to 1; in a day of 24 hours it is the days.
  const double t0 = span.start, t1 = span.start + span.length, length = span.length;
  auto at = [&](double x) { return length == 1 ? t0 + x : t0 + x * length; };
  const double g0 = *samples[1], g1 = *samples[2];
  DayMinima day;
  day.smallest = std::fabs(g0);
  day.smallestAt = t0;
  if (std::fabs(g1) < day.smallest) {
    day.smallest = std::fabs(g1);
    day.smallestAt = t1;
  }

  // Slopes are dearer than values: each is asked for once at most.
  std::vector<std::pair<double, double>> slopes;
  auto slope = [&](double t) {
    for (const auto& [at, s] : slopes)
      if (at == t) return s;
    const double s = deviation.Slope(t);
    slopes.emplace_back(t, s);
    return s;
  };

  // Without the midnights on either side (the ends of a body's data) the
  // speeds at the day's own midnights shape the cubic instead.
  const bool even = span.before == 1 && span.after == 1;
  const Cubic model = samples[0] && samples[3]
                          ? (even ? Cubic::Through(*samples[0], g0, g1, *samples[3])
                                  : Cubic::Through(-span.before, *samples[0], g0, g1, 1 + span.after, *samples[3]))
                          : Cubic::Hermite(g0, slope(t0) * length, g1, slope(t1) * length);
  const Cubic::Turns turns = model.TurningPoints();

  // The least size the cubic reaches within the day.
  double modelLeast = std::min(std::fabs(g0), std::fabs(g1));
  double previous = g0;
  for (const double x : turns) {
    const double g = model(x);
    if (OppositeSigns(previous, g)) modelLeast = 0;
    modelLeast = std::min(modelLeast, std::fabs(g));
    previous = g;
  }
  if (OppositeSigns(previous, g1)) modelLeast = 0;
  // The cubic passes through both midnights, so a change of sign between
  // them always brings the day here. A swift pair whose midnights are too far
  // from the aspect for it to be reached in between is let go as well; where
  // they are not, the sub-steps below decide.
  const bool swift = reach > kSwiftReach;
  const double dayReach = reach * length;
  if (!(modelLeast < std::max(refineBelow, ExactThreshold) + kModelMargin) &&
      (!swift || std::fabs(g0) + std::fabs(g1) > dayReach))
    return day;

  // Real points of the day: its midnights and, between them, each turning
  // point of the deviation, so that the deviation is monotonic between
  // neighbours and each change of sign between them holds one zero.
  struct Point {
    double t, g;
    bool turning;
  };
  std::vector<Point> points{{t0, g0, false}};
  for (size_t i = 0; i < turns.size(); ++i) {
    const double lo = i == 0 ? 0.0 : (turns[i - 1] + turns[i]) / 2;
    const double hi = i + 1 == turns.size() ? 1.0 : (turns[i] + turns[i + 1]) / 2;
    const double sLo = slope(at(lo)), sHi = slope(at(hi));
    Point p{at(turns[i]), 0.0, false};
    if (OppositeSigns(sLo, sHi)) {
      p.t = *BracketedRoot([&](double t) { return slope(t); }, at(lo), at(hi), sLo, sHi, InstantTolerance);
      p.turning = true;
    } else if (sLo == 0 || sHi == 0) {
      p.t = at(sLo == 0 ? lo : hi);
      p.turning = true;
    }
    p.g = deviation.Value(p.t);
    points.push_back(p);
  }
  points.push_back({t1, g1, false});

  if (swift) {
    // From a point of size |g| the deviation needs |g| / reach days to reach
    // zero; a stretch whose ends are of one sign and together further from
    // zero than it can travel over it holds no zero. Any other stretch is
    // halved by a real position, down to the time the pair takes to cross a
    // minute of arc, so the stretches number a few times the day's reach in
    // units of the midnights' sizes: one or two more positions a day for the
    // Moon.
    const double shortest = ExactThreshold / reach;
    std::vector<Point> cut;
    std::vector<Point> pending{points.rbegin(), points.rend()};
    while (pending.size() > 1) {
      const Point a = pending.back();
      const Point& b = pending[pending.size() - 2];
      const double span = b.t - a.t;
      if (a.g == 0 || b.g == 0 || OppositeSigns(a.g, b.g) || std::fabs(a.g) + std::fabs(b.g) > reach * span ||
          span < shortest) {
        cut.push_back(a);
        pending.pop_back();
        continue;
      }
      const double mid = (a.t + b.t) / 2;
      pending.insert(pending.end() - 1, Point{mid, deviation.Value(mid), false});
    }
    cut.push_back(pending.back());
    points = std::move(cut);
  }

  // Where the day's cubic puts the zero between two points of opposite
  // signs (the secant's where the cubic has none between them): the
  // guess the deviation's own values then check.
  // And the slope there, per day.
  struct Guess {
    double t, slope;
  };
  auto guessZero = [&](const Point& a, const Point& b) {
    const double lo = (a.t - t0) / length, hi = (b.t - t0) / length, gLo = model(lo), gHi = model(hi);
    if (!OppositeSigns(gLo, gHi)) return Guess{a.t + (b.t - a.t) * a.g / (a.g - b.g), (b.g - a.g) / (b.t - a.t)};
    const double x = *BracketedRoot([&](double y) { return model(y); }, lo, hi, gLo, gHi, kGuessTolerance);
    return Guess{at(x), model.Slope(x) / length};
  };

  for (size_t i = 0; i + 1 < points.size(); ++i) {
    const Point& a = points[i];
    const Point& b = points[i + 1];
    if (std::fabs(a.g) < day.smallest) {
      day.smallest = std::fabs(a.g);
      day.smallestAt = a.t;
    }
    if (a.g == 0) {
      day.exact.push_back(a.t);
    } else if (OppositeSigns(a.g, b.g)) {
      const std::optional<double> fitted = deviation.FittedZero(a.t, b.t, a.g, b.g);
      const Guess guess = fitted ? Guess{} : guessZero(a, b);
      const double root =
          fitted ? *fitted
                 : RootMinuteNear([&](double t) { return deviation.Value(t); }, a.t, b.t, a.g, b.g, guess.t,
                                  [&](double t) { return deviation.MinuteEdge(t); }, guess.slope);
      day.exact.push_back(root);
      if (day.smallest > 0) {
        day.smallest = 0;
        day.smallestAt = root;
      }
    } else if (a.turning && std::fabs(a.g) < ExactThreshold && i > 0 && !OppositeSigns(points[i - 1].g, a.g) &&
               std::fabs(a.g) <= std::fabs(points[i - 1].g) && std::fabs(a.g) <= std::fabs(b.g)) {
      // Near a station the pair can come within a minute of arc and turn
      // back without the deviation changing its sign.
      day.exact.push_back(a.t);
    }
  }
  std::sort(day.exact.begin(), day.exact.end());
  return day;
}

}  // namespace

namespace {

// Sums of doubles round: this much more is kept back from every margin.
constexpr double kRounding = 1e-12;

// Whether the cubic's slope keeps one sign over the day, farther from zero
// than margin.
bool SlopeKeptFrom(const Cubic& model, double margin) {
  const double first = model.Slope(0), last = model.Slope(1);
  double leastSlope = std::min(std::fabs(first), std::fabs(last));
  if (OppositeSigns(first, last)) return false;
  if (model.c3 != 0) {
    const double vertex = -model.c2 / (3 * model.c3);
    if (vertex > 0 && vertex < 1) {
      if (OppositeSigns(first, model.Slope(vertex))) return false;
      leastSlope = std::min(leastSlope, std::fabs(model.Slope(vertex)));
    }
  }
  return leastSlope > margin;
}

// The largest bound, with room for rounding.
double LargestBound(const std::array<double, 4>& bounds) {
  return *std::max_element(bounds.begin(), bounds.end()) + kRounding;
}

}  // namespace

std::optional<int> SmallestAtMidnight(const std::array<double, 4>& samples, const std::array<double, 4>& bounds,
                                      double refineBelow) {
  const double e = LargestBound(bounds);
  const double g0 = samples[1], g1 = samples[2];
  // Which midnight is the smaller, and neither zero nor on opposite sides.
  if (std::fabs(std::fabs(g0) - std::fabs(g1)) <= bounds[1] + bounds[2] + kRounding) return std::nullopt;
  if (std::fabs(g0) <= bounds[1] + kRounding || std::fabs(g1) <= bounds[2] + kRounding || OppositeSigns(g0, g1))
    return std::nullopt;
  const int smaller = std::fabs(g1) < std::fabs(g0) ? 1 : 0;
  const Cubic model = Cubic::Through(samples[0], g0, g1, samples[3]);
  // Over the day no weight of the four samples in the cubic passes 1.25 in
  // sum, so the true samples' cubic lies within 1.25 e of this one.
  double least = std::min(std::fabs(g0), std::fabs(g1));
  double previous = g0;
  for (const double x : model.TurningPoints()) {
    const double g = model(x);
    if (OppositeSigns(previous, g)) return std::nullopt;
    least = std::min(least, std::fabs(g));
    previous = g;
  }
  if (OppositeSigns(previous, g1)) return std::nullopt;
  if (least - 1.25 * e > std::max(refineBelow, ExactThreshold) + kModelMargin) return smaller;
  // Searched with real positions, the day finds its turning points only: with
  // the cubic's slope (within 10 e of the true one's) kept from zero, there
  // are none, and the midnights stay the day's smallest.
  if (SlopeKeptFrom(model, 10 * e + kRounding)) return smaller;
  return std::nullopt;
}

std::optional<double> ZeroOfTheDay(SignedDeviation& deviation, double start, const std::array<double, 4>& samples,
                                   const std::array<double, 4>& bounds) {
  const double g0 = samples[1], g1 = samples[2];
  if (!OppositeSigns(g0, g1) || std::fabs(g0) <= bounds[1] + kRounding || std::fabs(g1) <= bounds[2] + kRounding)
    return std::nullopt;
  // The true samples' cubic has no turning point in the day either (its
  // slope lies within 10 e of this one's): the day is searched between its
  // midnights, whose signs the fits tell, for its one zero.
  const Cubic model = Cubic::Through(samples[0], g0, g1, samples[3]);
  if (!SlopeKeptFrom(model, 10 * LargestBound(bounds) + kRounding)) return std::nullopt;
  const double end = start + 1;
  if (const std::optional<double> fitted = deviation.FittedZero(start, end, g0, g1)) return fitted;
  // The minute that holds the zero is the same from any guess within the
  // day: the deviation's own values at its edges tell it.
  const double x = *BracketedRoot([&](double at) { return model(at); }, 0, 1, g0, g1, kGuessTolerance);
  return RootMinuteNear([&](double t) { return deviation.Value(t); }, start, end, g0, g1, start + x,
                        [&](double t) { return deviation.MinuteEdge(t); }, model.Slope(x));
}

}  // namespace skyloom
