// What the engine's tests share: the date names filled once, and one set of
// positions with the Pluto table generated beside the test program.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/pluto_table.h"
#include "engine/positions.h"

namespace skyloom {
struct FormState;
}

namespace skyloom::test {

// Fills the date-name tables; safe to call repeatedly.
void InitEngineOnce();
// pluto.ptb from beside the test program, loaded once.
const PlutoTable& TestPluto();
const std::shared_ptr<const PlutoTable>& SharedPluto();
// Positions from Swiss Ephemeris and that table.
const BodyPositions& TestPositions();
// Gives a window's state the loaded table, as a first run with Pluto would.
void GivePluto(FormState& state);
// Day number of a Gregorian date.
int32_t Day(int32_t year, int32_t month, int32_t day);

}  // namespace skyloom::test
