#include "runs/after_tables.h"

#include <optional>

#include "engine/natal_contacts.h"
#include "report/forecast_report.h"
#include "report/sky_event_report.h"

namespace skyloom {

TablesAfterRuns TablesOfRuns(Session& session, const RunRequest& request) {
  TablesAfterRuns tables;
  if (request.stations || request.ingresses)
    tables.events = EventsOfRuns(session.Positions(), session.Results(), request.stations, request.ingresses);
  // The entries into the natal houses, of the houses the runs were given.
  if (request.houseIngresses && session.Houses())
    AddHouseIngresses(tables.events, session.Positions(), session.Results(), *session.Houses());
  if (request.eclipses || request.lunations || request.voidOfCourse) {
    // A personal command's events are set against the whole birth chart.
    std::optional<NatalChart> chart;
    if (!request.World() && session.BirthJulianDay() && !session.Results().empty())
      chart = NatalChartAt(session.Positions(), *session.BirthJulianDay(), session.Results().front().zodiac,
                           session.Houses() ? &*session.Houses() : nullptr, request.aspects, request.orbs[0]);
    tables.forecast =
        ForecastOfRuns(session.Library(), session.Positions(), session.Results(),
                       {request.eclipses, request.lunations, request.voidOfCourse}, chart ? &*chart : nullptr);
  }
  return tables;
}

std::string TablesText(const TablesAfterRuns& tables) {
  std::string text;
  if (tables.events.Any()) text += SkyEventTables(tables.events);
  if (tables.forecast.Any()) text += ForecastTables(tables.forecast);
  return text;
}

}  // namespace skyloom
