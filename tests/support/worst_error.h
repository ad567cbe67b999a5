// The largest error, against its own tolerance, of a table of comparisons,
// told when the test ends so that a passing test shows how close it came:
//   [ worst ] exact minutes: 0.48 min of 0.502 min tolerance (Jupiter-Saturn 2020-12-21 18:20)
#pragma once

#include <cstddef>
#include <string>

namespace skyloom::test {

class WorstError {
 public:
  // table names what is compared; unit is printed after each number.
  WorstError(std::string table, std::string unit);
  // Records the worst as a test property and prints it on standard output.
  // A table that saw no value fails, unless the test failed already.
  ~WorstError();
  WorstError(const WorstError&) = delete;
  WorstError& operator=(const WorstError&) = delete;

  // Notes one error (its size counts) against its tolerance, both in the
  // table's unit. An error beyond the tolerance, or a non-finite one, fails
  // the test, told with `where`; past the first five only their count is
  // told. Returns whether the error passed.
  bool Note(double error, double tolerance, const std::string& where);

  // "0.48 min of 0.502 min tolerance (where)", as told at the end.
  std::string Summary() const;

 private:
  std::string table_, unit_;
  std::size_t count_ = 0, failures_ = 0;
  double worst_ = 0, worstTolerance_ = 0, worstShare_ = -1;
  std::string worstWhere_;
};

// A Julian day to two decimals, "JD 2451545.00", to say where an error is.
std::string JulianDayText(double jd);

// The arc between two longitudes in degrees, taken the short way round the
// circle, in seconds of arc; not finite when either is not.
double ArcsecondsApart(double aDegrees, double bDegrees);

}  // namespace skyloom::test
