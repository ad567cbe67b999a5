// The one root finder of the engine: exact aspects, the turning points of a
// deviation, stations and sign ingresses are all zeros of a function of
// time between two instants where it has opposite signs.
#pragma once

#include <functional>
#include <optional>

namespace skyloom {

// Instants are found to within this, in days (under a tenth of a second).
inline constexpr double InstantTolerance = 1e-6;

// A zero of f between a and b, where fa = f(a) and fb = f(b), to within
// tolerance (in the units of a and b): Brent's method, which never leaves the
// bracket and falls back to bisection where interpolation does not pay.
// An end where f is zero is that zero; nullopt when fa and fb have the same
// sign, as the bracket need not hold a zero then.
//
// Where the zero is told as a minute of a clock, edge(t) gives the instant
// nearest t at which that clock's rounding passes from one minute to the
// next (NaN: none). A zero found within tolerance of such an edge is then
// put on the edge's side f's sign there tells: rounded, it gives the minute
// that holds the true zero, not its neighbour.
std::optional<double> BracketedRoot(const std::function<double(double)>& f, double a, double b, double fa, double fb,
                                    double tolerance, const std::function<double(double)>& edge = {});

}  // namespace skyloom
