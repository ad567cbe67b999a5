// What the engine's tests share: the date names filled once, and one set of
// positions with the Pluto table generated beside the test program.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/pluto_table.h"
#include "engine/positions.h"

namespace skyloom {
class SwissEphemeris;
}  // namespace skyloom

namespace skyloom::test {

// Fills the date-name tables; safe to call repeatedly.
void InitEngineOnce();
// pluto.ptb from beside the test program, loaded once.
const PlutoTable& TestPluto();
const std::shared_ptr<const PlutoTable>& SharedPluto();
// Swiss Ephemeris with the data files beside the test program.
SwissEphemeris& TestLibrary();
// Positions from that library and that table.
const BodyPositions& TestPositions();
// Day number of a Gregorian date.
int32_t Day(int32_t year, int32_t month, int32_t day);
// The day number of a date of a case file, "2020-12-21" ("-400-02-29" too).
int32_t DayOfText(const std::string& date);
// The numbers of a case file's field, "10 5 2", "10,5,2" or "13:05".
std::vector<double> NumbersOf(const std::string& field);
// The degrees of a case file's field of degrees, minutes and seconds of
// arc ("199 54 21.8", "2 59.6", "15.2").
double DegreesOf(const std::string& field);
// The body of a case file's field by its name; std::invalid_argument for
// a name no body has.
BodyIndex BodyOfText(const std::string& name);

}  // namespace skyloom::test
