// Bodies, aspects and orbs: the numbers and tables every part of the engine
// shares.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ports/position.h"

namespace skyloom {

// The value of 2*pi the engine uses throughout.
inline constexpr double TwoPi = 6.28318530717959;
// pi as the retrograde test uses it.
inline constexpr double Pi = 3.141592653589793;

using BodyIndex = int16_t;    // 1 Sun .. 9 Pluto, 10 Moon, 11 North Node, 12 Mean Node, 13 Chiron
using AspectIndex = int16_t;  // 1 .. AspectCount
using OrbIndex = int16_t;     // 0 outer, 1 middle, 2 inner

inline constexpr BodyIndex Sun = 1, Mercury = 2, Venus = 3, Mars = 4, Jupiter = 5, Saturn = 6, Uranus = 7, Neptune = 8,
                           Pluto = 9, Moon = 10;
// Points and the centaur the command line offers besides the window's bodies:
// the Moon's true and mean ascending node and Chiron, all from the library.
inline constexpr BodyIndex NorthNode = 11, MeanNode = 12, Chiron = 13;
inline constexpr BodyIndex LastBody = Chiron;
// Bodies of the window's lists (Sun .. Moon); those after them are the
// command line's only.
inline constexpr BodyIndex LastWindowBody = Moon;
inline constexpr AspectIndex AspectCount = 5;

// Pluto and the Moon are known for these day numbers only (1600-01-01 to 2099-12-31).
inline constexpr int32_t FirstTableDay = 2305448;
inline constexpr int32_t LastTableDay = 2488069;

struct AspectEntry {
  std::string Name;
  double Angle = 0.0;  // radians
};

// Indexed 1..LastBody by BodyIndex; entry 0 is empty.
extern const std::array<std::string, LastBody + 1> BodyNames;
// Indexed 1..AspectCount by AspectIndex; entry 0 is unused. Angles are
// degrees / 360 * TwoPi.
extern const std::array<AspectEntry, AspectCount + 1> AspectTable;

// The name of a body or an aspect, or the empty text for a number outside
// the tables (results read back from elsewhere may carry one).
const std::string& BodyName(BodyIndex body);
const std::string& AspectName(AspectIndex aspect);

// The body named so (any letter case), or 0.
BodyIndex BodyByName(const std::string& name);

// Whether a body's longitude ever stands still: the Sun, the Moon and the
// mean node move one way only.
constexpr bool CanStation(BodyIndex body) { return body != Sun && body != Moon && body != MeanNode; }

// Whether a body moves so fast (the Moon, 12 to 15 degrees a day) that a
// middle or inner orb can be entered and left between two midnights, and
// one day can see it leave one aspect's orbs and enter the next one's.
constexpr bool MovesSwiftly(BodyIndex body) { return body == Moon; }
// The least outer orb of such a body as the moving one: the outer orb is then
// wider than its motion in a day of 25 hours (15.4 degrees a day at most), so
// every pass through it holds a midnight, where the daily walk sees it.
inline constexpr int16_t SwiftOuterOrbMinimum = 9;

// Whole degrees -> radians.
constexpr double OrbRadiansFromDegrees(int16_t degrees) { return degrees * TwoPi / 360.0; }

// The most a body's geocentric longitude changes in one day, in degrees,
// with room to spare (measured over 1600 to 2799: Mercury 2.20, Venus 1.26,
// the Sun 1.02, Mars 0.79, Jupiter 0.24; the Moon 15.4); 16 for a body not
// listed.
double MaxDailyMotion(BodyIndex body);

// The three orbs of a run.
struct RunOrbs {
  std::array<int16_t, 3> OrbDegrees{10, 5, 2};
  std::array<double, 3> OrbRadians{OrbRadiansFromDegrees(10), OrbRadiansFromDegrees(5), OrbRadiansFromDegrees(2)};
  bool OuterOrbIs15 = false;

  // Sets all three from whole degrees (outer, middle, inner).
  void Set(int16_t outer, int16_t middle, int16_t inner);
};

}  // namespace skyloom
