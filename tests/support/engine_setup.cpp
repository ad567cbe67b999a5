#include "support/engine_setup.h"

#include <string>

#include "calendar/date_format.h"
#include "engine/bodies.h"
#include "engine/pluto_table.h"

namespace skyloom::test {

void InitEngineOnce() {
  static const bool done = [] {
    InitDateNames();
    InitAstroTables();
    return true;
  }();
  (void)done;
}

bool LoadPlutoOnce() {
  InitEngineOnce();
  static const bool loaded = [] {
    std::string error;
    return ReadPlutoData(nullptr, PlutoFileName, error);
  }();
  return loaded;
}

}  // namespace skyloom::test
