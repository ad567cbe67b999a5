// What every benchmark needs: the ephemeris and the Pluto table built beside
// it, and runs of the engine described as the window would describe them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "calendar/date_format.h"
#include "engine/pluto_table.h"
#include "engine/positions.h"
#include "engine/transit_search.h"
#include "ports/calendar_library.h"
#include "ports/ephemeris.h"
#include "ports/program_folder.h"

namespace skyloom::bench {

struct Session {
  Session() {
    InitDateNames();
    std::string error;
    if (!pluto.Load(ExecutableFolder() + PlutoFileName, error)) throw std::runtime_error("pluto.ptb: " + error);
  }
  SwissEphemeris library{ExecutableFolder()};
  PlutoTable pluto;
  BodyPositions positions{library, &pluto};
};

inline Session& TheSession() {
  static Session session;
  return session;
}

inline int32_t DayOf(int32_t y, int32_t m, int32_t d) {
  CalendarDate date;
  date.Year = y;
  date.Month = m;
  date.Day = d;
  return date_to_day_number(date);
}

// A caller that takes every row and never stops: the engine's own work.
class TakeEverything : public RunObserver {
 public:
  bool NextDay(int32_t) override { return true; }
  RowTaken TakeRow(const TransitRowData&, RowPlace) override { return {}; }
};

}  // namespace skyloom::bench
