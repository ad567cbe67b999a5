#include "engine/transit_approach.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "calendar/zone.h"

namespace skyloom {
namespace {

// 1 January of year 1 is as far back as a run can go: the calendar of the
// program has no year 0.
constexpr int32_t kFirstDay = 1721426;
// Days walked one by one towards the end of a body's data.
constexpr int32_t kWalkIntoDataEnd = 400;
constexpr std::chrono::milliseconds kProgressInterval{40};

double Deviation(const Position& a, const Position& b, AspectIndex aspect) {
  return std::fabs(AngularSeparation(a.longitude, b.longitude) - AspectTable[static_cast<size_t>(aspect)].Angle);
}

}  // namespace

double DailyReach(BodyIndex first, BodyIndex second, bool world) {
  return (MaxDailyMotion(first) + (world ? MaxDailyMotion(second) : 0.0)) * TwoPi / 360.0;
}

int32_t ExtendStartToTransit(MidnightLongitudes& midnights, const RunDescription& run, int32_t entered) {
  const BodyIndex moving = run.bodies[0];
  const BodyIndex other = run.bodies[1];
  const Position natal{PositionStatus::Known, run.natalLongitude};
  const double innerOrb = run.orbs.OrbRadians[2];
  auto at = [&](int32_t day) {
    return std::pair{midnights.At(moving, day), run.world ? midnights.At(other, day) : natal};
  };
  const auto [a0, b0] = at(entered);
  // The zone can put the local midnight of the first day of a body's data
  // on the day before it; without positions there is no transit to extend.
  if (!a0.Known() || !b0.Known()) return entered;
  // Aspects a few degrees apart can both be within the inner orb: the run
  // begins early enough for each.
  int32_t start = entered;
  for (const AspectIndex inProgress : run.aspects.List()) {
    if (!(Deviation(a0, b0, inProgress) < innerOrb)) continue;
    int32_t day = entered;
    while (day > kFirstDay) {
      --day;
      const auto [a, b] = at(day);
      // Off the start of a body's data: its first day is as far back as a run
      // can go.
      if (!a.Known() || !b.Known()) {
        ++day;
        break;
      }
      // The day whose midnight is out of the inner orb again: from it the run
      // sees the transit enter its orbs.
      if (!(Deviation(a, b, inProgress) < innerOrb)) break;
    }
    start = std::min(start, day);
  }
  return start;
}

// Far from the aspect the deviation cannot fall to the orb faster than the
// two bodies move, so whole stretches of days can be passed over unseen:
// without this, an aspect the pair never makes (an opposition of the Sun and
// Mercury) costs millions of positions on the way to the ephemeris's end.
int32_t ApproachInOrb(const BodyPositions& positions, const AspectTest& p, const Zone& zone, int32_t from,
                      const std::function<void(int32_t)>& progress) {
  const double reach = DailyReach(p.bodyA, p.bodyB, p.world);
  int32_t safe = from;
  int32_t day = from;
  auto shown = std::chrono::steady_clock::now() - kProgressInterval;
  for (;;) {
    const double jd = LocalMidnight(day, zone).ut;
    const Position lb =
        p.world ? positions.Longitude(p.bodyB, jd, p.zodiac) : Position{PositionStatus::Known, p.secondLongitude};
    const Position la = lb.Known() ? positions.Longitude(p.bodyA, jd, p.zodiac) : lb;
    // Past the data: the day-by-day walk finds the last day. Near the end of
    // its files the ephemeris answers a lone query differently from one that
    // follows its neighbours, so the walk starts well back (every day from
    // `from` up to here is clear) and meets the end as a plain walk would.
    if (!la.Known() || !lb.Known()) return std::max(from, safe - kWalkIntoDataEnd);
    const double clearance = Deviation(la, lb, p.aspect) - p.orb;
    // No midnight up to `steps` days on can be in orb (the test is strict).
    const double steps = clearance > 0 ? std::floor(clearance / reach) : 0.0;
    if (steps < 2) return day;
    safe = day;
    day += static_cast<int32_t>(std::min(steps, 100000.0));
    // A repaint per probe would cost more than the probe on a real window;
    // a few a second show that the search is alive.
    const auto now = std::chrono::steady_clock::now();
    if (now - shown >= kProgressInterval) {
      progress(day);
      shown = now;
    }
  }
}

}  // namespace skyloom
