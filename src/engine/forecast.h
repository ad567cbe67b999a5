// The forecast tables asked for with the transits of a command: eclipses,
// lunations and the Moon's void-of-course spells over the period the runs
// cover, in the runs' zone and zodiac, set against the birth chart of a
// personal run.
#pragma once

#include <optional>
#include <vector>

#include "engine/eclipses.h"
#include "engine/lunations.h"
#include "engine/run_state.h"
#include "engine/void_of_course.h"

namespace skyloom {

struct ForecastList {
  bool eclipsesAsked = false, lunationsAsked = false, voidOfCourseAsked = false;
  bool personal = false;  // the natal contacts are shown
  int32_t firstDay = 0, lastDay = 0;
  Zone zone;
  Zodiac zodiac = Zodiac::Tropical;
  std::vector<Eclipse> eclipses;
  std::vector<Lunation> lunations;
  std::vector<VoidSpell> voidOfCourse;
  bool Any() const { return eclipsesAsked || lunationsAsked || voidOfCourseAsked; }
};

struct ForecastAsked {
  bool eclipses = false, lunations = false, voidOfCourse = false;
};

// The tables of the runs' period; chart, for a personal command, gives each
// eclipse and lunation its natal contacts.
ForecastList ForecastOfRuns(EphemerisLibrary& library, const BodyPositions& positions,
                            const std::vector<RunResult>& results, ForecastAsked asked, const NatalChart* chart);

}  // namespace skyloom
