// Brings the engine's tables up once per test program, with the data folder
// at the test executable's folder (where pluto.ptb is generated).
#pragma once

namespace skyloom::test {

// Fills the tables and sets the ephemeris folder; safe to call repeatedly.
void InitEngineOnce();
// Loads pluto.ptb from beside the test executable; true when it loaded.
bool LoadPlutoOnce();

}  // namespace skyloom::test
