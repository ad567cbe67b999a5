// The checks of a request, in the order a press runs them. Each returns
// nothing to go on, or the refusal its face shows; none of them shows
// anything itself or changes the request.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "runs/session.h"

namespace skyloom {

// Day numbers the checks allow: 1 January of year 1 to 31 December 2799.
inline constexpr int32_t FirstAllowedDay = 1721426;
inline constexpr int32_t LastAllowedDay = 2743738;

// The leading decimal number of a text, rounded to 32 bits with ties to
// even; an empty or non-numeric text gives 0. A number too large for 32 bits
// gives fits = false, and the date it belongs to counts as invalid.
struct BoxNumber {
  int32_t value = 0;
  bool fits = true;
};
BoxNumber NumberFromText(std::string_view text);

// An entered date read through the calendar: its day number when valid.
struct ReadDate {
  bool valid = false;
  int32_t dayNumber = 0;
  int32_t year = 0, month = 0, day = 0;
};
ReadDate ReadEnteredDate(const EnteredDate& date);

using Check = std::optional<Refusal>;

// date: 0 start, 1 end, 2 birth. The date checks record what they read in days.
Check CheckOutputFile(const RunRequest& r, const Captions& c);
Check CheckDatePresent(const RunRequest& r, const Captions& c, int16_t date);
Check CheckBirthBoxes(const RunRequest& r, const Captions& c);
Check CheckDateValid(const RunRequest& r, const Captions& c, int16_t date, EnteredDays& days);
Check CheckBirthData(const RunRequest& r, const Captions& c, bool testAgainstStart, EnteredDays& days);
// A natal point, and the house ingresses, are taken at the birth place.
Check CheckBirthPlace(const RunRequest& r, const Captions& c);
Check CheckPeriod(const Captions& c, const EnteredDays& days);
// The zone the birth time is read in, after CheckBirthData: the request's
// zone, or its zone name read at the birth time. A name the tz database
// does not know is refused, and so is a birth time that the zone repeated
// (clocks set back) or skipped (clocks set forward), with both readings.
Check CheckBirthZone(const RunRequest& r, const Captions& c, Zone& zone);
// The zone of the results: the request's zone, or the zone of its zone
// name, which must be one the tz database knows. pressedCaption: the
// caption of the button pressed (Start or Search).
Check CheckResultZone(const RunRequest& r, const std::string& pressedCaption, Zone& zone);
// The order of a world pair. search: the Search's rule. A series passes
// over a pair silently (skip set, no refusal) and puts the others in order.
Check CheckBodyOrder(BodyIndex& inner, BodyIndex& outer, const Captions& c, bool search, bool inSeries, bool& skip);
Check CheckOrbs(const RunRequest& r);
// The rule of a swift moving body (the Moon): its outer orb wide enough that
// every pass through it holds a midnight. Nothing for other bodies.
Check CheckSwiftOrbs(const RunRequest& r, BodyIndex moving);
// The last rule of CheckOrbs alone: outer, middle and inner orb nested.
Check CheckOrbsNested(const RunRequest& r);
// Both bodies have positions at the start of day (date 0: the start date, 1:
// the end date), statusAt(body, instant) telling whether one has.
Check CheckBodyRanges(const std::function<PositionStatus(BodyIndex, double)>& statusAt, BodyIndex first,
                      BodyIndex second, int32_t day, int16_t date);
// Middle and inner orb of a Search from its search orb (orbs[0]).
Check DeriveSearchOrbs(const RunRequest& r, std::array<int16_t, 3>& orbs);

}  // namespace skyloom
