// The tables that follow a command's transits: stations and ingresses, the
// entries into the natal houses, then eclipses, lunations and the Moon's
// void-of-course spells. The window and the command line show the same.
#pragma once

#include <string>

#include "engine/forecast.h"
#include "engine/sky_events.h"
#include "request/run_request.h"
#include "runs/session.h"

namespace skyloom {

struct TablesAfterRuns {
  SkyEventList events;
  ForecastList forecast;
};

// The tables the request asks for, of the bodies and the period of the runs
// the session's last command made (when it made any).
TablesAfterRuns TablesOfRuns(Session& session, const RunRequest& request);

// Their text, lines ending in CR LF; empty when none was asked.
std::string TablesText(const TablesAfterRuns& tables);

}  // namespace skyloom
