#include "engine/forecast.h"

#include <algorithm>

namespace skyloom {

ForecastList ForecastOfRuns(EphemerisLibrary& library, const BodyPositions& positions,
                            const std::vector<RunResult>& results, ForecastAsked asked, const NatalChart* chart) {
  ForecastList list;
  list.eclipsesAsked = asked.eclipses;
  list.lunationsAsked = asked.lunations;
  list.voidOfCourseAsked = asked.voidOfCourse;
  list.personal = chart != nullptr;
  if (results.empty() || !list.Any()) return list;
  // The period every run covers, in the first run's zone and zodiac (a
  // command's runs share them).
  list.firstDay = results.front().startDay;
  list.lastDay = results.front().endDay;
  list.zone = results.front().zone;
  list.zodiac = results.front().zodiac;
  for (const RunResult& run : results) {
    list.firstDay = std::min(list.firstDay, run.startDay);
    list.lastDay = std::max(list.lastDay, run.endDay);
  }
  if (asked.eclipses) {
    list.eclipses = FindEclipses(library, positions, list.firstDay, list.lastDay, list.zone, list.zodiac);
    if (chart)
      for (Eclipse& e : list.eclipses) e.contacts = ContactsOf(*chart, e.longitude);
  }
  if (asked.lunations) {
    list.lunations = FindLunations(positions, list.firstDay, list.lastDay, list.zone, list.zodiac);
    if (chart)
      for (Lunation& l : list.lunations) l.contacts = ContactsOf(*chart, l.longitude);
  }
  if (asked.voidOfCourse)
    list.voidOfCourse = FindVoidOfCourse(positions, list.firstDay, list.lastDay, list.zone, list.zodiac);
  return list;
}

}  // namespace skyloom
