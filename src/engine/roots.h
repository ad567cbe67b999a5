// The one root finder of the engine: exact aspects, the turning points of a
// deviation, stations and sign ingresses are all zeros of a function of
// time between two instants where it has opposite signs.
#pragma once

#include <functional>
#include <limits>
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
// next (NaN: none). A zero found within tolerance of such an edge (or on
// it) is then put on the edge's side f's sign there tells: rounded, it gives
// the minute that holds the true zero, not its neighbour.
std::optional<double> BracketedRoot(const std::function<double(double)>& f, double a, double b, double fa, double fb,
                                    double tolerance, const std::function<double(double)>& edge = {});

// The same zero told to the minute from a guess of where it lies: f at the
// clock's minute edge nearest the guess, then at the next edge on the side
// of the zero; where f's signs there put the zero between the two, the
// middle of that minute. A guess a minute or more off is tried again where
// f's slope (per day; NaN where not known) takes it from the value at the
// edge, or else where the line through the two values crosses zero; after
// a few tries (or at an edge outside the bracket) BracketedRoot over what
// is left of the bracket. Either way the minute that holds the zero by f's
// signs at its edges, as BracketedRoot's own zero rounds to; a good guess
// costs two values of f where BracketedRoot takes three or four.
double RootMinuteNear(const std::function<double(double)>& f, double a, double b, double fa, double fb, double guess,
                      const std::function<double(double)>& edge,
                      double slope = std::numeric_limits<double>::quiet_NaN());

// The same zero told to the minute from a fit of f: fitted(t, bound) gives
// a value within bound of f(t) (NaN where it knows none). The middle of
// the clock's minute (edge as above) that holds the zero, strictly between a
// and b, where the fitted value stands beyond its bound on fa's side at the
// minute's earlier edge and on fb's at its later one, so that f changes
// sign within that minute too. Where the zero lies so near an edge that the
// fit cannot tell its side, but the edges a minute before and after stand
// beyond the bound, f itself at that one edge tells which of the two
// minutes holds it. nullopt wherever neither can tell.
std::optional<double> FittedRootMinute(const std::function<double(double, double&)>& fitted, double a, double b,
                                       double fa, double fb, const std::function<double(double)>& edge,
                                       const std::function<double(double)>& f);

}  // namespace skyloom
