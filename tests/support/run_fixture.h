// A main window in memory set up for one run of the engine, with the run
// inputs filled in directly, as the Start command would fill them.
#pragma once

#include <cstdint>
#include <string>

#include "ports/memory_window.h"
#include "runs/form_state.h"

namespace skyloom::test {

struct RunFixture {
  RunFixture();

  // World run of two moving bodies; the lists show them as the window would.
  void World(BodyIndex inner, BodyIndex outer);
  // Personal run of a moving body against a natal position (radians).
  void Personal(BodyIndex transiting, BodyIndex natal, double natalLongitude);
  void Period(int32_t startDay, int32_t endDay);
  // Results zone by list position (24 is GMT).
  void Zone(int16_t position);
  void Orbs(int16_t outer, int16_t middle, int16_t inner);
  void Run();

  std::string Output() const;

  MemoryWindow window;
  FormState state{window};
};

// Day number of a Gregorian date.
int32_t Day(int32_t year, int32_t month, int32_t day);

}  // namespace skyloom::test
