#include "support/engine_setup.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "calendar/date_format.h"
#include "ports/ephemeris.h"
#include "ports/program_folder.h"
#include "runs/form_state.h"

namespace skyloom::test {

void InitEngineOnce() {
  static const bool done = [] {
    InitDateNames();
    return true;
  }();
  (void)done;
}

namespace {

const std::shared_ptr<const PlutoTable>& SharedPluto() {
  static const std::shared_ptr<const PlutoTable> table = [] {
    auto t = std::make_shared<PlutoTable>();
    std::string error;
    if (!t->Load(ExecutableFolder() + PlutoFileName, error)) throw std::runtime_error("pluto.ptb: " + error);
    return t;
  }();
  return table;
}

}  // namespace

const PlutoTable& TestPluto() { return *SharedPluto(); }

const BodyPositions& TestPositions() {
  InitEngineOnce();
  static SwissEphemeris library(ExecutableFolder());
  static const BodyPositions positions(library, &TestPluto());
  return positions;
}

void GivePluto(FormState& state) { state.UsePlutoTable(SharedPluto()); }

}  // namespace skyloom::test
