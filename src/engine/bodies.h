// Bodies, aspects and orbs: the numbers and tables every part of the engine
// shares.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

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
// The birth chart's angles and house cusps: natal points, the natal body of
// a personal run only, taken at the birth place. Cusp n (2 .. 12) is
// Cusp2 + n - 2. Points have no longitude of their own in the engine: a
// run is given theirs as its natal longitude.
inline constexpr BodyIndex Ascendant = 14, Midheaven = 15, Cusp2 = 16, Cusp12 = 26;
constexpr bool IsNatalPoint(BodyIndex body) { return body >= Ascendant && body <= Cusp12; }
// Bodies of the window's lists (Sun .. Moon); those after them are the
// command line's only.
inline constexpr BodyIndex LastWindowBody = Moon;
// The five major aspects come first, keeping the numbers 1..5 that saved
// window state and every result of a major aspect carry; the six minor ones
// follow.
inline constexpr AspectIndex AspectCount = 11;
inline constexpr AspectIndex MajorAspectCount = 5;
inline constexpr AspectIndex Conjunction = 1, Opposition = 2, Square = 3, Trine = 4, Sextile = 5, Semisextile = 6,
                             Semisquare = 7, Quintile = 8, Sesquiquadrate = 9, Biquintile = 10, Quincunx = 11;

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

// The name of a body, a natal point ("Ascendant", "Cusp 7") or an aspect,
// or the empty text for a number outside the tables (results read back from
// elsewhere may carry one).
const std::string& BodyName(BodyIndex body);
const std::string& AspectName(AspectIndex aspect);
// The aspect's name as the report's 12-character aspect column shows it:
// the name, shortened where it is longer ("Sesquiquad.").
std::string AspectShortName(AspectIndex aspect);
// The aspect named so (any letter case), or 0.
AspectIndex AspectByName(const std::string& name);

// The aspects a run looks for. Each is searched on its own: a pair may be
// within the orbs of two aspects at once (the biquintile and the quincunx
// are 6 degrees apart), and then both transits are reported.
class AspectSet {
 public:
  // The five major aspects, which every run looked for before the minor
  // ones were known: the default.
  static AspectSet Major();
  static AspectSet All();
  static AspectSet Of(std::initializer_list<AspectIndex> aspects);

  bool Has(AspectIndex aspect) const { return aspect >= 1 && aspect <= AspectCount && (bits_ >> aspect & 1U) != 0; }
  void Add(AspectIndex aspect);
  bool Empty() const { return bits_ == 0; }
  // The aspects in index order.
  std::vector<AspectIndex> List() const;
  bool operator==(const AspectSet&) const = default;

 private:
  uint16_t bits_ = 0;
};

// The body named so (any letter case), or 0.
BodyIndex BodyByName(const std::string& name);
// The natal point named so (any letter case, "Cusp 7" also as "cusp7"), or 0.
BodyIndex NatalPointByName(const std::string& name);

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

// The farthest a body's geocentric longitude strays from the Sun's, in
// radians: 0 for the Sun; for Mercury and Venus, which circle the Sun inside
// the Earth's orbit, the sine of it is at most their greatest distance from
// the Sun over the Earth's least (28.3 and 47.8 degrees), and with room to
// spare for the orbits' slow change and the aberration of light 29 and 48.5
// (over 1600 to 2799, every twelve hours: 27.79 and 47.28); pi for any
// other body.
double GreatestElongation(BodyIndex body);

// The three orbs of a run.
struct RunOrbs {
  std::array<int16_t, 3> OrbDegrees{10, 5, 2};
  std::array<double, 3> OrbRadians{OrbRadiansFromDegrees(10), OrbRadiansFromDegrees(5), OrbRadiansFromDegrees(2)};
  bool OuterOrbIs15 = false;

  // Sets all three from whole degrees (outer, middle, inner).
  void Set(int16_t outer, int16_t middle, int16_t inner);
};

}  // namespace skyloom
