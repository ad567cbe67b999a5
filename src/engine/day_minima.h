// Where, within one day, a pair's deviation from an aspect reaches zero or
// its smallest value: the exact aspects of the day found to a fraction of a
// second, and the day's closest approach.
//
// The daily walk knows the deviation at local midnights only. A cubic
// through the four midnights around the day (or, where the data end, through
// the day's two midnights and the speeds there) follows the true deviation
// to a few arc seconds; only where it comes within a margin of the limits
// that matter is the day searched with real positions, so that no exact
// aspect between two midnights is missed and none costs more than a handful
// of positions.
#pragma once

#include <array>
#include <limits>
#include <optional>
#include <vector>

namespace skyloom {

// Deviations below one minute of arc count as exact.
inline constexpr double ExactThreshold = 0.000291;

// A pair's deviation from one side of an aspect (the angle reached from one
// direction), signed so that it passes through zero at the exact aspect.
// Radians, as functions of the instant (Julian day, UT).
class SignedDeviation {
 public:
  virtual ~SignedDeviation() = default;
  virtual double Value(double jd) = 0;
  // The rate of change, radians a day.
  virtual double Slope(double jd) = 0;
  // Where the zeros are told as minutes of a clock, the instant nearest jd
  // at which its minute changes (see BracketedRoot); NaN: none.
  virtual double MinuteEdge(double /*jd*/) { return std::numeric_limits<double>::quiet_NaN(); }
  // A zero between a and b (where the values are va and vb, of opposite
  // signs) told to the minute from fits (see FittedRootMinute); nullopt
  // where they cannot tell it and the ephemeris must.
  virtual std::optional<double> FittedZero(double /*a*/, double /*b*/, double /*va*/, double /*vb*/) {
    return std::nullopt;
  }
};

struct DayMinima {
  // Instants of the exact aspects in [start, start + 1), in time order: each
  // zero of the deviation (where fits time it, the middle of the clock's
  // minute that holds it), and each local minimum of its size below
  // ExactThreshold that does not reach zero.
  std::vector<double> exact;
  // The smallest size of the deviation known in [start, start + 1] and its
  // instant; exact wherever it could lie below the refineBelow given.
  double smallest = 0;
  double smallestAt = 0;
};

// samples[i] is the deviation at start + i - 1 as the daily walk computed it
// (nullopt where a body's data end); samples[1] and samples[2], the day's own
// midnights, must be present. Turning points inside the day whose size may
// lie below refineBelow (or below ExactThreshold) are found exactly.
//
// reach is the most the deviation can change in a day (radians; 0 when not
// known). Where it is more than any planet's (the Moon's 12 to 15 degrees a
// day), the day is also cut into sub-steps by real positions until each
// stretch either changes sign or is too short for the deviation to reach zero
// and come back: no exact aspect rests on the cubic alone.
DayMinima FindDayMinima(SignedDeviation& deviation, double start, const std::array<std::optional<double>, 4>& samples,
                        double refineBelow, double reach = 0);

// The same for a day of a zone whose days are not all 24 hours long (23 or
// 25 where the clocks change): midnights[i] is the instant of samples[i],
// the day runs from midnights[1] to midnights[2].
DayMinima FindDayMinima(SignedDeviation& deviation, const std::array<double, 4>& midnights,
                        const std::array<std::optional<double>, 4>& samples, double refineBelow, double reach = 0);

// What FindDayMinima finds on a day of 24 hours whose midnights on either
// side are known, for a pair that is not swift, told from samples known
// only to within bounds[i] of the true ones: whether the day surely holds no
// exact aspect and has its smallest size at one of its own midnights, and
// which (0 its first, 1 its second); nullopt where the samples leave that
// open. refineBelow is the largest the caller's value may be.
std::optional<int> SmallestAtMidnight(const std::array<double, 4>& samples, const std::array<double, 4>& bounds,
                                      double refineBelow);

// The exact aspect of a day of 24 hours, for a pair that is not swift, where
// samples known only to within bounds[i] of the true ones tell that the
// deviation changes sign between the day's midnights and moves one way all
// day: its instant, in the minute FindDayMinima puts it, from the
// deviation's own values; nullopt where the samples leave that open.
std::optional<double> ZeroOfTheDay(SignedDeviation& deviation, double start, const std::array<double, 4>& samples,
                                   const std::array<double, 4>& bounds);

}  // namespace skyloom
