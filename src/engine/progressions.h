// Charts moved on from a birth: secondary progression, where each tropical
// year of life is answered by the sky one day after the birth, and solar-arc
// direction, where every point moves by the arc the progressed Sun has
// travelled. Both keep the real time of the instants they are asked about:
// a position "at" a date of the period is the progressed one for that date.
#pragma once

namespace skyloom {

enum class ProgressionKind { Transit, Progressed, Directed };

// The tropical year the progressions count in days of life.
inline constexpr double DaysPerProgressedYear = 365.2422;

struct Progression {
  ProgressionKind kind = ProgressionKind::Transit;
  double birth = 0.0;  // Julian day (UT)
  friend bool operator==(const Progression&, const Progression&) = default;
};

// The instant whose sky gives the progressed chart at jd (UT): a day after
// birth for each year of life.
constexpr double ProgressedInstant(const Progression& p, double jd) {
  return p.birth + (jd - p.birth) / DaysPerProgressedYear;
}

}  // namespace skyloom
