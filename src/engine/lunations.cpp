#include "engine/lunations.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/roots.h"

namespace skyloom {
namespace {

// Found to well within a second, so that an event near a half minute falls
// on the nearer whole minute.
constexpr double kMomentTolerance = 1e-9;

}  // namespace

double SignedAngle(double x) {
  x = std::fmod(x, TwoPi);
  if (x > Pi) x -= TwoPi;
  if (x <= -Pi) x += TwoPi;
  return x;
}

LocalMoment MomentAt(double jd, const Zone& zone) {
  const LocalMinute local = ToLocalMinute(Instant{jd}, zone);
  return {InstantOf(local), local};
}

std::vector<double> UpwardZeros(const std::function<std::optional<double>(double)>& f, double from, double to,
                                double step) {
  std::vector<double> zeros;
  std::optional<double> before = f(from);
  for (double a = from; a < to;) {
    const double b = std::min(to, a + step);
    const std::optional<double> after = f(b);
    // Growing through zero, not over the jump from pi back to -pi.
    if (before && after && *before < 0 && *after >= 0 && *after - *before < Pi) {
      const auto t = BracketedRoot([&](double m) { return f(m).value_or(0); }, a, b, *before, *after, kMomentTolerance);
      if (t) zeros.push_back(*t);
    }
    before = after;
    a = b;
  }
  return zeros;
}

std::vector<Lunation> FindLunations(const BodyPositions& positions, int32_t firstDay, int32_t lastDay, const Zone& zone,
                                    Zodiac zodiac) {
  // The elongation grows 10 to 16 degrees a day: a day's step never skips
  // a lunation. A half day on either side catches those that round into
  // the period.
  const double from = LocalMidnight(firstDay, zone).ut - 0.5, to = LocalMidnight(lastDay + 1, zone).ut + 0.5;
  std::vector<Lunation> found;
  for (const LunationKind kind : {LunationKind::NewMoon, LunationKind::FullMoon}) {
    const double target = kind == LunationKind::NewMoon ? 0.0 : Pi;
    auto elongation = [&](double t) -> std::optional<double> {
      const Position moon = positions.Longitude(Moon, t, zodiac), sun = positions.Longitude(Sun, t, zodiac);
      if (!moon.Known() || !sun.Known()) return std::nullopt;
      return SignedAngle(moon.longitude - sun.longitude - target);
    };
    for (const double t : UpwardZeros(elongation, from, to, 1.0)) {
      Lunation l;
      l.kind = kind;
      l.at = MomentAt(t, zone);
      if (l.at.local.day < firstDay || l.at.local.day > lastDay) continue;
      l.longitude = positions.Longitude(Moon, t, zodiac).longitude;
      found.push_back(l);
    }
  }
  std::sort(found.begin(), found.end(),
            [](const Lunation& a, const Lunation& b) { return a.at.instant < b.at.instant; });
  return found;
}

}  // namespace skyloom
