// Exact times, closest approaches and retrograde marks: a minimum found at a
// local midnight refined to the minute, the texts of the result table's
// minimum columns, and the "r" that follows every date of a transit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/run_state.h"

namespace skyloom {

// Deviations below one minute of arc count as exact.
inline constexpr double ExactThreshold = 0.000291;

// "r" when the body is retrograde at the local midnight starting day, else
// empty; always empty in a Show-all series of world runs.
std::string RetroMark(const FormState& state, int32_t day, BodyIndex body);
bool RetroState(const FormState& state, int32_t day, BodyIndex body);
// The same with the body's longitude at that midnight already known.
bool RetroState(const FormState& state, int32_t day, BodyIndex body, double longitudeAtMidnight);

// Refines the minimum whose nearest local midnight starts day: walks the
// minutes from the local midnight starting day - 1 to the one starting
// day + 1 until the deviation grows again. Empty when the smallest deviation
// is not below one minute of arc.
std::optional<MinimumRecord> FindExactTime(const FormState& state, int32_t day, BodyIndex body,
                                           BodyIndex secondBody, AspectIndex aspect);
// The same result found by walking every minute from the start of the span;
// FindExactTime gives it with far fewer positions wherever the pair's
// relative motion keeps one direction over the span.
std::optional<MinimumRecord> FindExactTimeByMinuteScan(const FormState& state, int32_t day, BodyIndex body,
                                                       BodyIndex secondBody, AspectIndex aspect);
// The same result as the text of the result table: date, "*", mark, time and zone.
std::string ExactTimeText(const MinimumRecord& minimum);

// "hh:mm" (rounded to the minute, never past 23:59) or "hh:mm:ss"; empty for
// a fraction outside [0, 1).
std::string FormatTimeOfDay(double dayFraction, bool rounding, std::string_view separator);

// Splits an exact-time text after its "r" (or, without one, its "*"): the
// minimum's date with its marks, and the time with its zone.
std::pair<std::string, std::string> SplitExactText(std::string_view text);

// Columns 4 and 8 of a pass that never became exact: the closest approach's
// date and its deviation.
void RecordNearMiss(FormState& state, int32_t row, int32_t minDay, AspectIndex aspect, double minDeviation);

// The closest approach's date: minDay, or the day before when the deviation
// is already growing half an hour after minDay's local midnight.
std::string MinimumDate(const FormState& state, int32_t& day, AspectIndex aspect, double minDeviation);
// 1, 0 or -1 as the deviation 30 minutes after jd is larger, equal or smaller.
int16_t DeviationAfterMidnight(const FormState& state, double jd, AspectIndex aspect, double minDeviation);

// Degrees and minutes of arc without blanks: 2°5'. Empty outside [0, 2*pi).
std::string FormatAngle(double radians);

// The deviation from the aspect of the run's bodies at jd (UT).
double DeviationAt(const FormState& state, double jd, AspectIndex aspect);

}  // namespace skyloom
