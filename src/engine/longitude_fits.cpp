#include "engine/longitude_fits.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <span>

namespace skyloom {
namespace {

constexpr double kJ2000 = 2451545.0;
// The measured error is multiplied by this: the check points see the size
// of the fit's error, not necessarily its very largest value.
constexpr double kSafetyFactor = 4.0;
// No bound is smaller than this (radians, 2"): the ephemeris' apparent
// longitudes carry the short-period terms of the nutation (a fraction of an
// arc second, periods of days), which nodes days apart do not follow, and
// step by up to a few tenths of an arc second where its files' segments
// meet; check points between nodes need not see all of either.
constexpr double kSmallestBound = 1e-5;
// Nodes less than a day apart follow all of that: for the fits that time
// roots no bound is smaller than the first of these (radians, 0.04"), and
// for Jupiter's to Neptune's, which move a tenth as far in a minute, than
// the second (0.006"). Over 1600 to 2799 every such fit of a planet kept
// off the Sun (below) erred by at most 2.4e-8 radians (the Sun to Mars) and
// 6e-9 (Jupiter to Neptune), checked every one to two hours.
constexpr double kSmallestRootsBound = 2e-7, kSmallestSlowRootsBound = 3e-8;
// A planet seen within this of the Sun (radians, 3 degrees) has its light
// bent by the Sun's gravity, as the ephemeris computes it, by an amount
// that grows swiftly and turns sharply where the planet passes behind the
// Sun's disc: seconds of arc within hours, which no fit over days follows
// and check points between nodes can miss. A span that comes this near the
// Sun gets no fit to time roots, and its fit for decisions kNearTheSun more
// bound. (Over 1600 to 2799, fits of spans kept 2 degrees off the Sun
// erred by at most a third of their bounds, while 183 of the 27,400 64-day
// fits of Jupiter to Neptune, each passing within 0.2 degrees of the Sun,
// erred beyond them, by up to 2.2 times, 6.3" at most. Each of the 3,424
// 128-day fits of Jupiter to Pluto, Chiron and the mean node, checked every
// three hours, erred by at most 0.54 of its bound off the Sun, and 0.56 of
// it with this room near the Sun; the true node's, whose bounds are near a
// degree, by 0.84. Of the Sun's 1,143 384-day fits and the 3,427 128-day
// fits each of Mercury (its place, every one near the Sun), Venus and Mars,
// checked every two hours (check_fits): the Sun's within 0.57 of its bound;
// Mercury's 0.51; Venus' 0.78 off the Sun and 0.34 near it, Mars' 0.63 and
// 0.38.)
constexpr double kNearestToTheSun = 3 * Pi / 180;
// The fits that time roots, over 8 days or (near the Sun) 2, follow the
// bending down to a degree from the Sun: over 1600 to 2799 every such fit
// of a planet erred by at most an eighth of its bound, checked hourly.
constexpr double kNearestToTheSunTimingRoots = 1 * Pi / 180;
constexpr double kNearTheSun = 5e-5;

// Where a decision's margin is computed in doubles, this much more is kept
// back (radians): rounding of the sums that made it.
constexpr double kRounding = 1e-12;

// The longitude taken as close to `near` as whole turns allow.
double Unwrapped(double longitude, double near) {
  return longitude + TwoPi * std::nearbyint((near - longitude) / TwoPi);
}

using Coefficients = std::array<double, LongitudeFits::kMostNodes>;
using NodeTable = std::array<Coefficients, LongitudeFits::kMostNodes>;

// cos(pi k (j + 1/2) / n), the Chebyshev polynomial k at node j of n: [k][j],
// for each n a fit takes (12, 16 or 28).
const NodeTable& ChebyshevAtNodes(int n) {
  static const auto make = [](int nodes) {
    NodeTable t{};
    for (int k = 0; k < nodes; ++k)
      for (int j = 0; j < nodes; ++j)
        t[static_cast<size_t>(k)][static_cast<size_t>(j)] = std::cos(std::numbers::pi * k * (j + 0.5) / nodes);
    return t;
  };
  static const NodeTable few = make(12), many = make(16), most = make(LongitudeFits::kMostNodes);
  return n == LongitudeFits::kMostNodes ? most : n == 16 ? many : few;
}

// The first n coefficients' series at x.
double Clenshaw(const double* c, int n, double x) {
  double b1 = 0, b2 = 0;
  for (int k = n - 1; k >= 1; --k) {
    const double b0 = 2 * x * b1 - b2 + c[static_cast<size_t>(k)];
    b2 = b1;
    b1 = b0;
  }
  return x * b1 - b2 + c[0];
}

// Whether a body's fit over the days centred on middle comes within
// `nearest` of the Sun: sampled on the fit every six hours, less
// what the two can close in between and the rough Sun's error.
bool ComesNearTheSun(const LongitudeFits::Fit& fit, BodyIndex body, double middle, double nearest, double days) {
  const int steps = static_cast<int>(std::ceil(4 * days));
  const double step = days / steps;
  const double slack = ((MaxDailyMotion(body) + MaxDailyMotion(Sun)) * step / 2 + 0.1) * Pi / 180;
  // A sample farther off than that need not be followed by the next few:
  // the two cannot close by more than twice their most a day, a step's
  // worth each step.
  const double closing = 2 * (MaxDailyMotion(body) + MaxDailyMotion(Sun)) * step * Pi / 180;
  RoughSun sun(middle - days / 2, step);
  for (int k = 0, next = 0; k <= steps; ++k, sun.Next()) {
    if (k < next) continue;
    const double x = -1 + 2.0 * k / steps;
    const double apart = std::remainder(fit.Longitude(x) - sun.Longitude(), TwoPi);
    const double room = std::fabs(apart) - slack - nearest;
    if (room < 0) return true;
    next = k + 1 + static_cast<int>(room / closing);
  }
  return false;
}

}  // namespace

double LongitudeFits::Fit::Longitude(double x) const {
  if (!place) return Clenshaw(coefficients.data(), nodes, x);
  return std::atan2(Clenshaw(coefficients.data() + nodes, nodes, x), Clenshaw(coefficients.data(), nodes, x));
}

int LongitudeFits::Nodes(BodyIndex body, FitSpans spans) {
  if (FitsPlace(body, spans)) return kMostNodes;
  if (body == Sun && spans == FitSpans::Decisions) return 12;  // see SpanDays
  return SpanDays(body, spans) >= 32 ? 16 : 12;
}

double LongitudeFits::SpanDays(BodyIndex body, FitSpans spans) {
  if (body == Moon) return 2.0;
  if (spans == FitSpans::Roots) return 8.0;
  // Long enough that a fit costs well under a position a day, short enough
  // that its error stays far below the few seconds of arc a day the
  // slowest decisions move by (checked against the ephemeris 1600 to 2799).
  // These spans take 16 nodes, 4 to 12 days apart (Mercury's place 28, the
  // Sun 12): the Moon's pull on the Earth sways every geocentric place with
  // the month by up to a few seconds of arc, which nodes 8 days apart
  // (Jupiter's and beyond) follow and sparser ones leave to the bounds. Bounds of seconds
  // of arc, even a minute (the Sun's over 384 days, 21" to 52"; Mercury's
  // 12" to 80"), still decide nearly every midnight a run of its own asks
  // about: a swift pair moves a degree a day. Mercury's longitude over 64
  // days took bounds of up to 8' where it passes the Sun, and cost more.
  // The Sun's fits leave the month's sway to their bounds at any length,
  // and 12 nodes follow its year: over 384 days, thirteen months, their
  // check points see the sway as well as 16 nodes' over 192 (0.57 of the
  // bound at worst against 0.62; 16 nodes over 384 days 0.43, over 256
  // days 0.95, over 768 three times the bound), at a third of the
  // positions.
  // Mercury, Venus, Mars, the slow bodies, Chiron and the nodes: 128.
  return body == Sun ? 384.0 : 128.0;
}

void LongitudeFits::Make(int64_t span, double days, uint32_t bodies, Fits& into) {
  const double half = days / 2, middle = kJ2000 + static_cast<double>(span) * days + half;
  // The nodes, then the points where the error is measured: where a smooth
  // curve's is largest, at the ends and halfway between nodes, where the
  // first term left out peaks. Fits for decisions are checked at the ends
  // and the quarters (the end is the next span's start: three new
  // positions); those that time roots, whose bounds are thousandths of a
  // second of arc, also next to each end. Without those two, the bounds of
  // the Sun's to Mars' fits for decisions over 1600 to 2799 came out as
  // with them, and every body's fits held theirs (check_fits).
  constexpr int kChecks = 7;
  // The bodies made together share their span's nodes (MadeTogether).
  const auto lead = static_cast<BodyIndex>(std::countr_zero(bodies));
  // The 2-day pieces of a span near the Sun take the fewest.
  const int nodes = days == SpanDays(lead) ? Nodes(lead, spans_) : 12;
  std::array<double, kMostNodes + kChecks> xs{};
  for (int j = 0; j < nodes; ++j) xs[static_cast<size_t>(j)] = std::cos(std::numbers::pi * (j + 0.5) / nodes);
  int n = nodes;
  for (const int j : {0, 1, nodes / 4, nodes / 2, 3 * nodes / 4, nodes - 1, nodes})
    if (spans_ == FitSpans::Roots || (j != 1 && j != nodes - 1))
      xs[static_cast<size_t>(n++)] = std::cos(std::numbers::pi * j / nodes);
  // The instants in time order, every body at each: the ephemeris reads its
  // files forwards and keeps the nutation of the instant it last computed.
  std::array<int, kMostNodes + kChecks> order{};
  for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
  const std::span<int> instants(order.data(), static_cast<size_t>(n));
  std::ranges::sort(instants, [&](int a, int b) { return xs[static_cast<size_t>(a)] < xs[static_cast<size_t>(b)]; });
  struct Made {
    BodyIndex body;
    bool known = true;
    std::array<double, kMostNodes + kChecks> values{}, reaches{};
    double error = 0;  // of the positions themselves
  };
  std::vector<Made> made;
  for (BodyIndex body = 0; body <= LastBody; ++body)
    if (bodies & (1u << body)) made.push_back({body, true, {}, {}, 0});
  for (const int i : instants) {
    for (Made& m : made) {
      if (!m.known) continue;
      // Tropical longitudes: the sidereal correction steps at each new year,
      // which no polynomial follows; it is taken off when a fit is read.
      // Fits for decisions, whose bounds are seconds of arc, are made of
      // positions good to a twentieth of one, which cost less.
      const double at = middle + half * xs[static_cast<size_t>(i)];
      // A span begins where the one before it ended (both ends are whole
      // days since the epoch, exact in a double): that position is kept.
      SpanEnd& end = lastEnd_[static_cast<size_t>(m.body)];
      double error = 0, reach = 1;
      Position p;
      if (at == end.at) {
        p = end.position;
        error = end.error;
        reach = end.reach;
      } else if (spans_ == FitSpans::Decisions) {
        p = positions_.RoughLongitude(m.body, at, Zodiac::Tropical, error, &reach);
      } else {
        p = positions_.Longitude(m.body, at, Zodiac::Tropical);
      }
      if (xs[static_cast<size_t>(i)] == 1.0) end = {at, p, error, reach};
      m.known = p.Known();
      m.values[static_cast<size_t>(i)] = p.longitude;
      m.reaches[static_cast<size_t>(i)] = reach;
      m.error = std::max(m.error, error);
    }
  }
  for (const Made& m : made) {
    Fit fit;
    if (m.known) {
      // A longitude as one unbroken curve through the 0/360 seam; a place
      // as its two coordinates.
      fit.place = FitsPlace(m.body, spans_);
      const int series = fit.place ? 2 : 1;
      std::array<std::array<double, kMostNodes>, 2> values{};
      for (int j = 0; j < nodes; ++j) {
        const auto at = static_cast<size_t>(j);
        if (fit.place) {
          values[0][at] = m.reaches[at] * std::cos(m.values[at]);
          values[1][at] = m.reaches[at] * std::sin(m.values[at]);
        } else {
          values[0][at] = j == 0 ? m.values[0] : Unwrapped(m.values[at], values[0][at - 1]);
        }
      }
      const NodeTable& chebyshev = ChebyshevAtNodes(nodes);
      fit.nodes = nodes;
      fit.coefficients.assign(static_cast<size_t>(series * nodes), 0.0);
      for (int s = 0; s < series; ++s)
        for (int k = 0; k < nodes; ++k) {
          double sum = 0;
          for (int j = 0; j < nodes; ++j)
            sum += values[static_cast<size_t>(s)][static_cast<size_t>(j)] *
                   chebyshev[static_cast<size_t>(k)][static_cast<size_t>(j)];
          fit.coefficients[static_cast<size_t>(s * nodes + k)] = sum * (k == 0 ? 1.0 : 2.0) / nodes;
        }
      double worst = 0;
      for (int i = nodes; i < n; ++i) {
        const double fitted = fit.Longitude(xs[static_cast<size_t>(i)]);
        worst = std::max(worst, std::fabs(Unwrapped(m.values[static_cast<size_t>(i)], fitted) - fitted));
      }
      const double smallest = spans_ == FitSpans::Decisions || m.body == Moon ? kSmallestBound
                              : m.body >= Jupiter                             ? kSmallestSlowRootsBound
                                                                              : kSmallestRootsBound;
      fit.bound = std::max(worst * kSafetyFactor, smallest) + m.error;
      const double nearest = spans_ == FitSpans::Roots ? kNearestToTheSunTimingRoots : kNearestToTheSun;
      if (m.body != Sun && ComesNearTheSun(fit, m.body, middle, nearest, days)) {
        fit.nearTheSun = true;
        fit.bound += kNearTheSun;
      }
      fit.usable = std::isfinite(fit.bound) && !(fit.nearTheSun && spans_ == FitSpans::Roots);
    }
    ++spansMade_;
    into[span * 64 + m.body] = fit;
  }
}

void LongitudeFits::MakeSpans(uint32_t bodies, int64_t first, int64_t last) {
  if (bodies == 0) return;
  const auto lead = static_cast<BodyIndex>(std::countr_zero(bodies));
  for (int64_t span = first; span <= last; ++span) {
    uint32_t missing = 0;
    for (BodyIndex body = 0; body <= LastBody; ++body)
      if ((bodies & (1u << body)) && MadeTogether(lead, body, spans_) && !made_.fits.contains(span * 64 + body))
        missing |= 1u << body;
    if (missing != 0) Make(span, SpanDays(lead), missing, made_.fits);
  }
}

void LongitudeFits::Adopt(const Table& other) {
  if (other.spans != spans_) return;
  made_.fits.insert(other.fits.begin(), other.fits.end());
  made_.nearTheSun.insert(other.nearTheSun.begin(), other.nearTheSun.end());
}

int64_t LongitudeFits::SpanNumber(BodyIndex body, double jd, FitSpans spans) {
  return static_cast<int64_t>(std::floor((jd - kJ2000) / SpanDays(body, spans)));
}

double LongitudeFits::SpanStart(BodyIndex body, int64_t span, FitSpans spans) {
  return kJ2000 + static_cast<double>(span) * SpanDays(body, spans);
}

int64_t LongitudeFits::SpanKey(BodyIndex body, double jd) const { return SpanNumber(body, jd, spans_) * 64 + body; }

const LongitudeFits::Fit& LongitudeFits::Find(BodyIndex body, double jd, double days, Fits& in, int64_t& span) {
  span = static_cast<int64_t>(std::floor((jd - kJ2000) / days));
  const int64_t key = span * 64 + body;
  auto found = in.find(key);
  if (found == in.end() && ahead_ != nullptr && &in == &made_.fits) {
    ahead_->TakeInto(jd, in);
    found = in.find(key);
  }
  if (found == in.end()) {
    // The other bodies asked for with spans of this length get theirs made
    // at the same instants.
    uint32_t together = 1u << body;
    if (&in == &made_.fits)
      for (BodyIndex other = 0; other <= LastBody; ++other)
        if ((asked_ & (1u << other)) && MadeTogether(body, other, spans_) && !in.contains(span * 64 + other))
          together |= 1u << other;
    Make(span, days, together, in);
    found = in.find(key);
  }
  return found->second;
}

FittedLongitude LongitudeFits::At(BodyIndex body, double jd) {
  if (body < 0 || body > LastBody || !std::isfinite(jd)) return {};
  double days = SpanDays(body);
  int64_t span = static_cast<int64_t>(std::floor((jd - kJ2000) / days));
  asked_ |= 1u << body;
  // Most reads fall in the span read before (a fit, once kept, stays where
  // it is).
  LastRead& last = lastRead_[static_cast<size_t>(body)];
  const Fit* found = last.fit != nullptr && last.span == span ? last.fit : &Find(body, jd, days, made_.fits, span);
  last = {span, found};
  if (found->nearTheSun && spans_ == FitSpans::Roots && days > kNearTheSunDays) {
    days = kNearTheSunDays;
    found = &Find(body, jd, days, made_.nearTheSun, span);
  }
  const Fit& fit = *found;
  if (!fit.usable) return {};
  const double start = kJ2000 + static_cast<double>(span) * days;
  const double x = std::clamp(2 * (jd - start) / days - 1, -1.0, 1.0);
  double longitude = fit.Longitude(x);
  double bound = fit.bound;
  if (zodiac_ == Zodiac::Sidereal) {
    longitude -= AyanamsaRadians(CalendarYear(jd));
    bound += kRounding;
  }
  longitude -= TwoPi * std::floor(longitude / TwoPi);
  if (longitude >= TwoPi) longitude -= TwoPi;
  return {true, longitude, bound + kRounding};
}

void FitsAhead::Put(LongitudeFits::Fits&& made) {
  std::lock_guard lock(mutex_);
  put_.merge(made);
  waiting_.store(true, std::memory_order_release);
}

void FitsAhead::TakeInto(double jd, LongitudeFits::Fits& into) {
  if (jd > reached_.load(std::memory_order_relaxed)) reached_.store(jd, std::memory_order_relaxed);
  if (!waiting_.load(std::memory_order_acquire)) return;
  std::lock_guard lock(mutex_);
  into.merge(put_);
  put_.clear();
  waiting_.store(false, std::memory_order_relaxed);
}

FittedRetro RetroFromFits(const FittedLongitude& atJd, const FittedLongitude& later) {
  // The direction of the half hour's step, and a step across the seam
  // (longer than half a turn) not retrograde.
  if (!atJd.known || !later.known) return FittedRetro::Undecided;
  const double margin = atJd.bound + later.bound + kRounding;
  // Near the seam the ephemeris' value may lie on its other side.
  auto nearTheSeam = [&](const FittedLongitude& f) {
    return f.bound > 0 && (f.longitude < margin || f.longitude > TwoPi - margin);
  };
  if (nearTheSeam(atJd) || nearTheSeam(later)) return FittedRetro::Undecided;
  const double diff = later.longitude - atJd.longitude;
  if (std::fabs(diff) < margin || std::fabs(std::fabs(diff) - Pi) < margin) return FittedRetro::Undecided;
  if (std::fabs(diff) >= Pi) return FittedRetro::Prograde;
  return diff < 0 ? FittedRetro::Retrograde : FittedRetro::Prograde;
}

}  // namespace skyloom
