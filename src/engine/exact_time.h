// Exact times, closest approaches and retrograde marks: the pair's signed
// deviation from an aspect, the records and texts of the result table's
// minimum columns, and the "r" that follows every date of a transit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "engine/day_minima.h"
#include "engine/run_state.h"

namespace skyloom {

// "r" when the body is retrograde at the local midnight starting day, else
// empty; always empty in a Show-all series of world runs.
std::string RetroMark(const FormState& state, int32_t day, BodyIndex body);
bool RetroState(const FormState& state, int32_t day, BodyIndex body);
// The same with the body's longitude at that midnight already known.
bool RetroState(const FormState& state, int32_t day, BodyIndex body, double longitudeAtMidnight);

// The side of the aspect two longitudes stand nearest: +1 when the first
// body leads the second (separation measured eastwards), -1 when it trails.
int AspectSide(double la, double lb);
// The deviation from the aspect's angle on that side, signed: it passes
// through zero where the aspect is exact, and its size is the deviation
// |separation - angle| wherever the pair stands on that side.
double SignedAspectDeviation(double la, double lb, AspectIndex aspect, int side);

// The run's pair's signed deviation from one side of an aspect, computed
// afresh from the bodies' positions (a personal run's second body is the
// natal position).
class PairDeviation : public SignedDeviation {
 public:
  PairDeviation(const FormState& state, AspectIndex aspect, int side) : state_(state), aspect_(aspect), side_(side) {}
  double Value(double jd) override;
  double Slope(double jd) override;

 private:
  const FormState& state_;
  AspectIndex aspect_;
  int side_;
};

// The exact aspect at a UT instant as the table records it: the nearest
// whole minute of the results zone, its local date and the mark.
MinimumRecord ExactMinimum(const FormState& state, double instant);
// A pass's closest approach without an exact aspect: its size and the local
// date of its instant.
MinimumRecord ClosestApproach(const FormState& state, double deviation, double instant);
// The same result as the text of the result table: date, "*", mark, time and zone.
std::string ExactTimeText(const MinimumRecord& minimum);

// "hh:mm" (rounded to the minute, never past 23:59) or "hh:mm:ss"; empty for
// a fraction outside [0, 1).
std::string FormatTimeOfDay(double dayFraction, bool rounding, std::string_view separator);

// Splits an exact-time text after its "r" (or, without one, its "*"): the
// minimum's date with its marks, and the time with its zone.
std::pair<std::string, std::string> SplitExactText(std::string_view text);

// Degrees and minutes of arc without blanks: 2°5'. Empty outside [0, 2*pi).
std::string FormatAngle(double radians);

}  // namespace skyloom
